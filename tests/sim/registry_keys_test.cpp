// Opening, creating and closing registry keys through the narrow calls:
// status codes, dispositions, names without regard to case, handle faults.
#include <gtest/gtest.h>

#include "sim/machine.h"
#include "sim/registry.h"
#include "sim/windows.h"

namespace {

const HKEY kPoison = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xdeadbeef));
constexpr DWORD kPoisonDword = 0xdeadbeef;

class RegistryKeys : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }

  HKEY Create(HKEY parent, const char* path, DWORD* disposition = nullptr) {
    HKEY key = kPoison;
    LSTATUS status = RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS, nullptr, &key, disposition);
    EXPECT_EQ(status, ERROR_SUCCESS) << "creating " << path;
    return key;
  }
};

TEST_F(RegistryKeys, RootWithoutSubkeyOpensANewHandleToTheRootItself) {
  for (const char* subkey : {static_cast<const char*>(nullptr), ""}) {
    HKEY root = kPoison;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey, 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
    ASSERT_NE(root, kPoison);
    ASSERT_NE(root, nullptr);
    EXPECT_NE(root, HKEY_CLASSES_ROOT) << "a handle of its own, not the predefined value";

    // A key created through the new handle sits directly under the root.
    HKEY child = Create(root, "KoruAudio");
    EXPECT_TRUE(sim::registry::KeyExists("HKEY_CLASSES_ROOT\\KoruAudio"));
    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
  }
  EXPECT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();
}

TEST_F(RegistryKeys, MissingSubkeyIsFileNotFoundAndNullsTheResult) {
  HKEY key = kPoison;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "KoruAudio", 0, KEY_ALL_ACCESS, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryKeys, CreateReportsNewThenExisting) {
  DWORD disposition = kPoisonDword;
  HKEY first = Create(HKEY_CLASSES_ROOT, "KoruAudio", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));

  disposition = kPoisonDword;
  HKEY second = Create(HKEY_CLASSES_ROOT, "KoruAudio", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_NE(first, second) << "every open gives a handle of its own";

  EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, NamesCompareWithoutRegardToCase) {
  RegCloseKey(Create(HKEY_CLASSES_ROOT, "KoruAudio"));

  DWORD disposition = kPoisonDword;
  HKEY upper = Create(HKEY_CLASSES_ROOT, "KORUAUDIO", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  HKEY lower = kPoison;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "koruaudio", 0, KEY_READ, &lower), ERROR_SUCCESS);
  EXPECT_TRUE(sim::registry::KeyExists("hkey_classes_root\\kORUaUDIO"));
  EXPECT_TRUE(sim::registry::KeyExists("HKCR\\KoruAudio"));

  sim::registry::SetDword("HKEY_CLASSES_ROOT\\KoruAudio", "SpeakerVolume", 60);
  DWORD value = kPoisonDword;
  DWORD size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(lower, "SPEAKERVOLUME", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 60u);
  RegCloseKey(upper);
  RegCloseKey(lower);
}

TEST_F(RegistryKeys, CreateMakesEveryMissingKeyOfAPath) {
  DWORD disposition = kPoisonDword;
  HKEY deep = Create(HKEY_LOCAL_MACHINE, "Software\\Koru\\Audio", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_TRUE(sim::registry::KeyExists("HKEY_LOCAL_MACHINE\\Software"));
  EXPECT_TRUE(sim::registry::KeyExists("HKEY_LOCAL_MACHINE\\Software\\Koru"));
  EXPECT_FALSE(sim::registry::KeyExists("HKEY_CLASSES_ROOT\\Software"))
      << "the roots are separate trees";

  // A trailing backslash names the same key.
  HKEY again = kPoison;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\koru\\audio\\", 0, KEY_READ, &again),
            ERROR_SUCCESS);
  RegCloseKey(deep);
  RegCloseKey(again);
}

TEST_F(RegistryKeys, MalformedPathsAreBadPathnames) {
  for (const char* path : {"\\KoruAudio", "Koru\\\\Audio", "KoruAudio\\\\"}) {
    HKEY key = kPoison;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_BAD_PATHNAME)
        << path;
    EXPECT_EQ(key, nullptr) << path;
  }
}

TEST_F(RegistryKeys, ClosingAPredefinedRootDoesNothing) {
  EXPECT_EQ(RegCloseKey(HKEY_CLASSES_ROOT), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(HKEY_CLASSES_ROOT), ERROR_SUCCESS);
  HKEY key = Create(HKEY_CLASSES_ROOT, "KoruAudio");
  EXPECT_NE(key, nullptr) << "the root still works after being closed";
  RegCloseKey(key);
  EXPECT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();
}

TEST_F(RegistryKeys, DoubleCloseIsInvalidHandleAndAHandleFault) {
  HKEY key = Create(HKEY_CLASSES_ROOT, "KoruAudio");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  ASSERT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();

  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_NE(sim::HandleFaults().front().find("RegCloseKey"), std::string::npos)
      << sim::HandleFaults().front();
}

TEST_F(RegistryKeys, NullKeyIsInvalidHandleWithoutAHandleFault) {
  HKEY key = kPoison;
  EXPECT_EQ(RegOpenKeyExA(nullptr, "KoruAudio", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();
}

TEST_F(RegistryKeys, ClosedParentIsInvalidHandleAndAHandleFault) {
  HKEY parent = Create(HKEY_CLASSES_ROOT, "KoruAudio");
  RegCloseKey(parent);
  HKEY key = kPoison;
  EXPECT_EQ(RegCreateKeyExA(parent, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(sim::HandleFaults().size(), 1u);
}

TEST_F(RegistryKeys, CreatingBelowAKeyTakesTheRightToCreateSubkeys) {
  RegCloseKey(Create(HKEY_CLASSES_ROOT, "KoruAudio"));
  HKEY readOnly = kPoison;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "KoruAudio", 0, KEY_READ, &readOnly), ERROR_SUCCESS);

  HKEY child = kPoison;
  EXPECT_EQ(
      RegCreateKeyExA(readOnly, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
      ERROR_ACCESS_DENIED);
  EXPECT_EQ(child, nullptr);
  EXPECT_FALSE(sim::registry::KeyExists("HKEY_CLASSES_ROOT\\KoruAudio\\Child"));
  RegCloseKey(readOnly);
}

TEST_F(RegistryKeys, PlannedFaultsFailWithAccessDeniedOrTheirOwnCode) {
  sim::Fail("RegCreateKeyExA", sim::FaultSpec{});
  HKEY key = kPoison;
  DWORD disposition = kPoisonDword;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "KoruAudio", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, &disposition),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(key, nullptr);
  EXPECT_FALSE(sim::registry::KeyExists("HKEY_CLASSES_ROOT\\KoruAudio"));

  sim::FaultSpec desc;
  desc.error = 1450;  // ERROR_NO_SYSTEM_RESOURCES
  sim::Fail("RegOpenKeyExA", desc);
  key = kPoison;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, nullptr, 0, KEY_ALL_ACCESS, &key), 1450);
  EXPECT_EQ(key, nullptr);

  // Each fault was planned once: the calls work again.
  key = Create(HKEY_CLASSES_ROOT, "KoruAudio");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

}  // namespace

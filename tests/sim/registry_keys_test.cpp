// Opening, creating and closing registry keys through the narrow calls:
// the root without a subkey, names without regard to case, a key opened for
// reading, status codes and handle faults.
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

// Key and value names compare without regard to case; a value keeps the
// case it was first set with.
TEST_F(RegistryKeys, NamesCompareWithoutRegardToCase) {
  RegCloseKey(Create(HKEY_CLASSES_ROOT, "KoruAudio"));
  DWORD disposition = kPoisonDword;
  HKEY upper = Create(HKEY_CLASSES_ROOT, "KORUAUDIO", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_TRUE(sim::registry::KeyExists("hkey_classes_root\\kORUaUDIO"));

  DWORD one = 1, two = 2;
  RegSetValueExA(upper, "VolumeLimit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
  RegSetValueExA(upper, "VOLUMELIMIT", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4);
  DWORD value = kPoisonDword, size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(upper, "volumelimit", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 2u);
  ASSERT_EQ(RegDeleteValueA(upper, "volumeLIMIT"), ERROR_SUCCESS);
  EXPECT_FALSE(sim::registry::GetValue("HKEY_CLASSES_ROOT\\KoruAudio", "VolumeLimit"));
  RegCloseKey(upper);
}

// A key opened for reading refuses values and subkeys written through it.
TEST_F(RegistryKeys, AKeyOpenedForReadingRefusesWrites) {
  RegCloseKey(Create(HKEY_CLASSES_ROOT, "KoruAudio"));
  HKEY readOnly = kPoison;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "KoruAudio", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
  DWORD value = 7;
  EXPECT_EQ(RegSetValueExA(readOnly, "SpeakerVolume", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value), 4),
            ERROR_ACCESS_DENIED);
  HKEY child = kPoison;
  EXPECT_EQ(
      RegCreateKeyExA(readOnly, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
      ERROR_ACCESS_DENIED);
  EXPECT_EQ(child, nullptr);
  EXPECT_FALSE(sim::registry::GetValue("HKEY_CLASSES_ROOT\\KoruAudio", "SpeakerVolume"));
  EXPECT_FALSE(sim::registry::KeyExists("HKEY_CLASSES_ROOT\\KoruAudio\\Child"));
  RegCloseKey(readOnly);
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

}  // namespace

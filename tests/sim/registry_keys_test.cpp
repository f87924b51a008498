// Opening, creating and closing registry keys through the narrow calls:
// the root without a subkey, status codes and handle faults.
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

// Reading, writing and deleting registry values through the narrow calls:
// the size handshake, raw copies, the ANSI view of REG_SZ, status codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sim/machine.h"
#include "sim/registry.h"
#include "sim/windows.h"

namespace {

constexpr DWORD kPoisonDword = 0xdeadbeef;
const char kKeyPath[] = "HKEY_CLASSES_ROOT\\KoruAudio";

class RegistryValues : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "KoruAudio", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override { RegCloseKey(key_); }

  // Queries `name` into a DWORD the way the settings object does.
  LSTATUS QueryDword(const char* name, DWORD* value, DWORD* size, DWORD* type = nullptr) {
    *size = sizeof(DWORD);
    return RegQueryValueExA(key_, name, nullptr, type, reinterpret_cast<BYTE*>(value), size);
  }

  HKEY key_ = nullptr;
};

TEST_F(RegistryValues, MissingValueIsFileNotFoundAndLeavesTheBufferAlone) {
  DWORD value = kPoisonDword, size = 0;
  EXPECT_EQ(QueryDword("SpeakerVolume", &value, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(value, kPoisonDword);
}

TEST_F(RegistryValues, SizeOnlyQueries) {
  sim::registry::SetBinary(kKeyPath, "Blob", {1, 2, 3, 4, 5, 6});
  DWORD size = kPoisonDword, type = kPoisonDword;
  EXPECT_EQ(RegQueryValueExA(key_, "Blob", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

  // Neither buffer nor size: only whether the value is there.
  EXPECT_EQ(RegQueryValueExA(key_, "Blob", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key_, "Other", nullptr, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, TooSmallABufferIsMoreDataWithTheSizeNeeded) {
  sim::registry::SetBinary(kKeyPath, "Blob", {1, 2, 3, 4, 5, 6});
  DWORD value = kPoisonDword, size = 0, type = kPoisonDword;
  EXPECT_EQ(QueryDword("Blob", &value, &size, &type), ERROR_MORE_DATA);
  EXPECT_EQ(value, kPoisonDword) << "the buffer is left as it was";
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
}

TEST_F(RegistryValues, ShorterDataIsCopiedRawAndTheRestIsLeft) {
  sim::registry::SetBinary(kKeyPath, "Two", {0x11, 0x22});
  DWORD value = kPoisonDword, size = 0;
  EXPECT_EQ(QueryDword("Two", &value, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(value, 0xdead2211u) << std::hex << value;
}

// A REG_SZ comes back narrow as ANSI text with its terminator, and its size
// counts those bytes: "abc" is 8 bytes stored and 4 bytes read.
TEST_F(RegistryValues, StringOfFourAnsiBytesReadsRawIntoADword) {
  sim::registry::SetString(kKeyPath, "ServiceVersion", L"abc");
  ASSERT_EQ(sim::registry::GetValue(kKeyPath, "ServiceVersion")->bytes.size(), 8u);

  DWORD value = kPoisonDword, size = 0, type = kPoisonDword;
  EXPECT_EQ(QueryDword("ServiceVersion", &value, &size, &type), ERROR_SUCCESS);
  EXPECT_EQ(value, 0x00636261u) << std::hex << value;
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(RegistryValues, LongerStringLeavesTheDwordWithMoreData) {
  sim::registry::SetString(kKeyPath, "ServiceVersion", L"abcd");
  DWORD value = kPoisonDword, size = 0;
  EXPECT_EQ(QueryDword("ServiceVersion", &value, &size), ERROR_MORE_DATA);
  EXPECT_EQ(value, kPoisonDword);
  EXPECT_EQ(size, 5u);

  DWORD sizeOnly = 0;
  EXPECT_EQ(RegQueryValueExA(key_, "ServiceVersion", nullptr, nullptr, nullptr, &sizeOnly),
            ERROR_SUCCESS);
  EXPECT_EQ(sizeOnly, 5u);
}

TEST_F(RegistryValues, StringsCrossTheAnsiCodePage) {
  // e acute is 0xE9 and the euro sign 0x80 in Windows-1252.
  sim::registry::SetString(kKeyPath, "Name", L"caf\u00e9 \u20ac");
  char text[16];
  std::memset(text, 'X', sizeof text);
  DWORD size = sizeof text;
  ASSERT_EQ(RegQueryValueExA(key_, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(std::string(text, size), std::string("caf\xE9 \x80", 7));
  EXPECT_EQ(text[7], 'X') << "nothing written past the data";

  // Written narrow, a string is stored as UTF-16 with what it was given.
  const char ansi[] = "\x80uro";
  ASSERT_EQ(
      RegSetValueExA(key_, "Money", 0, REG_SZ, reinterpret_cast<const BYTE*>(ansi), sizeof ansi),
      ERROR_SUCCESS);
  std::optional<sim::registry::Value> stored = sim::registry::GetValue(kKeyPath, "Money");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, static_cast<uint32_t>(REG_SZ));
  std::vector<uint8_t> expected = {0xAC, 0x20, 'u', 0, 'r', 0, 'o', 0, 0, 0};
  EXPECT_EQ(stored->bytes, expected);
}

TEST_F(RegistryValues, ValueNamesCompareWithoutRegardToCaseAndKeepTheirFirstCase) {
  DWORD one = 1, two = 2;
  RegSetValueExA(key_, "VolumeLimit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
  RegSetValueExA(key_, "VOLUMELIMIT", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4);
  EXPECT_EQ(sim::registry::GetDword(kKeyPath, "volumelimit"), 2u);

  ASSERT_EQ(RegDeleteValueA(key_, "volumeLIMIT"), ERROR_SUCCESS);
  EXPECT_FALSE(sim::registry::GetValue(kKeyPath, "VolumeLimit"));
}

TEST_F(RegistryValues, DeletingAMissingValueIsFileNotFound) {
  sim::registry::SetDword(kKeyPath, "SpeakerMute", 0);
  EXPECT_EQ(RegDeleteValueA(key_, "SpeakerMute"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key_, "SpeakerMute"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, NullKeyIsInvalidHandleWithoutAHandleFault) {
  DWORD value = kPoisonDword, size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(nullptr, "SpeakerVolume", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegSetValueExA(nullptr, "SpeakerVolume", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value), 4),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(value, kPoisonDword);
  EXPECT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();
}

TEST_F(RegistryValues, ClosedKeyIsInvalidHandleAndAHandleFault) {
  sim::registry::SetDword(kKeyPath, "SpeakerVolume", 60);
  HKEY closed = key_;
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  key_ = nullptr;

  DWORD value = kPoisonDword, size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(closed, "SpeakerVolume", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(value, kPoisonDword);
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_NE(sim::HandleFaults().front().find("RegQueryValueExA"), std::string::npos)
      << sim::HandleFaults().front();
}

TEST_F(RegistryValues, AKeyOpenedForReadingRefusesWrites) {
  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "KoruAudio", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
  DWORD value = 7;
  EXPECT_EQ(RegSetValueExA(readOnly, "SpeakerVolume", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value), 4),
            ERROR_ACCESS_DENIED);
  EXPECT_FALSE(sim::registry::GetValue(kKeyPath, "SpeakerVolume"));
  RegCloseKey(readOnly);
}

TEST_F(RegistryValues, PlannedFaultsFailWithAccessDenied) {
  sim::registry::SetDword(kKeyPath, "SpeakerVolume", 60);
  sim::Fail("RegQueryValueExA", sim::FaultSpec{});
  sim::Fail("RegSetValueExA", sim::FaultSpec{});

  DWORD value = kPoisonDword, size = 0;
  EXPECT_EQ(QueryDword("SpeakerVolume", &value, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(value, kPoisonDword);
  DWORD written = 17;
  EXPECT_EQ(RegSetValueExA(key_, "SpeakerVolume", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&written), 4),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(sim::registry::GetDword(kKeyPath, "SpeakerVolume"), 60u);
}

TEST_F(RegistryValues, ControlSurfaceReportsWhatIsNotThere) {
  EXPECT_FALSE(sim::registry::GetValue("HKEY_CLASSES_ROOT\\Nowhere", "X"));
  EXPECT_FALSE(sim::registry::GetValue("NOT_A_ROOT\\KoruAudio", "X"));
  EXPECT_FALSE(sim::registry::KeyExists("NOT_A_ROOT"));
  sim::registry::SetString(kKeyPath, "Text", L"60");
  EXPECT_FALSE(sim::registry::GetDword(kKeyPath, "Text")) << "not a REG_DWORD";
  EXPECT_THROW(sim::registry::SetDword("NOT_A_ROOT\\KoruAudio", "X", 1), std::invalid_argument);
}

}  // namespace

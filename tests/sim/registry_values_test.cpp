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

// A value read into a DWORD the way the settings object reads it: a missing
// or too long value leaves the DWORD as it was, shorter data is copied raw
// over its low bytes, and a REG_SZ comes back narrow as ANSI text with its
// terminator, its size counting those bytes ("abc" is 8 bytes stored and 4
// read).
TEST_F(RegistryValues, ValuesReadIntoADword) {
  sim::registry::SetBinary(kKeyPath, "Six", {1, 2, 3, 4, 5, 6});
  sim::registry::SetBinary(kKeyPath, "Two", {0x11, 0x22});
  sim::registry::SetString(kKeyPath, "Abc", L"abc");
  sim::registry::SetString(kKeyPath, "Abcd", L"abcd");
  ASSERT_EQ(sim::registry::GetValue(kKeyPath, "Abc")->bytes.size(), 8u);
  const struct {
    const char* name;
    LSTATUS status;
    DWORD value;
    DWORD size;
    DWORD type;
  } cases[] = {
      {"Missing", ERROR_FILE_NOT_FOUND, kPoisonDword, 4, kPoisonDword},
      {"Six", ERROR_MORE_DATA, kPoisonDword, 6, REG_BINARY},
      {"Two", ERROR_SUCCESS, 0xdead2211u, 2, REG_BINARY},
      {"Abc", ERROR_SUCCESS, 0x00636261u, 4, REG_SZ},
      {"Abcd", ERROR_MORE_DATA, kPoisonDword, 5, REG_SZ},
  };
  for (const auto& c : cases) {
    DWORD value = kPoisonDword, size = 0, type = kPoisonDword;
    EXPECT_EQ(QueryDword(c.name, &value, &size, &type), c.status) << c.name;
    EXPECT_EQ(value, c.value) << c.name << std::hex << " " << value;
    EXPECT_EQ(size, c.size) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }
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

}  // namespace

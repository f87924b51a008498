// The registry's text file: every type and every byte survives a save and a
// load, a bad file changes nothing, and a load replaces the keys open handles
// refer to.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/machine.h"
#include "sim/registry.h"
#include "sim/windows.h"

namespace {

const char kKeyPath[] = "HKEY_CLASSES_ROOT\\KoruAudio";

std::vector<uint8_t> Utf16(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

// The same with the terminator that Windows stores after a string.
std::vector<uint8_t> Utf16z(const std::u16string& text) {
  return Utf16(text + std::u16string(1, u'\0'));
}

class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    file_ = std::filesystem::path(::testing::TempDir()) /
            (std::string("registry_") + test->name() + ".reg");
  }
  void TearDown() override { std::filesystem::remove(file_); }

  std::string Read() const {
    std::ifstream in(file_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void Write(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }
  // Saves, resets the machine and loads the file again.
  void RoundTrip() {
    ASSERT_TRUE(sim::registry::Save(file_.string()));
    sim::Reset();
    ASSERT_FALSE(sim::registry::KeyExists(kKeyPath));
    ASSERT_TRUE(sim::registry::Load(file_.string()));
  }

  static void ExpectValue(const std::string& keyPath, const std::string& name, uint32_t type,
                          const std::vector<uint8_t>& bytes) {
    std::optional<sim::registry::Value> value = sim::registry::GetValue(keyPath, name);
    ASSERT_TRUE(value) << keyPath << " " << name;
    EXPECT_EQ(value->type, type) << name;
    EXPECT_EQ(value->bytes, bytes) << name;
  }

  std::filesystem::path file_;
};

TEST_F(RegistryFile, EveryTypeAndEveryByteRoundTrips) {
  const std::vector<uint8_t> allBytes = [] {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<uint8_t>(i));
    return bytes;
  }();
  sim::registry::SetDword(kKeyPath, "SpeakerVolume", 0xFF00FF00u);
  sim::registry::SetBinary(kKeyPath, "Bytes", allBytes);
  sim::registry::SetBinary(kKeyPath, "Empty", {});
  sim::registry::SetString(kKeyPath, "Quotes \"and\" \\backslashes\\",
                           L"\"quoted\" \\ back\\slash\ttab\nnewline\r\u00e9\u20ac \U0001F600");
  sim::registry::SetString(kKeyPath, "Embedded", std::wstring(L"a\0b\x01", 4));
  sim::registry::SetString(kKeyPath, "", L"the default value");
  sim::registry::SetValue(kKeyPath, "Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 0xFF});
  sim::registry::SetValue(kKeyPath, "Expand", REG_EXPAND_SZ, {'%', 0, 'P', 0, '%', 0, 0, 0});
  sim::registry::SetValue(kKeyPath, "Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
  sim::registry::SetValue(kKeyPath, "ShortDword", REG_DWORD, {0xFF, 0x00, 0x7F});
  sim::registry::SetValue(kKeyPath, "OddString", REG_SZ, {'a', 0, 'b'});
  sim::registry::SetValue(kKeyPath, "Unterminated", REG_SZ, Utf16(u"abc"));
  sim::registry::SetValue(kKeyPath, "LoneSurrogate", REG_SZ, Utf16z(u"\xD800x\xDC00"));
  sim::registry::SetValue(kKeyPath, "Big", 0x12345678u, {0xFF});
  sim::registry::SetValue(kKeyPath, "None", REG_NONE, {});
  sim::registry::CreateKey("HKEY_CLASSES_ROOT\\KoruAudio\\Empty key");
  sim::registry::SetDword("HKEY_CLASSES_ROOT\\\"Quoted\" [key]\\Inner", "N", 7);
  sim::registry::SetDword("HKEY_LOCAL_MACHINE\\Software\\Koru", "Flags", 255);
  sim::registry::SetDword("HKEY_CURRENT_USER", "AtTheRoot", 1);
  sim::registry::SetDword("HKEY_CLASSES_ROOT\\Caf\xC3\xA9\\Two\nlines\\x]", "N", 9);
  ASSERT_TRUE(sim::registry::Save(file_.string()));
  const std::string saved = Read();

  RoundTrip();
  ExpectValue(kKeyPath, "SpeakerVolume", REG_DWORD, {0x00, 0xFF, 0x00, 0xFF});
  ExpectValue(kKeyPath, "Bytes", REG_BINARY, allBytes);
  ExpectValue(kKeyPath, "Empty", REG_BINARY, {});
  ExpectValue(kKeyPath, "Quotes \"and\" \\backslashes\\", REG_SZ,
              Utf16z(u"\"quoted\" \\ back\\slash\ttab\nnewline\r\u00e9\u20ac \U0001F600"));
  ExpectValue(kKeyPath, "Embedded", REG_SZ, {'a', 0, 0, 0, 'b', 0, 1, 0, 0, 0});
  ExpectValue(kKeyPath, "", REG_SZ, Utf16z(u"the default value"));
  ExpectValue(kKeyPath, "Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 0xFF});
  ExpectValue(kKeyPath, "Expand", REG_EXPAND_SZ, {'%', 0, 'P', 0, '%', 0, 0, 0});
  ExpectValue(kKeyPath, "Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
  ExpectValue(kKeyPath, "ShortDword", REG_DWORD, {0xFF, 0x00, 0x7F});
  ExpectValue(kKeyPath, "OddString", REG_SZ, {'a', 0, 'b'});
  ExpectValue(kKeyPath, "Unterminated", REG_SZ, Utf16(u"abc"));
  ExpectValue(kKeyPath, "LoneSurrogate", REG_SZ, Utf16z(u"\xD800x\xDC00"));
  ExpectValue(kKeyPath, "Big", 0x12345678u, {0xFF});
  ExpectValue(kKeyPath, "None", REG_NONE, {});
  EXPECT_TRUE(sim::registry::KeyExists("HKEY_CLASSES_ROOT\\KoruAudio\\Empty key"));
  EXPECT_EQ(sim::registry::GetDword("HKEY_CLASSES_ROOT\\\"Quoted\" [key]\\Inner", "N"), 7u);
  EXPECT_EQ(sim::registry::GetDword("HKEY_LOCAL_MACHINE\\Software\\Koru", "Flags"), 255u);
  EXPECT_EQ(sim::registry::GetDword("HKEY_CURRENT_USER", "AtTheRoot"), 1u);
  EXPECT_EQ(sim::registry::GetDword("HKEY_CLASSES_ROOT\\caf\xC3\x89\\two\nlines\\X]", "N"), 9u);

  // Saving what was loaded gives the same file: nothing was lost or added.
  ASSERT_TRUE(sim::registry::Save(file_.string()));
  EXPECT_EQ(Read(), saved);
}

TEST_F(RegistryFile, ABadFileChangesNothing) {
  const char* const bad[] = {
      "\"Orphan\"=dword:00000001\n",                         // a value before any key
      "[HKEY_NOWHERE\\KoruAudio]\n",                         // unknown root
      "[HKEY_CLASSES_ROOT\\KoruAudio\n",                     // no closing bracket
      "[HKEY_CLASSES_ROOT\\\\KoruAudio]\n",                  // empty key name
      "[HKCR\\KoruAudio]\n\"X\"=word:1\n",                   // unknown type
      "[HKCR\\KoruAudio]\n\"X\"=dword:3c\n",                 // too few digits
      "[HKCR\\KoruAudio]\n\"X\"=dword:0000003c trailing\n",  // text after the data
      "[HKCR\\KoruAudio]\n\"X\"=hex(3):0,1\n",               // one-digit bytes
      "[HKCR\\KoruAudio]\n\"X\"=hex(3):00,\n",               // dangling comma
      "[HKCR\\KoruAudio]\n\"X\"=sz:\"unterminated\n",        // open quote
      "[HKCR\\KoruAudio]\n\"X\"=sz:\"bad \\q escape\"\n",    // unknown escape
      "[HKCR\\KoruAudio]\n\"X\"=sz:\"\xC3\"\n",              // not UTF-8
      "[HKCR\\KoruAudio]\n\"X\"=sz:\"\xC0\xAF\"\n",          // overlong UTF-8
      "[HKCR\\KoruAudio]\n\"X\"=sz:\"\xED\xA0\x80\"\n",      // a surrogate in UTF-8
      "[HKCR\\KoruAudio]\nX=dword:00000001\n",               // unquoted name
  };
  sim::registry::SetDword(kKeyPath, "SpeakerVolume", 60);
  for (const char* text : bad) {
    Write(text);
    EXPECT_FALSE(sim::registry::Load(file_.string())) << text;
    EXPECT_EQ(sim::registry::GetDword(kKeyPath, "SpeakerVolume"), 60u) << text;
  }
}

TEST_F(RegistryFile, LoadReplacesTheRegistryAndOldHandlesSeeTheirKeyDeleted) {
  sim::registry::SetDword(kKeyPath, "SpeakerVolume", 60);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "KoruAudio", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);

  Write("[HKEY_LOCAL_MACHINE\\Other]\n\"A\"=dword:00000001\n");
  ASSERT_TRUE(sim::registry::Load(file_.string()));
  EXPECT_FALSE(sim::registry::KeyExists(kKeyPath)) << "Load replaces, it does not merge";
  EXPECT_EQ(sim::registry::GetDword("HKEY_LOCAL_MACHINE\\Other", "A"), 1u);

  DWORD value = 0xdeadbeef, size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(key, "SpeakerVolume", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_KEY_DELETED);
  EXPECT_EQ(value, 0xdeadbeefu);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS) << "the handle itself is still open";
}

}  // namespace

// Values of any registry type as their bytes.
#include "registry_bytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "file_error.h"
#include "settings_key.h"
#include "sim/registry.h"
#include "values.h"

namespace koru::scn {
namespace {

struct TypeName {
  const char* word;
  uint32_t type;  // as Windows numbers it
};

constexpr TypeName kTypes[] = {
    {"none", 0}, {"binary", 3}, {"dword", 4}, {"multi_sz", 7}, {"qword", 11}};

std::optional<uint32_t> TypeOf(const Arguments& args) {
  for (const TypeName& name : kTypes) {
    if (args.IsWord(2, name.word)) return name.type;
  }
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<uint8_t> Bytes(const Token& token) {
  const std::string& hex = token.text;
  if (token.contains || hex.size() % 2 != 0)
    throw FileError("expected bytes as pairs of hex digits");
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = HexDigit(hex[i]);
    int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) throw FileError("expected bytes as pairs of hex digits");
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return bytes;
}

std::string ShowBytes(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return Quoted(hex);
}

struct BytesValue {
  std::string name;
  uint32_t type;
  std::vector<uint8_t> bytes;
};

BytesValue Parse(const Arguments& args) {
  args.ExpectCount(4);
  args.AllowKeys({});
  if (args.At(0).contains) throw FileError("expected a value name");
  return {args.At(0).text, *TypeOf(args), Bytes(args.At(3))};
}

}  // namespace

bool IsBytesValue(const Arguments& args) {
  return args.Count() >= 3 && args.IsWord(1, "=") && TypeOf(args).has_value();
}

Compiled CompileBytesValueStep(const Arguments& args) {
  BytesValue value = Parse(args);
  return SetUp([value](Scenario&) {
    sim::registry::SetValue(kSettingsKey, value.name, value.type, value.bytes);
  });
}

Compiled CompileBytesValueExpectation(const Arguments& args) {
  BytesValue value = Parse(args);
  return Expectation([value](Scenario&) {
    std::optional<sim::registry::Value> stored = sim::registry::GetValue(kSettingsKey, value.name);
    if (!stored) return Failed("missing");
    if (stored->type == value.type && stored->bytes == value.bytes) return Held();
    return Failed("type " + std::to_string(stored->type) + ", bytes " + ShowBytes(stored->bytes));
  });
}

}  // namespace koru::scn

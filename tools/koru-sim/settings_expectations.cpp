// Expectations on the service's settings in the registry.
#include <optional>
#include <string>

#include "file_error.h"
#include "registry_bytes.h"
#include "settings_key.h"
#include "sim/registry.h"
#include "values.h"
#include "verbs.h"

namespace koru::scn {
namespace {

// The registry's type codes, as Windows numbers them.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;

std::string ShowDword(uint32_t value) { return std::to_string(value) + " (" + Hex(value) + ")"; }

// A REG_SZ as stored: UTF-16LE, normally with its terminator.
std::wstring StoredText(const std::vector<uint8_t>& bytes) {
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::string ShowValue(const sim::registry::Value& value) {
  if (value.type == kRegDword && value.bytes.size() == 4) {
    uint32_t dword = value.bytes[0] | (value.bytes[1] << 8) | (value.bytes[2] << 16) |
                     (static_cast<uint32_t>(value.bytes[3]) << 24);
    return "= " + ShowDword(dword);
  }
  if (value.type == kRegSz) return "= sz " + Quoted(StoredText(value.bytes));
  return "a value of type " + std::to_string(value.type) + " and " +
         std::to_string(value.bytes.size()) + " bytes";
}

std::string Seen(const std::optional<sim::registry::Value>& value) {
  return value ? ShowValue(*value) : "missing";
}

Outcome ExpectDword(const std::string& name, uint32_t expected) {
  std::optional<uint32_t> stored = sim::registry::GetDword(kSettingsKey, name);
  if (stored && *stored == expected) return Held();
  return Failed(Seen(sim::registry::GetValue(kSettingsKey, name)));
}

Outcome ExpectString(const std::string& name, const std::wstring& expected) {
  std::optional<sim::registry::Value> value = sim::registry::GetValue(kSettingsKey, name);
  if (value && value->type == kRegSz && StoredText(value->bytes) == expected) return Held();
  return Failed(Seen(value));
}

Outcome ExpectMissing(const std::string& name) {
  std::optional<sim::registry::Value> value = sim::registry::GetValue(kSettingsKey, name);
  if (!value) return Held();
  return Failed(ShowValue(*value));
}

Outcome ExpectKeyMissing() {
  if (!sim::registry::KeyExists(kSettingsKey)) return Held();
  return Failed(std::string(kSettingsKey) + " exists");
}

// expect registry NAME = N | NAME = sz "TEXT" | NAME missing | key missing
Compiled CompileRegistry(const Arguments& args) {
  args.AllowKeys({});
  const Token& first = args.At(0);
  if (first.contains) throw FileError("expected a value name");
  std::string name = first.text;
  if (args.Count() == 2 && args.IsWord(1, "missing")) {
    // A bare "key" is the settings key itself; a value of that name is
    // written "key" in quotes.
    if (args.IsWord(0, "key")) return Expectation([](Scenario&) { return ExpectKeyMissing(); });
    return Expectation([name](Scenario&) { return ExpectMissing(name); });
  }
  if (args.Count() < 3 || !args.IsWord(1, "=")) throw FileError("expected NAME = VALUE");
  if (IsBytesValue(args)) return CompileBytesValueExpectation(args);
  if (args.IsWord(2, "sz")) {
    args.ExpectCount(4);
    std::wstring text = Utf8ToWide(args.Text(3));
    return Expectation([name, text](Scenario&) { return ExpectString(name, text); });
  }
  args.ExpectCount(3);
  uint32_t value = args.Number(2);
  return Expectation([name, value](Scenario&) { return ExpectDword(name, value); });
}

}  // namespace

void AddSettingsExpectations(VerbTable& table) {
  table.Add("registry",
            "expect registry NAME = N | expect registry NAME = sz \"TEXT\" | "
            "expect registry NAME = TYPE HEX | expect registry NAME missing | "
            "expect registry key missing",
            &CompileRegistry);
}

}  // namespace koru::scn

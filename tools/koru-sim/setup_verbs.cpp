// Steps that set the machine up: clock, process id, module path, registry
// values and injected faults.
#include <string>

#include "file_error.h"
#include "registry_bytes.h"
#include "settings_key.h"
#include "sim/machine.h"
#include "sim/registry.h"
#include "values.h"
#include "verbs.h"

namespace koru::scn {
namespace {

Compiled CompileClock(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  ClockTime time = ParseClock(args.Word(0));
  return SetUp([time](Scenario&) {
    sim::SetLocalTime(time.hour, time.minute, time.second, time.millisecond);
  });
}

Compiled CompilePid(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  uint32_t pid = args.Number(0);
  return SetUp([pid](Scenario&) { sim::SetNextProcessId(pid); });
}

Compiled CompilePath(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  std::wstring path = Utf8ToWide(args.Text(0));
  return SetUp([path](Scenario&) { sim::SetModulePath(path); });
}

// A value name: a word, or a quoted string for names with blanks.
std::string ValueName(const Arguments& args, size_t i) {
  const Token& token = args.At(i);
  if (token.contains) throw FileError("expected a value name");
  return token.text;
}

Compiled CompileRegistryDelete(const Arguments& args) {
  args.ExpectCount(2);
  std::string name = ValueName(args, 1);
  return SetUp([name](Scenario&) { sim::registry::DeleteValue(kSettingsKey, name); });
}

// registry NAME = N | registry NAME = sz "TEXT" | registry NAME = TYPE HEX |
// registry delete NAME
Compiled CompileRegistry(const Arguments& args) {
  args.AllowKeys({});
  if (args.Count() == 2 && args.IsWord(0, "delete")) return CompileRegistryDelete(args);
  if (args.Count() < 3 || !args.IsWord(1, "=")) throw FileError("expected NAME = VALUE");
  if (IsBytesValue(args)) return CompileBytesValueStep(args);
  std::string name = ValueName(args, 0);
  if (args.IsWord(2, "sz")) {
    args.ExpectCount(4);
    std::wstring text = Utf8ToWide(args.Text(3));
    return SetUp([name, text](Scenario&) { sim::registry::SetString(kSettingsKey, name, text); });
  }
  args.ExpectCount(3);
  uint32_t value = args.Number(2);
  return SetUp([name, value](Scenario&) { sim::registry::SetDword(kSettingsKey, name, value); });
}

void CheckApiName(const std::string& api) {
  for (char c : api) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_' || c == ':';
    if (!ok) throw FileError("\"" + api + "\" is not the name of a call");
  }
}

// Whether the call fails for good: times=always, or "always" written alone.
bool FailsAlways(const Arguments& args) {
  const Token* times = args.Named("times");
  if (args.Count() == 2) {
    if (!args.IsWord(1, "always")) throw FileError("expected always or times=N");
    if (times != nullptr) throw FileError("always and times= together");
    return true;
  }
  return times != nullptr && times->text == "always";
}

// fail API [skip=K] [times=N|always] [error=CODE]
Compiled CompileFail(const Arguments& args) {
  args.ExpectCount(1, 2);
  args.AllowKeys({"skip", "times", "error"});
  std::string api = args.Word(0);
  CheckApiName(api);
  sim::FaultSpec desc;
  desc.skip = args.NamedNumber("skip").value_or(0);
  if (FailsAlways(args)) {
    desc.always = true;
  } else {
    desc.times = args.NamedNumber("times").value_or(1);
    if (desc.times == 0) throw FileError("times=0 would make nothing fail");
  }
  desc.error = args.NamedNumber("error");
  return SetUp([api, desc](Scenario&) { sim::Fail(api, desc); });
}

}  // namespace

void AddSetUpVerbs(VerbTable& table) {
  table.Add("clock", "clock HH:MM:SS.mmm", &CompileClock);
  table.Add("pid", "pid N", &CompilePid);
  table.Add("path", "path \"C:\\\\...\\\\KoruAudioService.exe\"", &CompilePath);
  table.Add("registry",
            "registry NAME = N | registry NAME = sz \"TEXT\" | registry NAME = TYPE HEX | "
            "registry delete NAME",
            &CompileRegistry);
  table.Add("fail", "fail API [skip=K] [times=N|always] [error=CODE]", &CompileFail);
}

}  // namespace koru::scn

// Steps that set up the console session, the executable files and the
// popup programs' answers, and the step that makes a running popup exit.
#include "session_verbs.h"

#include <optional>
#include <string>

#include "file_error.h"
#include "sim/sessions.h"
#include "values.h"

namespace koru::scn {
namespace {

DWORD ConsoleOf(const std::string& value) {
  if (value == "none") return sim::sessions::kNoConsoleSession;
  return ParseNumber(value);
}

// session console=N|none user=yes|no: what is not given stays as it is.
Compiled CompileSession(const Arguments& args) {
  args.ExpectCount(0);
  args.AllowKeys({"console", "user"});
  std::optional<std::string> console = args.NamedText("console");
  std::optional<std::string> user = args.NamedText("user");
  if (!console && !user) throw FileError("expected console= or user=");
  std::optional<DWORD> session;
  if (console) session = ConsoleOf(*console);
  std::optional<bool> loggedOn;
  if (user) loggedOn = YesNo("user", *user);
  return SetUp([session, loggedOn](Scenario&) {
    DWORD now = sim::sessions::ConsoleSession();
    bool wasLoggedOn = sim::sessions::UserLoggedOn();
    sim::sessions::SetConsole(session.value_or(now), loggedOn.value_or(wasLoggedOn));
  });
}

// popup EXE stays | popup EXE answer=CODE [after=DURATION]
Compiled CompilePopup(const Arguments& args) {
  args.ExpectCount(1, 2);
  args.AllowKeys({"answer", "after"});
  std::wstring exe = ExecutableAt(args, 0);
  std::optional<uint32_t> answer = args.NamedNumber("answer");
  std::optional<std::string> after = args.NamedText("after");
  bool stays = args.Count() == 2;
  if (stays && !args.IsWord(1, "stays")) throw FileError("expected stays or answer=CODE");
  if (after && !answer) throw FileError("after= needs answer=");
  if (stays == answer.has_value()) throw FileError("expected either stays or answer=CODE");
  sim::sessions::PopupBehaviour behaviour;
  behaviour.answer = answer;
  if (after) behaviour.afterMs = ParseDurationMs(*after);
  return SetUp([exe, behaviour](Scenario&) { sim::sessions::SetPopupBehaviour(exe, behaviour); });
}

// popup-exit EXE CODE
Compiled CompilePopupExit(const Arguments& args) {
  args.ExpectCount(2);
  args.AllowKeys({});
  std::wstring exe = ExecutableAt(args, 0);
  uint32_t code = args.Number(1);
  return Happening([exe, code](Scenario&) { sim::sessions::ExitPopup(exe, code); });
}

// file "PATH": one more executable file on the machine.
Compiled CompileFile(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  std::wstring path = Utf8ToWide(args.Text(0));
  return SetUp([path](Scenario&) { sim::sessions::AddFile(path); });
}

}  // namespace

std::wstring ExecutableAt(const Arguments& args, size_t i) {
  const Token& token = args.At(i);
  if (token.contains) throw FileError("expected an executable, got ~\"" + token.text + "\"");
  return Utf8ToWide(token.text);
}

bool YesNo(const std::string& key, const std::string& value) {
  if (value == "yes") return true;
  if (value == "no") return false;
  throw FileError(key + "= expects yes or no, got \"" + value + "\"");
}

void AddSessionVerbs(VerbTable& table) {
  table.Add("session", "session console=N|none user=yes|no", &CompileSession);
  table.Add("popup", "popup EXE stays|answer=CODE [after=DURATION]", &CompilePopup);
  table.Add("popup-exit", "popup-exit EXE CODE", &CompilePopupExit);
  table.Add("file", "file \"PATH\"", &CompileFile);
}

}  // namespace koru::scn

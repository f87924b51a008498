// Steps that drive the service control manager: the service's start, a
// control, and the machine's shutdown and boot.
#include "service_verbs.h"

#include "file_error.h"
#include "service/service_name.h"
#include "service_program.h"
#include "sim/services.h"
#include "values.h"

namespace koru::scn {
namespace {

std::string Refusal(DWORD error) {
  switch (error) {
    case ERROR_SERVICE_DOES_NOT_EXIST:
      return "the service is not installed (error 1060)";
    case ERROR_SERVICE_DISABLED:
      return "the service is disabled (error 1058)";
    case ERROR_FILE_NOT_FOUND:
      return "the registered path names another file than the executable's (error 2)";
    case ERROR_SERVICE_ALREADY_RUNNING:
      return "a service process is still alive (error 1056)";
    case ERROR_SERVICE_NOT_ACTIVE:
      return "the service is not running (error 1062)";
    case ERROR_SERVICE_CANNOT_ACCEPT_CTRL:
      return "the service cannot take controls now: it has no handler yet, or is pending "
             "(error 1061)";
    case ERROR_INVALID_SERVICE_CONTROL:
      return "the service does not accept that control (error 1052)";
    default:
      return "error " + std::to_string(error);
  }
}

// service start: the manager starts the installed service; the machine then
// settles with its process running.
Compiled CompileService(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  if (!args.IsWord(0, "start")) throw FileError("expected start, got \"" + args.At(0).text + "\"");
  return Happening([](Scenario& scenario) {
    DWORD error = sim::services::Start(SERVICE_NAME, koru::ServiceProgram());
    if (error != ERROR_SUCCESS) scenario.StepFailed("not started: " + Refusal(error));
  });
}

uint32_t ControlCode(const Arguments& args) {
  if (args.IsWord(0, "stop")) return SERVICE_CONTROL_STOP;
  if (args.IsWord(0, "preshutdown")) return SERVICE_CONTROL_PRESHUTDOWN;
  if (args.IsWord(0, "interrogate")) return SERVICE_CONTROL_INTERROGATE;
  uint32_t code = args.Number(0);
  if (code == 0 || code > 255) throw FileError("a control is a number from 1 to 255");
  return code;
}

// control stop|preshutdown|interrogate|N [refused]: a control refused by
// the manager fails the step, unless the step says it is refused.
Compiled CompileControl(const Arguments& args) {
  args.ExpectCount(1, 2);
  args.AllowKeys({});
  uint32_t control = ControlCode(args);
  bool refused = args.Count() == 2;
  if (refused && !args.IsWord(1, "refused")) {
    throw FileError("expected refused after the control, got \"" + args.At(1).text + "\"");
  }
  return Happening([control, refused](Scenario& scenario) {
    DWORD error = sim::services::Control(control);
    if (refused && error == ERROR_SUCCESS) scenario.StepFailed("the control was delivered");
    if (!refused && error != ERROR_SUCCESS) scenario.StepFailed("refused: " + Refusal(error));
  });
}

Compiled CompileRestart(const Arguments& args) {
  args.ExpectCount(0);
  args.AllowKeys({});
  return Happening([](Scenario&) { sim::services::Restart(koru::ServiceProgram()); });
}

}  // namespace

void AddServiceVerbs(VerbTable& table) {
  table.Add("service", "service start", &CompileService);
  table.Add("control", "control stop|preshutdown|interrogate|N [refused]", &CompileControl);
  table.Add("restart", "restart", &CompileRestart);
}

}  // namespace koru::scn

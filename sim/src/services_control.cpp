// The service control manager's starts and controls: which service runs,
// what the controller may send it, and what the manager has seen of it.
#include "services_control.h"

#include <sstream>

#include "process_table.h"
#include "registry_tree.h"
#include "scheduler.h"
#include "services_database.h"

namespace sim::services {
namespace {

void ResetManager() { TheManager() = Manager{}; }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetManager), true);

// The binary path as CreateProcess reads a command line: a quoted image
// followed by arguments, or, unquoted, the whole text as the image (the
// one file the machine has, whatever blanks its path holds).
struct CommandLine {
  std::wstring image;
  std::vector<std::wstring> arguments;
};

CommandLine ParseBinaryPath(const std::wstring& binaryPath) {
  if (binaryPath.empty() || binaryPath[0] != L'"') return {binaryPath, {}};
  size_t close = binaryPath.find(L'"', 1);
  if (close == std::wstring::npos) return {binaryPath.substr(1), {}};
  CommandLine line{binaryPath.substr(1, close - 1), {}};
  std::wistringstream rest(binaryPath.substr(close + 1));
  for (std::wstring word; rest >> word;) line.arguments.push_back(word);
  return line;
}

// The wide entry point as the C runtime calls it: argv[0] the image, then
// the arguments, then a null pointer.
DWORD CallEntry(const Program& program, CommandLine line) {
  if (program.entry == nullptr) return 0;
  std::vector<std::wstring> words{line.image};
  words.insert(words.end(), line.arguments.begin(), line.arguments.end());
  std::vector<wchar_t*> argv;
  for (std::wstring& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return static_cast<DWORD>(program.entry(static_cast<int>(words.size()), argv.data()));
}

// The control's bit in dwControlsAccepted; none for controls that the
// service cannot refuse (user-defined ones, device events).
std::optional<DWORD> AcceptBit(DWORD control) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      return SERVICE_ACCEPT_STOP;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
      return SERVICE_ACCEPT_PAUSE_CONTINUE;
    case SERVICE_CONTROL_SHUTDOWN:
      return SERVICE_ACCEPT_SHUTDOWN;
    case SERVICE_CONTROL_PARAMCHANGE:
      return SERVICE_ACCEPT_PARAMCHANGE;
    case SERVICE_CONTROL_NETBINDADD:
    case SERVICE_CONTROL_NETBINDREMOVE:
    case SERVICE_CONTROL_NETBINDENABLE:
    case SERVICE_CONTROL_NETBINDDISABLE:
      return SERVICE_ACCEPT_NETBINDCHANGE;
    case SERVICE_CONTROL_HARDWAREPROFILECHANGE:
      return SERVICE_ACCEPT_HARDWAREPROFILECHANGE;
    case SERVICE_CONTROL_POWEREVENT:
      return SERVICE_ACCEPT_POWEREVENT;
    case SERVICE_CONTROL_SESSIONCHANGE:
      return SERVICE_ACCEPT_SESSIONCHANGE;
    case SERVICE_CONTROL_PRESHUTDOWN:
      return SERVICE_ACCEPT_PRESHUTDOWN;
    case SERVICE_CONTROL_TIMECHANGE:
      return SERVICE_ACCEPT_TIMECHANGE;
    case SERVICE_CONTROL_TRIGGEREVENT:
      return SERVICE_ACCEPT_TRIGGEREVENT;
    default:
      return std::nullopt;
  }
}

bool Pending(DWORD state) {
  return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
}

// Why Windows refuses to send `control` to the live run now, or ERROR_SUCCESS.
DWORD ControlRefusal(const ServiceRun& run, DWORD control) {
  if (control == 0 || control > 255) return ERROR_INVALID_PARAMETER;
  if (run.handler == nullptr) return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
  if (control == SERVICE_CONTROL_INTERROGATE) return ERROR_SUCCESS;
  DWORD state = run.status ? run.status->dwCurrentState : SERVICE_START_PENDING;
  if (Pending(state)) return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
  DWORD accepted = run.status ? run.status->dwControlsAccepted : 0;
  std::optional<DWORD> bit = AcceptBit(control);
  if (bit && (accepted & *bit) == 0) return ERROR_INVALID_SERVICE_CONTROL;
  return ERROR_SUCCESS;
}

}  // namespace

// Never destroyed, like the rest of the machine's state.
Manager& TheManager() {
  static Manager* manager = new Manager;
  return *manager;
}

std::shared_ptr<ServiceRun> RunOfCurrentProcess() {
  const std::shared_ptr<ServiceRun>& run = TheManager().current;
  Process* process = CurrentProcess();
  if (!run || process == nullptr || run->process.get() != process) return nullptr;
  return run;
}

std::shared_ptr<ServiceRun> LiveRun() {
  const std::shared_ptr<ServiceRun>& run = TheManager().current;
  if (!run || !run->process || run->process->ended) return nullptr;
  return run;
}

bool ReportedStopped(const ServiceRun& run) {
  return run.status && run.status->dwCurrentState == SERVICE_STOPPED;
}

std::shared_ptr<ServiceRun> RunWithStatusHandle(SERVICE_STATUS_HANDLE handle) {
  std::shared_ptr<ServiceRun> run = RunOfCurrentProcess();
  if (!run || handle == nullptr || run->statusHandle != handle) return nullptr;
  return run;
}

void Queue(ServiceRun& run, QueuedControl control) {
  run.queue.push_back(std::move(control));
  WakeWaiters();
}

DWORD StartRefusal(const Registration& registration) {
  if (registration.startType == SERVICE_DISABLED) return ERROR_SERVICE_DISABLED;
  if (LiveServiceProcess()) return ERROR_SERVICE_ALREADY_RUNNING;
  if (!reg::SameName(ParseBinaryPath(registration.binaryPath).image, P().modulePath)) {
    return ERROR_FILE_NOT_FOUND;
  }
  return ERROR_SUCCESS;
}

void LaunchRun(const Registration& registration, const Program& program) {
  auto run = std::make_shared<ServiceRun>();
  run->name = registration.name;
  CommandLine line = ParseBinaryPath(registration.binaryPath);
  {
    auto lock = Lock();
    TheManager().current = run;
  }
  // The main thread names its process before the entry can reach the
  // dispatcher: in free-running mode it may get there before Launch returns.
  auto body = [run, program, line]() -> DWORD {
    {
      auto lock = Lock();
      run->process = Self()->process;
    }
    return CallEntry(program, line);
  };
  std::shared_ptr<Process> process = LaunchServiceProcess(program, std::move(body), true);
  auto lock = Lock();
  run->process = process;
}

DWORD Start(const std::wstring& name, const Program& program) {
  Registration registration;
  {
    auto lock = Lock();
    const Registration* found = FindByName(TheDatabase(), name);
    if (found == nullptr) return ERROR_SERVICE_DOES_NOT_EXIST;
    if (DWORD refusal = StartRefusal(*found)) return refusal;
    registration = *found;
  }
  LaunchRun(registration, program);
  return ERROR_SUCCESS;
}

DWORD Control(DWORD control) {
  auto lock = Lock();
  std::shared_ptr<ServiceRun> run = LiveRun();
  if (!run || ReportedStopped(*run)) return ERROR_SERVICE_NOT_ACTIVE;
  if (DWORD refusal = ControlRefusal(*run, control)) return refusal;
  Queue(*run, {control, 0, {}});
  return ERROR_SUCCESS;
}

std::vector<StatusReport> StatusHistory() {
  auto lock = Lock();
  return TheManager().history;
}

DWORD CurrentState() {
  auto lock = Lock();
  std::shared_ptr<ServiceRun> run = LiveRun();
  if (!run) return SERVICE_STOPPED;
  return run->status ? run->status->dwCurrentState : SERVICE_START_PENDING;
}

std::optional<SERVICE_STATUS> LastStatus() {
  auto lock = Lock();
  const std::shared_ptr<ServiceRun>& run = TheManager().current;
  if (!run) return std::nullopt;
  return run->status;
}

std::vector<Delivery> Deliveries() {
  auto lock = Lock();
  return TheManager().deliveries;
}

}  // namespace sim::services

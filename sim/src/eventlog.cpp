// The event log of the simulated machine: event sources as handles and the
// records written through them. Records live across process lives, until
// Reset, and are kept only while the machine's recorders are on.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kernel.h"
#include "sim/services.h"
#include "sim/win32/services.h"

namespace sim::eventlog {
namespace {

class SourceObject : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::EventSource;
  explicit SourceObject(std::wstring source) : source_(std::move(source)) {}
  HandleKind Kind() const override { return kKind; }
  const std::wstring& source() const { return source_; }

 private:
  std::wstring source_;
};

struct EventLog {
  std::vector<Record> records;
  bool available = true;
};

// Lock held. Never destroyed, so that nothing depends on the order of
// static destruction at exit.
EventLog& TheLog() {
  static EventLog* log = new EventLog;
  return *log;
}

// Reset hooks run while no simulated thread runs; they take no lock.
void ResetLog() { TheLog() = EventLog(); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetLog), true);

template <typename T>
T Failed(DWORD error, T result) {
  SetLastErrorValue(error);
  return result;
}

std::vector<std::wstring> Strings(WORD count, LPCWSTR* strings) {
  std::vector<std::wstring> copied;
  copied.reserve(count);
  // Windows passes a NULL insertion string on as an empty one.
  for (WORD i = 0; i < count; ++i) copied.emplace_back(strings[i] ? strings[i] : L"");
  return copied;
}

}  // namespace

const std::vector<Record>& Records() {
  auto lock = Lock();
  return TheLog().records;
}

void SetAvailable(bool available) {
  auto lock = Lock();
  TheLog().available = available;
}

}  // namespace sim::eventlog

using sim::eventlog::SourceObject;

// When the event log service does not answer, registering a source fails as
// an RPC call to a server that is not there.
HANDLE WINAPI RegisterEventSourceW(LPCWSTR lpUNCServerName, LPCWSTR lpSourceName) {
  using sim::eventlog::Failed;
  if (std::optional<uint32_t> fault =
          sim::Enter("RegisterEventSourceW", RPC_S_SERVER_UNAVAILABLE)) {
    return Failed<HANDLE>(*fault, nullptr);
  }
  if (lpUNCServerName != nullptr && *lpUNCServerName != L'\0') {
    return Failed<HANDLE>(RPC_S_SERVER_UNAVAILABLE, nullptr);
  }
  if (lpSourceName == nullptr) return Failed<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);

  auto lock = sim::Lock();
  if (!sim::eventlog::TheLog().available) return Failed<HANDLE>(RPC_S_SERVER_UNAVAILABLE, nullptr);
  return sim::AddHandle(std::make_shared<SourceObject>(lpSourceName));
}

BOOL WINAPI ReportEventW(HANDLE hEventLog, WORD wType, WORD wCategory, DWORD dwEventID,
                         PSID /*lpUserSid*/, WORD wNumStrings, DWORD /*dwDataSize*/,
                         LPCWSTR* lpStrings, LPVOID /*lpRawData*/) {
  using sim::eventlog::Failed;
  if (std::optional<uint32_t> fault = sim::Enter("ReportEventW", RPC_S_SERVER_UNAVAILABLE)) {
    return Failed<BOOL>(*fault, FALSE);
  }
  if (hEventLog == nullptr) return Failed<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (wNumStrings > 0 && lpStrings == nullptr) return Failed<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
  bool recording = sim::Recording();
  std::vector<std::wstring> strings;
  if (recording) strings = sim::eventlog::Strings(wNumStrings, lpStrings);

  auto lock = sim::Lock();
  auto source = sim::Find<SourceObject>(hEventLog, "ReportEventW");
  if (!source) return Failed<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (!recording) return TRUE;
  sim::eventlog::TheLog().records.push_back(sim::eventlog::Record{
      source->source(), wType, wCategory, dwEventID, std::move(strings), sim::CurrentProcessId()});
  return TRUE;
}

BOOL WINAPI DeregisterEventSource(HANDLE hEventLog) {
  using sim::eventlog::Failed;
  if (std::optional<uint32_t> fault = sim::Enter("DeregisterEventSource", ERROR_INVALID_HANDLE)) {
    return Failed<BOOL>(*fault, FALSE);
  }
  if (hEventLog == nullptr) return Failed<BOOL>(ERROR_INVALID_HANDLE, FALSE);

  auto lock = sim::Lock();
  if (!sim::RemoveHandle(hEventLog, sim::HandleKind::EventSource, "DeregisterEventSource")) {
    return Failed<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  }
  return TRUE;
}

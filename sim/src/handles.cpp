// The one handle table of the machine. Handle values are never reused, so
// every double close, use after close, use of another process's handle and
// use of a handle as the wrong kind of object is recognised and recorded.
#include "handles.h"

#include <cstdio>
#include <map>

#include "process.h"
#include "scheduler.h"
#include "sim/machine.h"
#include "threads.h"

namespace sim {
namespace {

constexpr uintptr_t kFirstHandle = 0x100;

struct Entry {
  std::shared_ptr<Object> object;  // null once closed
  HandleKind kind;
  uint64_t owner;  // process serial; 0 for the machine and a controller without process
};

struct Table {
  std::map<uintptr_t, Entry> entries;
  uintptr_t next = kFirstHandle;
  std::vector<std::string> faults;
};

Table& T() {
  static Table* table = new Table;
  return *table;
}

std::string Hex(uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

uintptr_t Value(HANDLE handle) { return reinterpret_cast<uintptr_t>(handle); }

uint64_t CurrentOwner() {
  Process* process = CurrentProcess();
  return process ? process->serial : 0;
}

void Fault(const char* api, HANDLE handle, const std::string& what) {
  T().faults.push_back(std::string(api) + ": handle " + Hex(Value(handle)) + " " + what);
}

// The open entry of the current process behind `handle`, or null after
// recording what was wrong with it.
Entry* OpenEntry(HANDLE handle, const char* api) {
  auto found = T().entries.find(Value(handle));
  if (found == T().entries.end()) {
    Fault(api, handle, "was never opened");
    return nullptr;
  }
  Entry& entry = found->second;
  if (!entry.object) {
    Fault(api, handle,
          std::string("is closed already (it was a ") + HandleKindName(entry.kind) + ")");
    return nullptr;
  }
  if (entry.owner != CurrentOwner()) {
    Fault(api, handle, "belongs to another process");
    return nullptr;
  }
  return &entry;
}

bool KindMatches(HANDLE handle, const Entry& entry, std::optional<HandleKind> kind,
                 const char* api) {
  if (!kind || entry.kind == *kind) return true;
  Fault(api, handle,
        std::string("has kind ") + HandleKindName(entry.kind) + ", not " + HandleKindName(*kind));
  return false;
}

// The objects behind the pseudo handles of the calling thread.
std::shared_ptr<Object> PseudoObject(HANDLE handle) {
  if (handle == CurrentProcessPseudoHandle()) return CurrentProcessObject();
  if (handle == CurrentThreadPseudoHandle() && Self()) return Self()->object;
  return nullptr;
}

bool IsPseudo(HANDLE handle) {
  return handle == CurrentProcessPseudoHandle() || handle == CurrentThreadPseudoHandle();
}

bool Closable(HandleKind kind) {
  switch (kind) {
    case HandleKind::Event:
    case HandleKind::Semaphore:
    case HandleKind::Thread:
    case HandleKind::Process:
    case HandleKind::Token:
    case HandleKind::File:
      return true;
    default:
      return false;
  }
}

}  // namespace

const char* HandleKindName(HandleKind kind) {
  switch (kind) {
    case HandleKind::Event:
      return "Event";
    case HandleKind::Semaphore:
      return "Semaphore";
    case HandleKind::Thread:
      return "Thread";
    case HandleKind::Process:
      return "Process";
    case HandleKind::Token:
      return "Token";
    case HandleKind::File:
      return "File";
    case HandleKind::RegistryKey:
      return "RegistryKey";
    case HandleKind::ServiceManager:
      return "ServiceManager";
    case HandleKind::Service:
      return "Service";
    case HandleKind::EventSource:
      return "EventSource";
    case HandleKind::DeviceInfoSet:
      return "DeviceInfoSet";
    case HandleKind::DeviceNotify:
      return "DeviceNotify";
    case HandleKind::Heap:
      return "Heap";
  }
  return "Unknown";
}

HANDLE AddHandle(std::shared_ptr<Object> object) {
  Table& table = T();
  uintptr_t value = table.next;
  table.next += 4;
  HandleKind kind = object->Kind();
  table.entries.emplace(value, Entry{std::move(object), kind, CurrentOwner()});
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<Object> FindHandle(HANDLE handle, HandleKind kind, const char* api) {
  if (IsPseudo(handle)) {
    std::shared_ptr<Object> object = PseudoObject(handle);
    if (object && object->Kind() == kind) return object;
  }
  Entry* entry = OpenEntry(handle, api);
  if (!entry || !KindMatches(handle, *entry, kind, api)) return nullptr;
  return entry->object;
}

std::shared_ptr<Object> FindWaitable(HANDLE handle, const char* api) {
  if (IsPseudo(handle)) {
    if (std::shared_ptr<Object> object = PseudoObject(handle)) return object;
  }
  Entry* entry = OpenEntry(handle, api);
  if (!entry) return nullptr;
  if (!entry->object->Waitable()) {
    Fault(api, handle,
          std::string("has kind ") + HandleKindName(entry->kind) + ", which cannot be waited for");
    return nullptr;
  }
  return entry->object;
}

bool RemoveHandle(HANDLE handle, std::optional<HandleKind> kind, const char* api) {
  Entry* entry = OpenEntry(handle, api);
  if (!entry || !KindMatches(handle, *entry, kind, api)) return false;
  entry->object.reset();
  return true;
}

bool CloseKernelHandle(HANDLE handle, const char* api) {
  // Closing a pseudo handle does nothing and succeeds, as on Windows.
  if (IsPseudo(handle)) return true;
  Entry* entry = OpenEntry(handle, api);
  if (!entry) return false;
  if (!Closable(entry->kind)) {
    Fault(api, handle,
          std::string("has kind ") + HandleKindName(entry->kind) + ", which " + api +
              " does not close");
    return false;
  }
  entry->object.reset();
  return true;
}

void RecordHandleFault(const std::string& what) { T().faults.push_back(what); }

std::vector<std::string> CloseHandlesOf(const Process& process) {
  std::vector<std::string> lines;
  for (auto& [value, entry] : T().entries) {
    if (!entry.object || entry.owner != process.serial) continue;
    lines.push_back(std::string(HandleKindName(entry.kind)) + " " + Hex(value));
    entry.object.reset();
  }
  return lines;
}

void ResetHandles() {
  Table& table = T();
  table.entries.clear();
  table.next = kFirstHandle;
  table.faults.clear();
}

const std::vector<std::string>& HandleFaults() {
  auto lock = Lock();
  return T().faults;
}

std::map<std::string, int> OpenHandles() {
  auto lock = Lock();
  std::map<std::string, int> counts;
  std::shared_ptr<Process> process = FollowedServiceProcess();
  if (!process) return counts;
  for (const auto& [value, entry] : T().entries) {
    if (entry.object && entry.owner == process->serial) ++counts[HandleKindName(entry.kind)];
  }
  return counts;
}

}  // namespace sim

BOOL WINAPI CloseHandle(HANDLE hObject) {
  if (auto error = sim::Enter("CloseHandle", ERROR_INVALID_HANDLE)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  if (!sim::CloseKernelHandle(hObject, "CloseHandle")) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

// Critical sections, modelled in the machine: entering one is a scheduling
// point, a thread that waits for one is a blocked thread the scheduler
// knows, and misuse (an uninitialised or deleted section, leaving one the
// thread does not own, deleting one that is held) is a recorded problem.
#include <map>
#include <memory>
#include <string>

#include "kernel.h"
#include "kernel_state.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

struct Section {
  DWORD owner = 0;
  LONG recursion = 0;
  bool deleted = false;
  uintptr_t cookie = 0;
};

struct Sections {
  std::map<const void*, std::shared_ptr<Section>> byAddress;
  uintptr_t nextCookie = 0x5EC70000;
};

Sections& L() {
  static Sections* sections = new Sections;
  return *sections;
}

void Mirror(CRITICAL_SECTION* cs, const Section& section) {
  cs->OwningThread = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(section.owner));
  cs->RecursionCount = section.recursion;
  cs->LockCount = section.owner == 0 ? -1 : 0;
}

std::shared_ptr<Section> InitialiseSection(CRITICAL_SECTION* cs, DWORD spinCount) {
  auto section = std::make_shared<Section>();
  section->cookie = L().nextCookie++;
  L().byAddress[cs] = section;
  cs->DebugInfo = nullptr;
  cs->LockSemaphore = reinterpret_cast<HANDLE>(section->cookie);
  cs->SpinCount = spinCount;
  Mirror(cs, *section);
  return section;
}

// The machine's record of a section that `api` uses. A section that was
// never initialised or was deleted is a recorded problem; the machine then
// carries on as if it had been initialised, so the run goes on.
std::shared_ptr<Section> UsedSection(CRITICAL_SECTION* cs, const char* api) {
  auto found = L().byAddress.find(cs);
  bool known = found != L().byAddress.end() &&
               reinterpret_cast<uintptr_t>(cs->LockSemaphore) == found->second->cookie;
  if (!known) {
    RecordProblem(std::string(api) + " on critical section " + AddressText(cs) +
                  ", which was never initialised");
    return InitialiseSection(cs, 0);
  }
  if (found->second->deleted) {
    RecordProblem(std::string(api) + " on critical section " + AddressText(cs) +
                  " after DeleteCriticalSection");
    found->second->deleted = false;
  }
  return found->second;
}

bool TakeSection(Section& section, DWORD me) {
  if (section.owner != 0 && section.owner != me) return false;
  section.owner = me;
  ++section.recursion;
  return true;
}

}  // namespace

void ResetCriticalSections() { L().byAddress.clear(); }

}  // namespace sim

BOOL WINAPI InitializeCriticalSectionEx(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount,
                                        DWORD Flags) {
  (void)Flags;
  if (auto error = sim::Enter("InitializeCriticalSectionEx", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto found = sim::L().byAddress.find(lpCriticalSection);
  if (found != sim::L().byAddress.end() && !found->second->deleted && found->second->owner != 0) {
    sim::RecordProblem("critical section " + sim::AddressText(lpCriticalSection) +
                       " initialised again while it is held");
  }
  sim::InitialiseSection(lpCriticalSection, dwSpinCount);
  return TRUE;
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  InitializeCriticalSectionEx(lpCriticalSection, 0, 0);
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  sim::Enter("EnterCriticalSection", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto section = sim::UsedSection(lpCriticalSection, "EnterCriticalSection");
  DWORD me = sim::CurrentThreadId();
  sim::WaitFor wait{[&section, me] { return section->owner == 0 || section->owner == me; },
                    [&section, me] { sim::TakeSection(*section, me); }, "EnterCriticalSection"};
  if (sim::Block(lock, wait, std::nullopt) != sim::WaitResult::Done) {
    sim::RecordProblem("EnterCriticalSection on " + sim::AddressText(lpCriticalSection) +
                       " could not wait: thread " + std::to_string(section->owner) +
                       " holds the section");
    return;
  }
  sim::Mirror(lpCriticalSection, *section);
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  sim::Enter("TryEnterCriticalSection", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto section = sim::UsedSection(lpCriticalSection, "TryEnterCriticalSection");
  if (!sim::TakeSection(*section, sim::CurrentThreadId())) return FALSE;
  sim::Mirror(lpCriticalSection, *section);
  return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  sim::Enter("LeaveCriticalSection", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto section = sim::UsedSection(lpCriticalSection, "LeaveCriticalSection");
  DWORD me = sim::CurrentThreadId();
  if (section->owner != me) {
    sim::RecordProblem("LeaveCriticalSection on " + sim::AddressText(lpCriticalSection) +
                       " by thread " + std::to_string(me) +
                       ", which does not own it (owner: " + std::to_string(section->owner) + ")");
    return;
  }
  if (--section->recursion == 0) {
    section->owner = 0;
    sim::WakeWaiters();
  }
  sim::Mirror(lpCriticalSection, *section);
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  sim::Enter("DeleteCriticalSection", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto section = sim::UsedSection(lpCriticalSection, "DeleteCriticalSection");
  if (section->owner != 0) {
    sim::RecordProblem("DeleteCriticalSection on " + sim::AddressText(lpCriticalSection) +
                       ", which thread " + std::to_string(section->owner) + " holds");
  }
  section->deleted = true;
  section->owner = 0;
  section->recursion = 0;
  sim::Mirror(lpCriticalSection, *section);
  sim::WakeWaiters();
}

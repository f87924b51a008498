// Events, semaphores, the two wait functions and Sleep.
#include <memory>
#include <set>
#include <vector>

#include "kernel.h"
#include "scheduler.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

class Event : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::Event;
  Event(bool manual, bool signaled) : manual_(manual), signaled_(signaled) {}
  HandleKind Kind() const override { return kKind; }
  bool Waitable() const override { return true; }
  bool Signaled() const override { return signaled_; }
  void Acquire() override {
    if (!manual_) signaled_ = false;
  }
  void Set(bool signaled) { signaled_ = signaled; }

 private:
  bool manual_;
  bool signaled_;
};

class Semaphore : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::Semaphore;
  Semaphore(LONG count, LONG maximum) : count_(count), maximum_(maximum) {}
  HandleKind Kind() const override { return kKind; }
  bool Waitable() const override { return true; }
  bool Signaled() const override { return count_ > 0; }
  void Acquire() override { --count_; }
  // False, with the count unchanged, when the release would pass the maximum.
  bool Release(LONG count, LONG* previous) {
    if (count > maximum_ - count_) return false;
    *previous = count_;
    count_ += count;
    return true;
  }

 private:
  LONG count_;
  LONG maximum_;
};

std::optional<uint64_t> Timeout(DWORD milliseconds) {
  if (milliseconds == INFINITE) return std::nullopt;
  return milliseconds;
}

DWORD WaitOutcome(WaitResult result, DWORD satisfied) {
  switch (result) {
    case WaitResult::Done:
      return satisfied;
    case WaitResult::Timeout:
      return WAIT_TIMEOUT;
    case WaitResult::Failed:
      break;
  }
  // Only a thread that is being ended sees a wait fail this way.
  SetLastError(ERROR_OPERATION_ABORTED);
  return WAIT_FAILED;
}

// Looks up every handle of a wait; null when one of them is bad.
std::optional<std::vector<std::shared_ptr<Object>>> WaitObjects(DWORD count, const HANDLE* handles,
                                                                const char* api) {
  std::vector<std::shared_ptr<Object>> objects;
  for (DWORD i = 0; i < count; ++i) {
    std::shared_ptr<Object> object = FindWaitable(handles[i], api);
    if (!object) return std::nullopt;
    objects.push_back(std::move(object));
  }
  return objects;
}

bool HasDuplicates(DWORD count, const HANDLE* handles) {
  std::set<HANDLE> seen(handles, handles + count);
  return seen.size() != count;
}

WaitFor WaitForAny(const std::vector<std::shared_ptr<Object>>& objects, DWORD& index) {
  WaitFor wait;
  wait.ready = [&objects] {
    for (const auto& object : objects) {
      if (object->Signaled()) return true;
    }
    return false;
  };
  wait.take = [&objects, &index] {
    for (DWORD i = 0; i < objects.size(); ++i) {
      if (!objects[i]->Signaled()) continue;
      objects[i]->Acquire();
      index = i;
      return;
    }
  };
  wait.what = "WaitForMultipleObjects(any)";
  return wait;
}

WaitFor WaitForAll(const std::vector<std::shared_ptr<Object>>& objects) {
  WaitFor wait;
  wait.ready = [&objects] {
    for (const auto& object : objects) {
      if (!object->Signaled()) return false;
    }
    return true;
  };
  wait.take = [&objects] {
    for (const auto& object : objects) object->Acquire();
  };
  wait.what = "WaitForMultipleObjects(all)";
  return wait;
}

}  // namespace
}  // namespace sim

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                           BOOL bInitialState, LPCWSTR lpName) {
  (void)lpEventAttributes;
  if (auto error = sim::Enter("CreateEventW", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return nullptr;
  }
  // The machine has no object namespace; the service creates unnamed objects.
  if (lpName != nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto lock = sim::Lock();
  return sim::AddHandle(
      std::make_shared<sim::Event>(bManualReset != FALSE, bInitialState != FALSE));
}

static BOOL SetEventState(HANDLE hEvent, bool signaled, const char* api) {
  if (auto error = sim::Enter(api, ERROR_INVALID_HANDLE)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto event = sim::Find<sim::Event>(hEvent, api);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Set(signaled);
  if (signaled) sim::WakeWaiters();
  return TRUE;
}

BOOL WINAPI SetEvent(HANDLE hEvent) { return SetEventState(hEvent, true, "SetEvent"); }
BOOL WINAPI ResetEvent(HANDLE hEvent) { return SetEventState(hEvent, false, "ResetEvent"); }

HANDLE WINAPI CreateSemaphoreW(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
                               LONG lMaximumCount, LPCWSTR lpName) {
  (void)lpSemaphoreAttributes;
  if (auto error = sim::Enter("CreateSemaphoreW", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return nullptr;
  }
  if (lMaximumCount <= 0 || lInitialCount < 0 || lInitialCount > lMaximumCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (lpName != nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto lock = sim::Lock();
  return sim::AddHandle(std::make_shared<sim::Semaphore>(lInitialCount, lMaximumCount));
}

BOOL WINAPI ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount) {
  if (auto error = sim::Enter("ReleaseSemaphore", ERROR_INVALID_HANDLE)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto semaphore = sim::Find<sim::Semaphore>(hSemaphore, "ReleaseSemaphore");
  if (!semaphore) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (lReleaseCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  LONG previous = 0;
  if (!semaphore->Release(lReleaseCount, &previous)) {
    SetLastError(ERROR_TOO_MANY_POSTS);
    return FALSE;
  }
  if (lpPreviousCount != nullptr) *lpPreviousCount = previous;
  sim::WakeWaiters();
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  if (auto error = sim::Enter("WaitForSingleObject", ERROR_INVALID_HANDLE)) {
    SetLastError(*error);
    return WAIT_FAILED;
  }
  auto lock = sim::Lock();
  std::shared_ptr<sim::Object> object = sim::FindWaitable(hHandle, "WaitForSingleObject");
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  sim::WaitFor wait{
      [&object] { return object->Signaled(); }, [&object] { object->Acquire(); },
      std::string("WaitForSingleObject(") + sim::HandleKindName(object->Kind()) + ")"};
  return sim::WaitOutcome(sim::Block(lock, wait, sim::Timeout(dwMilliseconds)), WAIT_OBJECT_0);
}

DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                    DWORD dwMilliseconds) {
  if (auto error = sim::Enter("WaitForMultipleObjects", ERROR_INVALID_HANDLE)) {
    SetLastError(*error);
    return WAIT_FAILED;
  }
  // Windows refuses a wait for all that names one handle twice.
  if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || lpHandles == nullptr ||
      (bWaitAll && sim::HasDuplicates(nCount, lpHandles))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  auto lock = sim::Lock();
  auto objects = sim::WaitObjects(nCount, lpHandles, "WaitForMultipleObjects");
  if (!objects) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  DWORD index = 0;
  sim::WaitFor wait = bWaitAll ? sim::WaitForAll(*objects) : sim::WaitForAny(*objects, index);
  sim::WaitResult result = sim::Block(lock, wait, sim::Timeout(dwMilliseconds));
  return sim::WaitOutcome(result, WAIT_OBJECT_0 + index);
}

void WINAPI Sleep(DWORD dwMilliseconds) {
  sim::Enter("Sleep", ERROR_SUCCESS);
  auto lock = sim::Lock();
  sim::ThreadRecord* self = sim::Self();
  // Sleep(0) gives the rest of the turn to the threads that are ready.
  if (dwMilliseconds == 0) {
    if (self != nullptr) sim::YieldTurn(lock, *self);
    return;
  }
  sim::WaitFor never{[] { return false; }, nullptr, "Sleep"};
  sim::Block(lock, never, sim::Timeout(dwMilliseconds));
}

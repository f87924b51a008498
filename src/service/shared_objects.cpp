// The shared thread objects: their storage, their start in every process
// life, their creation by the service main function, and the wake-up and
// wait helpers.
#include "service/shared_objects.h"

#include "launcher/popup_slots.h"

constinit ProcessWide<std::atomic<std::int32_t>> connectorActive;
constinit ProcessWide<std::atomic<std::int32_t>> IgnoreTrigger;
constinit ProcessWide<std::atomic<std::int32_t>> muteSeen;
constinit ProcessWide<std::atomic<std::int32_t>> muteNotifyInFlight;
constinit ProcessWide<std::atomic<std::uint8_t>> outputType;
constinit ProcessWide<std::atomic<std::int32_t>> foreignEndpoint;
constinit ProcessWide<std::atomic<std::int32_t>> jackTypePending;
constinit ProcessWide<std::atomic<std::int32_t>> startupInitialPending;

constinit ProcessWide<std::atomic<HANDLE>> hChangeEndpointSemaphore;
constinit ProcessWide<std::atomic<HANDLE>> hMuteStateSemaphore;
constinit ProcessWide<std::atomic<HANDLE>> hDelaySemaphore;
constinit ProcessWide<std::atomic<HANDLE>> hPopupSemaphore[POPUP_KIND_COUNT];
constinit ProcessWide<std::atomic<HANDLE>> hConnectorThread;
constinit ProcessWide<std::atomic<HANDLE>> hStopEvent;

namespace {

constexpr DWORD PAUSE_MS = 1000;

// Unnamed, default security, count 0, maximum 1.
HANDLE NewWakeUpSemaphore() { return CreateSemaphoreW(nullptr, 0, 1, nullptr); }

void StartFlags() {
  connectorActive.Create(0);
  IgnoreTrigger.Create(0);
  muteSeen.Create(1);
  muteNotifyInFlight.Create(0);
  outputType.Create(std::uint8_t{0});
  foreignEndpoint.Create(0);
  jackTypePending.Create(1);
  startupInitialPending.Create(0);
}

void StartHandles() {
  hChangeEndpointSemaphore.Create(nullptr);
  hMuteStateSemaphore.Create(nullptr);
  hDelaySemaphore.Create(nullptr);
  for (auto& semaphore : hPopupSemaphore) semaphore.Create(nullptr);
  hConnectorThread.Create(nullptr);
  hStopEvent.Create(nullptr);
}

}  // namespace

void StartSharedObjects() {
  StartFlags();
  StartHandles();
  for (auto& slot : popupSlots) slot.Create();
}

// The handles are not closed: they live until the process ends.
void EndSharedObjects() {
  for (auto& slot : popupSlots) slot.Destroy();
  hStopEvent.Destroy();
  hConnectorThread.Destroy();
  for (auto& semaphore : hPopupSemaphore) semaphore.Destroy();
  hDelaySemaphore.Destroy();
  hMuteStateSemaphore.Destroy();
  hChangeEndpointSemaphore.Destroy();
  startupInitialPending.Destroy();
  jackTypePending.Destroy();
  foreignEndpoint.Destroy();
  outputType.Destroy();
  muteNotifyInFlight.Destroy();
  muteSeen.Destroy();
  IgnoreTrigger.Destroy();
  connectorActive.Destroy();
}

bool CreateSharedObjects() {
  *hChangeEndpointSemaphore = NewWakeUpSemaphore();
  *hMuteStateSemaphore = NewWakeUpSemaphore();
  *hDelaySemaphore = NewWakeUpSemaphore();
  for (auto& semaphore : hPopupSemaphore) *semaphore = NewWakeUpSemaphore();
  return hChangeEndpointSemaphore->load() != nullptr;
}

// A semaphore that could not be created is null: nothing to release.
void WakeUp(HANDLE semaphore) {
  if (semaphore != nullptr) ReleaseSemaphore(semaphore, 1, nullptr);
}

bool WaitForWakeUp(HANDLE semaphore) {
  if (semaphore == nullptr) return false;
  return WaitForSingleObject(semaphore, INFINITE) == WAIT_OBJECT_0;
}

// Without its semaphore the pause is still a pause.
void PauseOneSecond() {
  HANDLE delay = *hDelaySemaphore;
  if (delay == nullptr) {
    Sleep(PAUSE_MS);
    return;
  }
  WaitForSingleObject(delay, PAUSE_MS);
}

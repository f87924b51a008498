// Starting, stopping and winding down a device connection.
#include "service/connection.h"

#include "device/device_connector.h"
#include "endpoint/endpoint_callback.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "platform/com_apartment.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

namespace {

constinit ProcessWide<SRWLOCK> connectorLock;

// How long the control handler waits for the connector thread to return
// before it cancels again, and how often it cancels before it ends the
// thread the hard way.
constexpr DWORD CANCEL_RETRY_MS = 100;
constexpr int CANCEL_ATTEMPTS = 50;

}  // namespace

ConnectorLockGuard::ConnectorLockGuard() { AcquireSRWLockExclusive(connectorLock.get()); }

ConnectorLockGuard::~ConnectorLockGuard() { ReleaseSRWLockExclusive(connectorLock.get()); }

void StartConnectorThread() {
  // Before the thread starts its workers: a worker that finds a wake-up
  // waiting must see its connection active.
  connectorActive->store(1);
  HANDLE thread = CreateThread(nullptr, 0, Thread_2, nullptr, 0, nullptr);
  if (thread == nullptr) {
    connectorActive->store(0);
    return;
  }
  HANDLE replaced = hConnectorThread->exchange(thread);
  if (replaced != nullptr) CloseHandle(replaced);
}

namespace {

// A cancelled request makes the connector routine return at once, since
// `connectorActive` is 0; so does a pause, which checks the flag after it.
bool CancelUntilReturned(HANDLE thread) {
  for (int attempt = 0; attempt < CANCEL_ATTEMPTS; ++attempt) {
    CancelSynchronousIo(thread);
    if (WaitForSingleObject(thread, CANCEL_RETRY_MS) == WAIT_OBJECT_0) return true;
  }
  return false;
}

}  // namespace

// A thread whose request cannot be cancelled is terminated, so that a
// removal or a pre-shutdown always finishes.
void StopConnectorThread() {
  HANDLE thread = hConnectorThread->exchange(nullptr);
  if (thread == nullptr) return;
  if (!CancelUntilReturned(thread)) {
    TerminateThread(thread, 0);
    WaitForSingleObject(thread, INFINITE);
  }
  CloseHandle(thread);
}

void WaitForEndedConnector() {
  HANDLE thread = hConnectorThread->exchange(nullptr);
  if (thread == nullptr) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

namespace {

void WakeConnectionWorkers() {
  WakeUp(*hChangeEndpointSemaphore);
  if (IsFeatureOn(MuteStaeReport)) WakeUp(*hMuteStateSemaphore);
  if (IsFeatureOn(VolumeLimitPopupWindow)) WakeUp(*hPopupSemaphore[VOLUME_LIMIT_POPUP]);
  if (IsFeatureOn(SwitchPopupWindow)) WakeUp(*hPopupSemaphore[SWITCH_WINDOW]);
}

void EndConnectionPopups() {
  if (IsFeatureOn(VolumeLimitPopupWindow)) popupSlots[VOLUME_LIMIT_POPUP]->End();
  if (IsFeatureOn(SwitchPopupWindow)) popupSlots[SWITCH_WINDOW]->End();
}

void ReleaseCodecDevice() {
  codecDevice->Disconnect();
  codecDevice->ClearInterfaces();
}

}  // namespace

void WindDownConnection() {
  WakeConnectionWorkers();
  EndConnectionPopups();
  ReleaseCodecDevice();
  JoinComApartment();
  serviceEndpoint->Dispose();
}

void StartConnectionObjects() { connectorLock.Create(); }

void EndConnectionObjects() { connectorLock.Destroy(); }

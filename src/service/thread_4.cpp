// The audio switch window's watcher: passes the window's answer to the
// driver on a device handle of its own and, when the answer asks for it,
// makes the endpoints on the analog jacks the default devices.
#include "device/device_handles.h"
#include "device/driver_requests.h"
#include "diagnostics/trace.h"
#include "endpoint/default_switch.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

namespace {

using DetailBlock = HeapBlock<SP_DEVICE_INTERFACE_DETAIL_DATA_W>;

void PassAnswer(HANDLE ownDevice, DWORD exitCode) {
  SwitchAnswer answer = SwitchAnswerFor(exitCode);
  if (!SendSwitchAnswer(ownDevice, answer)) {
    WriteTrace(L"DeviceIoControl failed on hThread_4");
    return;
  }
  if (answer == SWITCH_ANSWER_NONE) return;
  ERole role = SwitchRoleFor(exitCode);
  WriteTrace(L"Start to change the endpoint, eRole is: %d", role);
  PauseOneSecond();
  // The probe joins this thread to COM (apartment-threaded) before the
  // policy-config objects are made.
  SwitchDefaultsToJack(role);
}

// A failed read of the exit code counts as 0.
void WatchWindow(HANDLE ownDevice) {
  PopupSlot& slot = *popupSlots[SWITCH_WINDOW];
  PopupWatch watch = slot.TakeLaunch();
  if (!watch) return;
  watch.WaitForExit();
  DWORD switchExitCode = 0;
  watch.GetExitCode(&switchExitCode);
  if (IsFeatureOn(KoruAudioServiceSwitchUsed)) PassAnswer(ownDevice, switchExitCode);
  slot.Finish(watch);
}

}  // namespace

DWORD WINAPI Thread_4(LPVOID detailBlock) {
  DetailBlock block =
      DetailBlock::Adopt(static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(detailBlock));
  UniqueFileHandle ownDevice = OpenCodecDevice(block.get()->DevicePath);
  if (!ownDevice) {
    DWORD error = GetLastError();
    WriteTrace(L"CreateFile failed at hThread4. Error: %d", error);
    return 0;
  }
  while (WaitForWakeUp(*hPopupSemaphore[SWITCH_WINDOW]) && connectorActive->load() != 0) {
    WatchWindow(ownDevice.get());
  }
  WriteTrace(L"Thread_4 terminate");
  return 0;
}

// The volume-limit popup's watcher: acts on the popup's answer while the
// output is the headphone.
#include "diagnostics/trace.h"
#include "endpoint/endpoint_callback.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "platform/com_apartment.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"
#include "settings/loaded_values.h"

namespace {

// 0: the volume goes down to the limit; 1: no more prompts until the
// volume was below the limit; anything else, 4 when the service ended the
// popup among them: nothing but the prompts re-armed.
void ActOnAnswer(DWORD popupExitCode) {
  switch (popupExitCode) {
    case 0:
      serviceEndpoint->setVolume(*volumeLimit, &GUID_NULL);
      WriteTrace(L"Set volume to volumeLimit");
      IgnoreTrigger->store(0);
      break;
    case 1:
      WriteTrace(L"Ignore popup trigger");
      IgnoreTrigger->store(1);
      break;
    default:
      WriteTrace(L"Exit on default");
      IgnoreTrigger->store(0);
      break;
  }
}

// `popupExitCode` keeps its value when the exit code cannot be read.
void WatchPopup(DWORD* popupExitCode) {
  PopupSlot& slot = *popupSlots[VOLUME_LIMIT_POPUP];
  PopupWatch watch = slot.TakeLaunch();
  if (!watch) return;
  watch.WaitForExit();
  watch.GetExitCode(popupExitCode);
  WriteTrace(L"Exit status: %d", *popupExitCode);
  // Once the output is no longer the headphone, the popup belongs to the
  // connector routine, which ends it and lets go of its handles.
  if (outputType->load() != 1) return;
  ActOnAnswer(*popupExitCode);
  slot.Finish(watch);
}

}  // namespace

DWORD WINAPI Thread_3(LPVOID) {
  JoinComApartment();
  DWORD popupExitCode = 0;
  while (WaitForWakeUp(*hPopupSemaphore[VOLUME_LIMIT_POPUP]) && connectorActive->load() != 0) {
    WatchPopup(&popupExitCode);
  }
  WriteTrace(L"Thread_3 terminate");
  return 0;
}

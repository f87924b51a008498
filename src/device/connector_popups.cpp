// The connector's popups: launched and ended through their slots.
#include "device/connector_popups.h"

#include "device/connector_steps.h"
#include "diagnostics/trace.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"

namespace {

// A launch that may be tried again (no console session yet) is tried once
// a second, never in a tight loop that would burn a core and hold the
// connection.
bool LaunchUntilDone(int kind) {
  for (;;) {
    if (LaunchPopup(kind) != 0) return true;
    PauseOneSecond();
    if (ConnectionEndedElsewhere()) return false;
  }
}

}  // namespace

void EndChimeAndSwitchWindows() {
  popupSlots[CHIME_WINDOW]->End();
  popupSlots[SWITCH_WINDOW]->End();
}

void LaunchSwitchWindow() {
  popupSlots[SWITCH_WINDOW]->MarkRunning();
  WriteTrace(L"Start to popup KoruAudioSwitchWindow");
  LaunchPopup(SWITCH_WINDOW);
}

void LaunchVolumeLimitPopup() {
  if (!popupSlots[VOLUME_LIMIT_POPUP]->Claim()) return;
  WriteTrace(L"Start to popup");
  LaunchPopup(VOLUME_LIMIT_POPUP);
}

bool StartChimeWindow() {
  if (!popupSlots[CHIME_WINDOW]->Claim()) return true;
  if (LaunchUntilDone(CHIME_WINDOW)) return true;
  // Nothing was started, so nothing is terminated: only the flag is
  // cleared, and a later reset may try again.
  popupSlots[CHIME_WINDOW]->End();
  return false;
}

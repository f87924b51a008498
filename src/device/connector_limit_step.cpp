// The connector's volume-limit step, after every handled pass: the
// volume-limit popup for a headphone volume above the limit, and its end
// once the volume is below the limit or the output is no headphone.
#include "device/connector_steps.h"

#include "device/connector_popups.h"
#include "diagnostics/trace.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

ConnectorStep ConnectorSteps::VolumeLimit() {
  if (IsFeatureOn(VolumeLimitPopupWindow)) CheckVolumeLimit();
  previousType_ = outputType->load();
  return ConnectorStep::Wait;
}

// Signed comparisons: a volume equal to the limit neither starts, re-arms
// nor ends the popup. Prompts ignored by the user are allowed again once
// the volume is below the limit.
void ConnectorSteps::CheckVolumeLimit() {
  if (outputType->load() == JACK_HEADPHONE) {
    if (volume_ > *volumeLimit && IgnoreTrigger->load() == 0) LaunchVolumeLimitPopup();
    if (volume_ < *volumeLimit && IgnoreTrigger->load() == 1) {
      WriteTrace(L"Start to receive popup trigger");
      *IgnoreTrigger = 0;
    }
  }
  if (outputType->load() != JACK_HEADPHONE || volume_ < *volumeLimit) {
    popupSlots[VOLUME_LIMIT_POPUP]->End();
  }
}

// Making the endpoints on the analog jacks the Windows default devices: the
// step that follows the audio switch window's answer, taken by the service's
// watcher or, when the service leaves it to the window, by the window itself.
#pragma once

#include "endpoint/jack_probe.h"
#include "platform/win32.h"

// The role, and probe mode, that the window's answer asks for: 2 (a headset
// with its microphone) the communications role, 1 and 3 the console role.
constexpr ERole SwitchRoleFor(DWORD answer) { return answer == 2 ? eCommunications : eConsole; }

// Each endpoint becomes the default for multimedia and communications, in
// list order; one whose policy-config object cannot be made is skipped and
// the results of the switches are not examined. The calling thread must be
// in a COM apartment.
void MakeDefaults(const SpecifiedDevices& ids);

// Probes the jacks with `mode` (as GetSpecifiedDevices, which joins the
// calling thread to COM) and makes every endpoint it found a default.
void SwitchDefaultsToJack(int mode);

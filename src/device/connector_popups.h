// How the device connector routine starts and ends popups, all through the
// popup slots, so that no other routine launches or ends the same popup
// twice.
#pragma once

// Ends a running chime window, then a running audio switch window, before
// an output's settings are loaded.
void EndChimeAndSwitchWindows();
// Marks the audio switch window running and launches it; whether the
// launch worked is not examined.
void LaunchSwitchWindow();
// Launches the volume-limit popup unless it runs or is being launched:
// claiming the slot is one step, so that the endpoint callback and the
// connector never both launch it.
void LaunchVolumeLimitPopup();
// After a reset: launches the chime window unless it runs, trying again
// once a second until a launch is done. False when the connection was
// ended from outside meanwhile; the slot's claim is then given back.
bool StartChimeWindow();

// Starting a popup program on the interactive desktop of the console
// user's session, with the user's own token.
#pragma once

// Popup kinds.
inline constexpr int VOLUME_LIMIT_POPUP = 0;
inline constexpr int SWITCH_WINDOW = 1;
inline constexpr int CHIME_WINDOW = 2;

// Starts the popup of `kind`, hands its handles to the kind's slot and
// wakes the kind's watcher. Returns 1 when there is nothing more to do:
// the kind is unknown or switched off, nobody is logged on at the console
// (so nobody would see it), the user's token cannot be duplicated, or the
// popup was started. Returns 0 when the launch failed and may be tried
// again: no session is attached to the console, or the process was not
// created. Never waits for the popup.
int LaunchPopup(int kind);

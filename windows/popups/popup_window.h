// The one window of each popup program: a heading, a message and a row of
// push buttons, each button ending the program with its own exit code.
#pragma once

#include <windows.h>

struct PopupButton {
  // The caption, with "&" before its mnemonic letter.
  const wchar_t* text;
  int exitCode;
};

struct PopupWindow {
  // The caption bar's text, by which the window is found.
  const wchar_t* title;
  // Drawn in bold at the top of the client area, where it is read first.
  const wchar_t* heading;
  const wchar_t* message;
  // In Tab order; the first one is the default button (Enter).
  const PopupButton* buttons;
  int buttonCount;
  // Client-area size and button width in pixels at 96 dpi; scaled to the
  // system's dpi.
  int clientWidth;
  int buttonWidth;
  // The exit code of Esc, the close box and Alt+F4, and of the timer.
  int closeExitCode;
  // 0: the window waits for an answer. Otherwise it closes itself after
  // this many milliseconds, or at a click anywhere on it.
  UINT autoCloseMs;
};

// Shows the window centred on the screen, topmost and in front, even when
// the program was started hidden, and runs it until it is answered or
// closed. Returns the exit code of the answer.
int RunPopupWindow(HINSTANCE instance, int showCommand, const PopupWindow& popup);

// ChimeWindow.exe: a system sound and a short notice that the audio device
// was reset, which closes itself. Always exits with 0.
#include "popup_window.h"

// After windows.h, which it builds on.
#include <mmsystem.h>

namespace {

constexpr PopupButton BUTTONS[] = {
    {L"OK", 0},
};

constexpr PopupWindow CHIME_WINDOW = {
    L"Audio device reset",
    L"The audio device was reset",
    L"Sound plays again in a moment. This notice closes by itself.",
    BUTTONS,
    1,
    360,
    88,
    0,
    3000,
};

// The sound of a device being connected; the information beep where that
// sound is not set.
void PlayChime() {
  if (!PlaySoundW(L"DeviceConnect", nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT)) {
    MessageBeep(MB_ICONASTERISK);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  PlayChime();
  return RunPopupWindow(instance, showCommand, CHIME_WINDOW);
}

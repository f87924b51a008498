// KoruAudioSwitchWindow.exe: which device was plugged into the headphone
// jack. Exits with 1 (headphones), 2 (headset) or 3 (other device), 4 when
// closed. With the argument 0 the window makes the jack's endpoints the
// default devices itself; with 1 the service does so from the exit code.
#include <cwctype>

#include "endpoint/default_switch.h"
#include "platform/win32.h"
#include "popup_window.h"

namespace {

constexpr int HEADPHONES = 1;
constexpr int HEADSET = 2;
constexpr int OTHER_DEVICE = 3;
constexpr int NOT_ANSWERED = 4;

constexpr PopupButton BUTTONS[] = {
    {L"&Headphones", HEADPHONES},
    {L"Head&set (with microphone)", HEADSET},
    {L"&Other device", OTHER_DEVICE},
};

constexpr PopupWindow SWITCH_WINDOW = {
    L"Audio device plugged in",
    L"Which device did you plug in?",
    L"Choose the device you connected to the audio jack, so that sound "
    L"plays and records on the right device.",
    BUTTONS,
    3,
    576,
    176,
    NOT_ANSWERED,
    0,
};

// The service's command line is the unquoted path (which may hold blanks)
// followed by a blank and one digit, so only its end is read.
bool WindowMakesTheSwitch() {
  const wchar_t* line = GetCommandLineW();
  size_t end = wcslen(line);
  while (end > 0 && std::iswspace(line[end - 1])) --end;
  return end >= 2 && line[end - 1] == L'0' && std::iswspace(line[end - 2]);
}

// The headset's microphone and output both become defaults; for the
// other answers only the output.
void SwitchDefaults(int answer) {
  StartJackProbe();
  SwitchDefaultsToJack(SwitchRoleFor(static_cast<DWORD>(answer)));
  EndJackProbe();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  int answer = RunPopupWindow(instance, showCommand, SWITCH_WINDOW);
  if (answer != NOT_ANSWERED && WindowMakesTheSwitch()) SwitchDefaults(answer);
  return answer;
}

// KoruPopupWindow.exe: the headphone volume is above the safe limit. The
// service lowers the volume to the limit on 0, stops asking on 1 and leaves
// the volume as it is on 2 (and on any other code).
#include "popup_window.h"

namespace {

constexpr PopupButton BUTTONS[] = {
    {L"&Lower to the limit", 0},
    {L"&Don't ask again", 1},
    {L"&Keep this volume", 2},
};

constexpr PopupWindow VOLUME_LIMIT_POPUP = {
    L"Headphone volume limit",
    L"The headphone volume is above the safe limit",
    L"Listening at a high volume for a long time can damage your hearing. "
    L"Lower the volume to the limit?",
    BUTTONS,
    3,
    480,
    136,
    2,
    0,
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  return RunPopupWindow(instance, showCommand, VOLUME_LIMIT_POPUP);
}

// The popup executable names, built at process start and released at its end.
#include "launcher/popup_exe_names.h"

constinit ProcessWide<PopupExeNames> popupExeNames;

PopupExeNames::PopupExeNames()
    : names_{L"KoruPopupWindow.exe", L"KoruAudioSwitchWindow.exe", L"ChimeWindow.exe"} {}

// The file names of the three popup executables that lie beside the
// service's own executable.
#pragma once

#include <string>

#include "service/process_wide.h"

// Popup kinds: 0 the volume-limit popup, 1 the audio switch window, 2 the
// chime window.
inline constexpr int POPUP_KIND_COUNT = 3;

class PopupExeNames {
 public:
  PopupExeNames();
  // `kind` is 0..POPUP_KIND_COUNT-1.
  const wchar_t* name(int kind) const { return names_[kind].c_str(); }

 private:
  std::wstring names_[POPUP_KIND_COUNT];
};

extern ProcessWide<PopupExeNames> popupExeNames;

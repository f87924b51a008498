// The bits of the feature word "ServiceVersion". Each switches a whole
// behaviour of the service on; the names follow their start-up trace text.
#pragma once

#include "platform/win32.h"

inline constexpr DWORD VolumeLimitPopupWindow = 0x0001;
inline constexpr DWORD VolumeCallbakRegister = 0x0002;
inline constexpr DWORD SwitchPopupWindow = 0x0004;
inline constexpr DWORD PropertyInitial = 0x0008;
inline constexpr DWORD FxProperty = 0x0010;
inline constexpr DWORD PropertySet = 0x0020;
inline constexpr DWORD StartupInitial = 0x0040;
inline constexpr DWORD MuteStaeReport = 0x0080;
inline constexpr DWORD KoruAudioServiceSwitchUsed = 0x0100;
inline constexpr DWORD ChimeWindowUsed = 0x0200;
inline constexpr DWORD HDMIPriority = 0x0400;
inline constexpr DWORD HDMIFallback = 0x0800;
// Not a flag but a field: a jack connection type in the numbering of
// EPcxConnectionType, whose devices get default-device priority; 0 = none.
inline constexpr DWORD PriorityConnectionType = 0xF000;
inline constexpr int PRIORITY_CONNECTION_TYPE_SHIFT = 12;

constexpr DWORD PriorityConnectionTypeOf(DWORD version) {
  return (version & PriorityConnectionType) >> PRIORITY_CONNECTION_TYPE_SHIFT;
}

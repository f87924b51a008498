// The start-up trace of the feature word. The order of its lines is part of
// the trace's vocabulary: the low byte from 0x80 down to 0x01, then 0x100
// up to 0x400.
#include "settings/feature_trace.h"

#include "diagnostics/trace.h"
#include "settings/feature_flags.h"

namespace {

struct FlagTrace {
  DWORD flag;
  const wchar_t* onText;
  const wchar_t* offText;
};

// HDMIFallback and the priority connection type are not traced.
constexpr FlagTrace flagTraces[] = {
    {MuteStaeReport, L"MuteStaeReport Version", L"NonMuteStaeReport Version"},
    {StartupInitial, L"StartupInitial Version", L"NonStartupInitial Version"},
    {PropertySet, L"PropertySet Version", L"NonPropertySet Version"},
    {FxProperty, L"FxProperty Version", L"EdProperty Version"},
    {PropertyInitial, L"PropertyInitial Version", L"NonPropertyInitial Version"},
    {SwitchPopupWindow, L"SwitchPopupWindow Version", L"NonSwitchPopupWindow Version"},
    {VolumeCallbakRegister, L"VolumeCallbakRegister Version", L"NonVolumeCallbakRegister Version"},
    {VolumeLimitPopupWindow, L"VolumeLimitPopupWindow Version",
     L"NonVolumeLimitPopupWindow Version"},
    {KoruAudioServiceSwitchUsed, L"KoruAudioServiceSwitchUsed Version",
     L"KoruAudioSwitchWindow Version"},
    {ChimeWindowUsed, L"ChimeWindowUsed Version", L"NonChimeWindowUsed Version"},
    {HDMIPriority, L"HDMIPriority Version", L"NonHDMIPriority Version"},
};

}  // namespace

void TraceServiceVersion(DWORD version) {
  WriteTrace(L"serviceVersion.version 0x%x", version);
  for (const FlagTrace& trace : flagTraces) {
    WriteTrace(L"%s", (version & trace.flag) != 0 ? trace.onText : trace.offText);
  }
}

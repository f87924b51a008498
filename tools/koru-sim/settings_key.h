// Where the service keeps its settings, as the scenario steps address them.
#pragma once

namespace koru::scn {

inline constexpr char kSettingsKey[] = "HKEY_CLASSES_ROOT\\KoruAudio";

}  // namespace koru::scn

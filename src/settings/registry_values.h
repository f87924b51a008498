// The six settings values under HKEY_CLASSES_ROOT\KoruAudio: index, name
// and the default written when the key is new or a value is missing.
#pragma once

#include "platform/win32.h"

inline constexpr char SETTINGS_KEY_NAME[] = "KoruAudio";

enum class RegistryValueIndex : int {
  SpeakerVolume = 0,    // percent 0..100
  HeadphoneVolume = 1,  // percent 0..100
  SpeakerMute = 2,      // 0 or 1
  HeadphoneMute = 3,    // 0 or 1
  VolumeLimit = 4,      // headphone percent above which the limit popup is offered
  ServiceVersion = 5,   // the feature word
};
inline constexpr int REGISTRY_VALUE_COUNT = 6;

inline constexpr const char* registryValueNames[REGISTRY_VALUE_COUNT] = {
    "SpeakerVolume", "HeadphoneVolume", "SpeakerMute",
    "HeadphoneMute", "VolumeLimit",     "ServiceVersion",
};
inline constexpr DWORD defaultValues[REGISTRY_VALUE_COUNT] = {60, 17, 0, 0, 30, 0xFF};

inline const char* RegistryValueName(RegistryValueIndex index) {
  return registryValueNames[static_cast<int>(index)];
}
inline DWORD DefaultValue(RegistryValueIndex index) {
  return defaultValues[static_cast<int>(index)];
}

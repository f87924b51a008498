// The two settings loaded once while the process starts: the headphone
// volume limit and the feature word. Written before any thread of the
// service exists and only read afterwards, so they need no lock.
#pragma once

#include "platform/win32.h"
#include "service/process_wide.h"

struct ServiceVersion {
  DWORD version;
};

// What holds when the settings key cannot be read: a limit of 30 and only
// the volume-limit popup switched on.
inline constexpr int BUILT_IN_VOLUME_LIMIT = 30;
inline constexpr DWORD BUILT_IN_SERVICE_VERSION = 0x1;

extern ProcessWide<int> volumeLimit;
extern ProcessWide<ServiceVersion> serviceVersion;

// Whether a flag of the feature word (settings/feature_flags.h) is set.
inline bool IsFeatureOn(DWORD flag) { return (serviceVersion->version & flag) != 0; }

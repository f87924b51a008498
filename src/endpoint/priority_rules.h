// The rules of the default-device priority policy: which connection type
// has priority, and the roles for which each place of the service makes an
// endpoint the default, in the order of its calls.
#pragma once

#include <array>

#include "platform/win32.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

// The jack connection type whose endpoints get priority; 0 for none.
inline DWORD PriorityType() { return PriorityConnectionTypeOf(serviceVersion->version); }

// The start-up scans and the check of an arrived HDMI endpoint.
inline constexpr std::array<ERole, 2> SCAN_ROLES = {eMultimedia, eCommunications};
// An arrived HDMI or priority endpoint, once recognised.
inline constexpr std::array<ERole, 3> ARRIVAL_ROLES = {eMultimedia, eCommunications, eConsole};
// An endpoint that became active, and the fall back to HDMI.
inline constexpr std::array<ERole, 3> STATE_ROLES = {eMultimedia, eConsole, eCommunications};

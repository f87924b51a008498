// The one platform include of the service: the Windows SDK when built for
// Windows, the simulated machine otherwise. Service code includes nothing
// else of the platform.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define STRSAFE_NO_DEPRECATE
#include <windows.h>

// After windows.h, which it builds on.
#include <strsafe.h>
#include <userenv.h>
#include <wtsapi32.h>
// Device-interface events: the broadcast records of SERVICE_CONTROL_DEVICEEVENT.
#include <dbt.h>
// The codec's device interface: SetupAPI discovery and the control codes.
#include <setupapi.h>
#include <winioctl.h>
// COM and the audio stack: the MMDevice API, endpoint volume, device topology.
#include <objbase.h>

#include <devicetopology.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>
// StrCmpCW, the exact comparison of endpoint ids.
#include <shlwapi.h>
// The SDK's COM interfaces have public non-virtual destructors (objects end
// through Release), so every class that implements one trips GCC's
// -Wnon-virtual-dtor here. The host build, whose interfaces have protected
// destructors, keeps the warning for every class of the service.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
#else
#include "sim/windows.h"
#endif

// The Win32 surface of the simulated machine: what the service sees instead
// of the SDK headers when it is built for Linux.
#pragma once

#include "sim/win32/audio.h"
#include "sim/win32/base.h"
#include "sim/win32/com.h"
#include "sim/win32/dbt.h"
#include "sim/win32/devio.h"
#include "sim/win32/kernel.h"
#include "sim/win32/registry.h"
#include "sim/win32/services.h"
#include "sim/win32/session.h"
#include "sim/win32/setupapi.h"
#include "sim/win32/strings.h"

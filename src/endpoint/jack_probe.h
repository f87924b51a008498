// The jack connection-type probe: which active endpoints sit on an analog
// jack, so that the audio switch window's answer can make them the
// defaults.
#pragma once

#include <string>
#include <vector>

#include "service/process_wide.h"

// Endpoint ids, capture ids first, each flow in enumeration order; an
// endpoint with two analog jacks is listed twice.
using SpecifiedDevices = std::vector<std::wstring>;

// What the last probe found. Created empty at its first use, destroyed at
// process exit; only the audio switch window's watcher uses it.
extern ProcessWide<SpecifiedDevices> specifiedDevices;

// Mode 0: the render endpoints; 1 or 2: the capture endpoints, then the
// render endpoints; any other mode: none. Only a flow with more than one
// active endpoint is examined. On return `specifiedDevices` holds the ids
// this call found, and nothing of earlier calls. The calling thread joins
// COM apartment-threaded (and stays); the probe makes its own enumerator.
void GetSpecifiedDevices(int mode);

// Part of the process start-up and shut-down (service/process_life.cpp):
// the first use of `specifiedDevices` in each process life creates it.
void StartJackProbe();
void EndJackProbe();

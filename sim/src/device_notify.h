// Device-interface events inside the machine: for the machine's own code
// that announces an event while it holds the machine lock.
#pragma once

#include <string>

#include "kernel.h"

namespace sim::services {

// DeliverDeviceInterfaceEvent (sim/services.h) with the machine lock held.
int QueueDeviceInterfaceEvent(const GUID& cls, DWORD eventType, DWORD devType,
                              const std::wstring& path);

}  // namespace sim::services

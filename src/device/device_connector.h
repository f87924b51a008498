// The service's link to the codec's kernel driver.
#pragma once

#include "service/process_wide.h"

// Finds, opens and talks to the codec driver's device interface. Its
// members and methods arrive with device discovery.
class DeviceConnector {};

extern ProcessWide<DeviceConnector> codecDevice;

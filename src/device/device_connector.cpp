// The one device object of the process.
#include "device/device_connector.h"

constinit ProcessWide<DeviceConnector> codecDevice;

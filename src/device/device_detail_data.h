// One enumerated codec interface: its detail block with the device path,
// its description and its location, each a block of the process heap that
// the record frees, except a detail block handed over to another owner.
#pragma once

#include "device/device_handles.h"
#include "platform/win32.h"

struct DeviceDetailData {
  HeapBlock<SP_DEVICE_INTERFACE_DETAIL_DATA_W> pDeviceInterfaceDetailData;
  HeapBlock<WCHAR> deviceName;
  // Empty when the device has no location information.
  HeapBlock<WCHAR> deviceLocation;

  // The path to open; null when the record has no detail block.
  LPCWSTR devicePath() const {
    return pDeviceInterfaceDetailData.get() ? pDeviceInterfaceDetailData.get()->DevicePath
                                            : nullptr;
  }
};

// Device notifications of the simulated machine: the broadcast records that a
// service's control handler receives with SERVICE_CONTROL_DEVICEEVENT, and the
// registration of a service status handle for device-interface events.
#pragma once

#include <cstddef>

#include "sim/win32/base.h"

// Event types of SERVICE_CONTROL_DEVICEEVENT.
#define DBT_DEVICEARRIVAL 0x8000u
#define DBT_DEVICEQUERYREMOVE 0x8001u
#define DBT_DEVICEQUERYREMOVEFAILED 0x8002u
#define DBT_DEVICEREMOVEPENDING 0x8003u
#define DBT_DEVICEREMOVECOMPLETE 0x8004u
#define DBT_CUSTOMEVENT 0x8006u

// dbch_devicetype values.
#define DBT_DEVTYP_OEM 0x00000000u
#define DBT_DEVTYP_VOLUME 0x00000002u
#define DBT_DEVTYP_PORT 0x00000003u
#define DBT_DEVTYP_DEVICEINTERFACE 0x00000005u
#define DBT_DEVTYP_HANDLE 0x00000006u

struct DEV_BROADCAST_HDR {
  DWORD dbch_size;
  DWORD dbch_devicetype;
  DWORD dbch_reserved;
};
using PDEV_BROADCAST_HDR = DEV_BROADCAST_HDR*;

// dbcc_name is as long as the interface's path; dbcc_size counts it.
struct DEV_BROADCAST_DEVICEINTERFACE_W {
  DWORD dbcc_size;
  DWORD dbcc_devicetype;
  DWORD dbcc_reserved;
  GUID dbcc_classguid;
  WCHAR dbcc_name[1];
};
using PDEV_BROADCAST_DEVICEINTERFACE_W = DEV_BROADCAST_DEVICEINTERFACE_W*;

// 32 bytes, as on 64-bit Windows: there a 2-byte name padded to 4, here the
// machine's 4-byte wchar_t.
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32);
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_classguid) == 12);

// Recipient kinds and options of RegisterDeviceNotificationW.
#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000u
#define DEVICE_NOTIFY_SERVICE_HANDLE 0x00000001u
#define DEVICE_NOTIFY_ALL_INTERFACE_CLASSES 0x00000004u

HDEVNOTIFY WINAPI RegisterDeviceNotificationW(HANDLE hRecipient, LPVOID NotificationFilter,
                                              DWORD Flags);
BOOL WINAPI UnregisterDeviceNotification(HDEVNOTIFY Handle);

// The service's link to the codec's kernel driver: finding and opening its
// device interface, the records of the enumerated interfaces, and the
// requests on the open device.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "device/device_detail_data.h"
#include "device/device_handles.h"
#include "device/driver_requests.h"
#include "device/shared_device_handle.h"
#include "platform/win32.h"
#include "service/process_wide.h"

class EndpointCallback;

// What a record of `interfaces` says, copied out for readers.
struct InterfaceSummary {
  std::wstring devicePath;
  std::wstring deviceName;
  std::optional<std::wstring> deviceLocation;
};

class DeviceConnector {
 public:
  // The initial state: nothing enumerated, nothing open.
  DeviceConnector() = default;
  DeviceConnector(const DeviceConnector&) = delete;
  DeviceConnector& operator=(const DeviceConnector&) = delete;

  // Enumerates the present codec interfaces, appends a record for each and
  // opens the first record's device. 1 when the device is open, 0 otherwise.
  // The handle and device-information set of an earlier Connect are let go
  // when this one's replace them.
  int Connect();
  // Lets go of the device-information set and the device handle, each at
  // most once, and clears `connected`. Never waits for a request that the
  // driver holds: such a request keeps the handle open until it ends.
  void Disconnect();
  // Back to the initial state, at the start of each connection.
  void EnterInitialState();
  // Empties `interfaces` and its storage; each record frees its blocks, but
  // a detail block handed over stays with its new owner.
  void ClearInterfaces();
  // Hands the first record's detail block to the switch-window watcher,
  // which opens its own handle from its path and frees it when it ends.
  // The record goes on reading it. Null when there is no record, or when
  // the block was handed over already.
  PSP_DEVICE_INTERFACE_DETAIL_DATA_W HandOverFirstDetailBlock();

  // Requests on the open device. With no device open they fail with
  // ERROR_INVALID_HANDLE and nothing is sent.
  JackStateReply RequestJackState(DWORD code);
  // The start-up query: the type, or 3 when the request failed.
  BYTE QueryInitialJackType();
  // Waits in the driver for the next jack event: the type, or 3 when the
  // request failed or returned a byte count other than 1.
  BYTE AwaitJackNotify();
  BOOL SendFinish(DWORD code, BYTE finishByte);
  BOOL SendMuteState();

  // The connector routine of one connection, on the connector thread:
  // opens the device, then turns each jack event the driver reports into
  // settings applied to `snapshot` (a copy of the endpoint object taken just
  // before the call), a finish request and popups, until the driver ends
  // the connection, a request fails or the custom property cannot be
  // written. Disconnects before it returns, except when the connection was
  // ended from outside (`connectorActive` 0 and the request cancelled): then
  // it returns at once and leaves the rest to whoever ended it. Always 1.
  int Run(EndpointCallback snapshot);
  // The next jack type, through the start-up query or the jack-state
  // request: 3 when a request failed or the property write before it did.
  BYTE WaitForJackType(EndpointCallback& snapshot);

  std::vector<InterfaceSummary> Interfaces() const;
  bool deviceHandleHeld() const { return deviceHandle.held(); }
  bool deviceInfoSetHeld() const;

  // Used by the connector routine only.
  std::atomic<int> propertyInitialPending{1};
  // 1 from a successful opening until the handle is let go.
  std::atomic<int> connected{0};

 private:
  // Fills `record` from the set's interface: the detail block, the
  // description and, when the device has one, the location. 1 when the
  // record is filled, 0 on failure; a record that failed half-way frees
  // what it holds.
  int ReadInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                          DeviceDetailData* record, SP_DEVINFO_DATA* deviceInfoData);
  int ReadDetailBlock(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                      DeviceDetailData* record, SP_DEVINFO_DATA* deviceInfoData);
  int ReadDeviceName(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData, DeviceDetailData* record);
  int ReadDeviceLocation(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData, DeviceDetailData* record);
  int ConnectThrough(HDEVINFO set);
  int OpenDevice();
  void AppendRecord(DeviceDetailData record);
  std::wstring PathToOpen() const;
  // The set of this Connect replaces the last one, which is let go.
  void KeepDeviceInfoSet(UniqueDeviceInfoSet set);
  BOOL SendByte(DWORD code, BYTE input);

  // Guards `interfaces` and `deviceInfoSet`, which the control handler's
  // thread may release while the connector thread works.
  mutable SRWLOCK listLock = SRWLOCK_INIT;
  // One record per enumerated interface, in enumeration order; Connect
  // appends and never removes.
  std::vector<DeviceDetailData> interfaces;
  SharedDeviceHandle deviceHandle;
  // The set of the last Connect.
  UniqueDeviceInfoSet deviceInfoSet;
  // The record whose device is opened; stays 0.
  int deviceIndex = 0;
};

extern ProcessWide<DeviceConnector> codecDevice;

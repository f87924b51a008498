// The one device object of the process: its records of the enumerated
// interfaces, the hand-over of the first detail block, and the release of
// what a connection holds.
#include "device/device_connector.h"

#include <utility>

#include "platform/lock_guards.h"

constinit ProcessWide<DeviceConnector> codecDevice;

void DeviceConnector::Disconnect() {
  KeepDeviceInfoSet(UniqueDeviceInfoSet());
  deviceHandle.Release();
  connected = 0;
}

void DeviceConnector::EnterInitialState() {
  ClearInterfaces();
  Disconnect();
  deviceIndex = 0;
  propertyInitialPending = 1;
}

void DeviceConnector::ClearInterfaces() {
  std::vector<DeviceDetailData> cleared;
  {
    ExclusiveSrwGuard guard(listLock);
    cleared.swap(interfaces);
  }
  // The records free their blocks here, outside the lock.
}

PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceConnector::HandOverFirstDetailBlock() {
  ExclusiveSrwGuard guard(listLock);
  if (interfaces.empty()) return nullptr;
  return interfaces.front().pDeviceInterfaceDetailData.handOver();
}

std::vector<InterfaceSummary> DeviceConnector::Interfaces() const {
  SharedSrwGuard guard(listLock);
  std::vector<InterfaceSummary> summaries;
  for (const DeviceDetailData& record : interfaces) {
    InterfaceSummary& summary = summaries.emplace_back();
    if (record.devicePath()) summary.devicePath = record.devicePath();
    if (record.deviceName.get()) summary.deviceName = record.deviceName.get();
    if (record.deviceLocation.get()) summary.deviceLocation = record.deviceLocation.get();
  }
  return summaries;
}

bool DeviceConnector::deviceInfoSetHeld() const {
  SharedSrwGuard guard(listLock);
  return static_cast<bool>(deviceInfoSet);
}

void DeviceConnector::AppendRecord(DeviceDetailData record) {
  ExclusiveSrwGuard guard(listLock);
  interfaces.push_back(std::move(record));
}

std::wstring DeviceConnector::PathToOpen() const {
  SharedSrwGuard guard(listLock);
  if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= interfaces.size()) return {};
  LPCWSTR path = interfaces[static_cast<size_t>(deviceIndex)].devicePath();
  return path ? path : L"";
}

void DeviceConnector::KeepDeviceInfoSet(UniqueDeviceInfoSet set) {
  UniqueDeviceInfoSet replaced;
  {
    ExclusiveSrwGuard guard(listLock);
    replaced = std::move(deviceInfoSet);
    deviceInfoSet = std::move(set);
  }
  // Destroyed here, outside the lock.
}

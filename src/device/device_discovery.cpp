// Finding the codec: enumerating the present interfaces of its class,
// reading each one's detail block, description and location, and opening
// the first one's device.
#include "device/device_connector.h"
#include "device/driver_protocol.h"
#include "diagnostics/trace.h"

namespace {

// The first of the two size handshakes of a property: the size it needs.
// The last error tells whether the property is there (ERROR_INSUFFICIENT_BUFFER).
DWORD PropertySize(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData, DWORD property) {
  DWORD required = 0;
  SetupDiGetDeviceRegistryPropertyW(set, deviceInfoData, property, nullptr, nullptr, 0, &required);
  return required;
}

// The second handshake: a block of the size asked for, and the property read
// into it. Each failure has its own trace; the read's carries the error.
int ReadProperty(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData, DWORD property, DWORD size,
                 HeapBlock<WCHAR>& text, const wchar_t* noSpaceTrace,
                 const wchar_t* readFailedTrace) {
  if (!text.allocate(size)) {
    WriteTrace(noSpaceTrace);
    return 0;
  }
  if (!SetupDiGetDeviceRegistryPropertyW(set, deviceInfoData, property, nullptr,
                                         reinterpret_cast<PBYTE>(text.get()), size, nullptr)) {
    WriteTrace(readFailedTrace, GetLastError());
    return 0;
  }
  return 1;
}

}  // namespace

int DeviceConnector::Connect() {
  WriteTrace(L"To connect to Device!");
  UniqueDeviceInfoSet set(SetupDiGetClassDevsW(&GUID_DEVINTERFACE_CODEC, nullptr, nullptr,
                                               DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  int result = 0;
  if (set) {
    result = ConnectThrough(set.get());
  } else {
    WriteTrace(L"Fatal Error: SetupDiGetClassDevs Fail!");
  }
  // Kept only once this Connect is done with it, so that a Disconnect on
  // another thread can never destroy it under the enumeration.
  KeepDeviceInfoSet(std::move(set));
  return result;
}

int DeviceConnector::ConnectThrough(HDEVINFO set) {
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof(interfaceData);
  SP_DEVINFO_DATA deviceInfoData{};
  deviceInfoData.cbSize = sizeof(deviceInfoData);
  if (!SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_DEVINTERFACE_CODEC, 0, &interfaceData)) {
    WriteTrace(L"No audio codec devices are present and enable in the System");
    return 0;
  }
  // A failed enumeration call after the first success ends the list.
  for (DWORD index = 1;; ++index) {
    DeviceDetailData record;
    if (!ReadInterfaceDetail(set, &interfaceData, &record, &deviceInfoData)) {
      WriteTrace(L"GetDeviceInterfaceDatail Failed");
      WriteTrace(L"EXIT on Error");
      return 0;
    }
    AppendRecord(std::move(record));
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_DEVINTERFACE_CODEC, index,
                                     &interfaceData)) {
      break;
    }
  }
  WriteTrace(L"Start to display devices");
  WriteTrace(L"Display finished");
  WriteTrace(L"To get device index");
  WriteTrace(L"To create device handle");
  return OpenDevice();
}

int DeviceConnector::OpenDevice() {
  std::wstring path = PathToOpen();
  UniqueFileHandle handle = OpenCodecDevice(path.c_str());
  if (!handle) {
    DWORD error = GetLastError();
    // The handle of an earlier Connect is replaced all the same.
    deviceHandle.Replace(UniqueFileHandle());
    WriteTrace(L"CreateFile failed. Error: %d", error);
    WriteTrace(L"EXIT on Error");
    return 0;
  }
  deviceHandle.Replace(std::move(handle));
  WriteTrace(L"CreateFile Successfully");
  return 1;
}

int DeviceConnector::ReadInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                         DeviceDetailData* record,
                                         SP_DEVINFO_DATA* deviceInfoData) {
  WriteTrace(L"To get deviceInterfaceDetailData");
  if (!ReadDetailBlock(set, interfaceData, record, deviceInfoData)) return 0;
  WriteTrace(L"Get deviceDetailData->pDeviceInterfaceDetailData successfully");
  WriteTrace(L"To get deviceName");
  if (!ReadDeviceName(set, deviceInfoData, record)) return 0;
  WriteTrace(L"Get deviceDetailData->deviceName successfully, %ls", record->deviceName.get());
  WriteTrace(L"To get deviceLocation");
  return ReadDeviceLocation(set, deviceInfoData, record);
}

int DeviceConnector::ReadDetailBlock(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                     DeviceDetailData* record, SP_DEVINFO_DATA* deviceInfoData) {
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailW(set, interfaceData, nullptr, 0, &required, nullptr);
  DWORD error = GetLastError();
  if (error != ERROR_INSUFFICIENT_BUFFER) {
    WriteTrace(L"4 SetupDiGetDeviceInterfaceDetail failed! Error: %d", error);
    return 0;
  }
  HeapBlock<SP_DEVICE_INTERFACE_DETAIL_DATA_W>& detail = record->pDeviceInterfaceDetailData;
  if (!detail.allocate(required)) {
    WriteTrace(L"Fail to get space for deviceDetailData->pDeviceInterfaceDetailData");
    return 0;
  }
  // The size of the fixed part, not of the block: 8 on 64-bit Windows.
  detail.get()->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!SetupDiGetDeviceInterfaceDetailW(set, interfaceData, detail.get(), required, nullptr,
                                        deviceInfoData)) {
    WriteTrace(L"1 SetupDiGetDeviceInterfaceDetail failed, Error: %d", GetLastError());
    return 0;
  }
  return 1;
}

int DeviceConnector::ReadDeviceName(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData,
                                    DeviceDetailData* record) {
  DWORD required = PropertySize(set, deviceInfoData, SPDRP_DEVICEDESC);
  DWORD error = GetLastError();
  if (error != ERROR_INSUFFICIENT_BUFFER) {
    WriteTrace(L"4 SetupDiGetDeviceInterfaceDetail failed! Error: %d", error);
    return 0;
  }
  return ReadProperty(set, deviceInfoData, SPDRP_DEVICEDESC, required, record->deviceName,
                      L"Fail to get space for deviceDetailData->deviceName",
                      L"2 SetupDiGetDeviceInterfaceDetail failed, Error: %d");
}

// A device without location information is accepted without a trace.
int DeviceConnector::ReadDeviceLocation(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData,
                                        DeviceDetailData* record) {
  DWORD required = PropertySize(set, deviceInfoData, SPDRP_LOCATION_INFORMATION);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    record->deviceLocation.reset();
    return 1;
  }
  if (!ReadProperty(set, deviceInfoData, SPDRP_LOCATION_INFORMATION, required,
                    record->deviceLocation, L"Fail to get space for deviceDetailData->deviceLoca",
                    L"3 SetupDiGetDeviceInterfaceDetail failed, Error: %d")) {
    return 0;
  }
  WriteTraceA("Get deviceDetailData->deviceLoca successfully, %ls", record->deviceLocation.get());
  return 1;
}

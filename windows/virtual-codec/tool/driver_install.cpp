// The device node and the service that an INF installation would create:
// the node ROOT\KORUCODEC\0000 with the codec's hardware id and description,
// served by the kernel-driver service "koru-codec".
#include "driver_install.h"

#include <cstdio>

#include "codec_device.h"

namespace {

// The setup class "System".
constexpr GUID systemClass = {
    0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

constexpr wchar_t instanceId[] = L"ROOT\\KORUCODEC\\0000";
// A multi-string: the id, then the empty string that ends the list.
constexpr wchar_t hardwareIds[] = L"Root\\KoruVirtualCodec\0";
constexpr wchar_t description[] = L"Koru Virtual Codec";

bool Failed(const char* what) {
  std::fprintf(stderr, "koru-codec: %s failed: error %lu\n", what, GetLastError());
  return false;
}

bool SetProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property, const wchar_t* value,
                 size_t bytes) {
  return SetupDiSetDeviceRegistryPropertyW(set, device, property,
                                           reinterpret_cast<const BYTE*>(value),
                                           static_cast<DWORD>(bytes)) ||
         Failed("SetupDiSetDeviceRegistryPropertyW");
}

// Registered once: later installations find it in place. Wine adds the
// driver to every root-enumerated node whose service it is.
bool RegisterDeviceNode() {
  UniqueDeviceInfoSet set(SetupDiCreateDeviceInfoList(&systemClass, nullptr));
  if (!set) return Failed("SetupDiCreateDeviceInfoList");
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  if (!SetupDiCreateDeviceInfoW(set.get(), instanceId, &systemClass, description, nullptr, 0,
                                &device))
    return GetLastError() == ERROR_DEVINST_ALREADY_EXISTS || Failed("SetupDiCreateDeviceInfoW");
  return SetProperty(set.get(), &device, SPDRP_HARDWAREID, hardwareIds, sizeof(hardwareIds)) &&
         SetProperty(set.get(), &device, SPDRP_SERVICE, CODEC_SERVICE_NAME,
                     sizeof(CODEC_SERVICE_NAME)) &&
         (SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr) ||
          Failed("SetupDiRegisterDeviceInfo"));
}

bool RegisterService(const wchar_t* sysPath) {
  UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return Failed("OpenSCManagerW");
  UniqueScHandle service(CreateServiceW(manager.get(), CODEC_SERVICE_NAME, L"Koru virtual codec",
                                        SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                        SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, sysPath,
                                        nullptr, nullptr, nullptr, nullptr, nullptr));
  if (service) return true;
  if (GetLastError() != ERROR_SERVICE_EXISTS) return Failed("CreateServiceW");
  service.reset(OpenServiceW(manager.get(), CODEC_SERVICE_NAME, SERVICE_CHANGE_CONFIG));
  if (!service) return Failed("OpenServiceW");
  return ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                              SERVICE_NO_CHANGE, sysPath, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr) ||
         Failed("ChangeServiceConfigW");
}

}  // namespace

bool InstallCodecDriver(const wchar_t* sysPath) {
  wchar_t fullPath[MAX_PATH];
  DWORD length = GetFullPathNameW(sysPath, MAX_PATH, fullPath, nullptr);
  if (length == 0 || length >= MAX_PATH) return Failed("GetFullPathNameW");
  if (GetFileAttributesW(fullPath) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "koru-codec: no driver file %ls: error %lu\n", fullPath, GetLastError());
    return false;
  }
  return RegisterService(fullPath) && RegisterDeviceNode();
}

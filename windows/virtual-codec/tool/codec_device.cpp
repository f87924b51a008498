// Finding and opening the codec's device interface, and the test source's
// request.
#include "codec_device.h"

#include <cstdio>
#include <vector>

#include "device/driver_protocol.h"

namespace {

UniqueDeviceInfoSet PresentCodecInterfaces() {
  return UniqueDeviceInfoSet(SetupDiGetClassDevsW(&GUID_DEVINTERFACE_CODEC, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
}

// The device path of the first present interface, or an empty string.
std::vector<wchar_t> FirstInterfacePath() {
  UniqueDeviceInfoSet set = PresentCodecInterfaces();
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof(data);
  if (!set || !SetupDiEnumDeviceInterfaces(set.get(), nullptr, &GUID_DEVINTERFACE_CODEC, 0, &data))
    return {};
  DWORD size = 0;
  SetupDiGetDeviceInterfaceDetailW(set.get(), &data, nullptr, 0, &size, nullptr);
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return {};
  std::vector<BYTE> block(size);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(block.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!SetupDiGetDeviceInterfaceDetailW(set.get(), &data, detail, size, nullptr, nullptr))
    return {};
  const wchar_t* path = detail->DevicePath;
  return std::vector<wchar_t>(path, path + wcslen(path) + 1);
}

}  // namespace

bool CodecInterfacePresent() { return !FirstInterfacePath().empty(); }

UniqueFileHandle OpenCodecInterface() {
  std::vector<wchar_t> path = FirstInterfacePath();
  if (path.empty()) {
    std::fprintf(stderr, "koru-codec: no present interface of the codec's class\n");
    return UniqueFileHandle();
  }
  UniqueFileHandle device(CreateFileW(path.data(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
  if (!device)
    std::fprintf(stderr, "koru-codec: cannot open %ls: error %lu\n", path.data(), GetLastError());
  return device;
}

bool SendTestCommand(HANDLE device, const KORU_TEST_COMMAND& command, void* out, DWORD outSize) {
  DWORD returned = 0;
  KORU_TEST_COMMAND in = command;
  if (DeviceIoControl(device, KORU_IOCTL_TEST_COMMAND, &in, sizeof(in), out, outSize, &returned,
                      nullptr))
    return true;
  std::fprintf(stderr, "koru-codec: the driver refused the command: error %lu\n", GetLastError());
  return false;
}

// The machine's device set: interface records, their presence, and the
// announcements of arrivals and removals.
#include "devices.h"

#include "codec_driver.h"
#include "device_io.h"
#include "registry_tree.h"

namespace sim::dev {
namespace {

// Device instance numbers as SetupAPI hands them out; any non-zero value
// will do, these are easy to tell apart in a report.
constexpr DWORD kFirstDevInst = 0x10;

struct DeviceSet {
  std::vector<std::shared_ptr<DeviceRecord>> devices;
  std::vector<devices::Announcement> announcements;
  DWORD nextDevInst = kFirstDevInst;
};

// Never destroyed, so that nothing depends on the order of static
// destruction at exit.
DeviceSet& Set() {
  static auto* set = new DeviceSet;
  return *set;
}

std::function<void(const devices::Announcement&)>& Listener() {
  static auto* listener = new std::function<void(const devices::Announcement&)>;
  return *listener;
}

// Reset hooks run while no simulated thread runs; they take no lock.
void ResetDevices() { Set() = DeviceSet(); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetDevices), true);

std::shared_ptr<Driver> DriverFor(const GUID& classGuid) {
  if (classGuid == codec::INTERFACE_CLASS) return CodecDriver();
  return nullptr;
}

}  // namespace

const std::vector<std::shared_ptr<DeviceRecord>>& DeviceList() { return Set().devices; }

std::shared_ptr<DeviceRecord> FindDevice(const std::wstring& path) {
  for (const auto& device : Set().devices) {
    if (reg::SameName(device->info.path, path)) return device;
  }
  return nullptr;
}

std::shared_ptr<DeviceRecord> AddDevice(const devices::Interface& interface) {
  std::shared_ptr<DeviceRecord> device = FindDevice(interface.path);
  if (!device) {
    device = std::make_shared<DeviceRecord>();
    device->devInst = Set().nextDevInst++;
    Set().devices.push_back(device);
  }
  bool wasPresent = device->info.present;
  device->info = interface;
  device->info.present = wasPresent;
  device->driver = DriverFor(interface.classGuid);
  SetDevicePresent(*device, interface.present);
  return device;
}

void SetDevicePresent(DeviceRecord& device, bool present) {
  if (device.info.present == present) return;
  device.info.present = present;
  if (present) return;
  ++device.generation;
  FailRequestsOf(device);
}

void RecordAnnouncement(const devices::Announcement& announcement) {
  Set().announcements.push_back(announcement);
}

void Deliver(const devices::Announcement& announcement) {
  std::function<void(const devices::Announcement&)> listener;
  {
    auto lock = Lock();
    listener = Listener();
  }
  if (listener) listener(announcement);
}

void SetAnnouncementListener(std::function<void(const devices::Announcement&)> listener) {
  auto lock = Lock();
  Listener() = std::move(listener);
}

}  // namespace sim::dev

namespace sim::devices {

void AddInterface(const Interface& interface) {
  auto lock = Lock();
  dev::AddDevice(interface);
}

bool SetPresent(const std::wstring& path, bool present) {
  auto lock = Lock();
  std::shared_ptr<dev::DeviceRecord> device = dev::FindDevice(path);
  if (!device) return false;
  dev::SetDevicePresent(*device, present);
  return true;
}

std::vector<Interface> Interfaces() {
  auto lock = Lock();
  std::vector<Interface> all;
  for (const auto& device : dev::DeviceList()) all.push_back(device->info);
  return all;
}

const std::vector<Announcement>& Announcements() {
  auto lock = Lock();
  return dev::Set().announcements;
}

}  // namespace sim::devices

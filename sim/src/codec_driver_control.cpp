// The controller's side of the codec: its interfaces, their arrival and
// removal, jack events and planned completions, and the driver's log.
#include <cstdio>

#include "codec_driver.h"
#include "devices.h"
#include "sim/devices.h"

namespace sim::codec {
namespace {

// Lock held.
std::vector<std::shared_ptr<dev::DeviceRecord>> CodecDevices() {
  std::vector<std::shared_ptr<dev::DeviceRecord>> found;
  for (const auto& device : dev::DeviceList()) {
    if (device->info.classGuid == INTERFACE_CLASS) found.push_back(device);
  }
  return found;
}

// Lock held. The path an announcement names: the first codec interface's.
std::wstring AnnouncedPath() {
  std::vector<std::shared_ptr<dev::DeviceRecord>> devices = CodecDevices();
  return devices.empty() ? std::wstring(DEFAULT_PATH) : devices.front()->info.path;
}

// Lock held.
devices::Announcement Announced(devices::Event event, uint32_t deviceType) {
  devices::Announcement announcement{event, deviceType, INTERFACE_CLASS, AnnouncedPath()};
  dev::RecordAnnouncement(announcement);
  return announcement;
}

}  // namespace

void Present(const std::wstring& path, const std::wstring& name,
             const std::optional<std::wstring>& location) {
  devices::AddInterface({INTERFACE_CLASS, path, name, location, true});
}

void SetCurrentJack(uint8_t type) {
  auto lock = Lock();
  dev::CodecDriver()->SetCurrentJack(type);
}

uint8_t CurrentJack() {
  auto lock = Lock();
  return dev::CodecDriver()->CurrentJack();
}

void Arrive(uint32_t deviceType) {
  devices::Announcement announcement;
  {
    auto lock = Lock();
    std::vector<std::shared_ptr<dev::DeviceRecord>> devices = CodecDevices();
    if (devices.empty()) {
      dev::AddDevice({INTERFACE_CLASS, DEFAULT_PATH, DEFAULT_NAME, std::nullopt, true});
    }
    for (const auto& device : devices) dev::SetDevicePresent(*device, true);
    announcement = Announced(devices::Event::Arrival, deviceType);
  }
  dev::Deliver(announcement);
}

void Remove(devices::Event event) {
  devices::Announcement announcement;
  {
    auto lock = Lock();
    if (event == devices::Event::RemoveComplete) {
      for (const auto& device : CodecDevices()) dev::SetDevicePresent(*device, false);
    }
    announcement = Announced(event, devices::DEVICE_INTERFACE_TYPE);
  }
  dev::Deliver(announcement);
}

void Jack(uint8_t type) {
  auto lock = Lock();
  dev::CodecDriver()->Jack(type);
}

void Complete(uint32_t bytes, std::optional<uint8_t> value) {
  auto lock = Lock();
  dev::CodecDriver()->PlanCompletion(0, bytes, value);
}

void Fail(uint32_t error) {
  auto lock = Lock();
  dev::CodecDriver()->PlanCompletion(error, 0, std::nullopt);
}

const std::vector<Request>& Requests() {
  auto lock = Lock();
  return dev::CodecDriver()->Log();
}

size_t QueuedJackEvents() {
  auto lock = Lock();
  return dev::CodecDriver()->QueuedJackEvents();
}

size_t PlannedCompletions() {
  auto lock = Lock();
  return dev::CodecDriver()->PlannedCompletions();
}

std::string CodeName(uint32_t code) {
  switch (code) {
    case FINISH_SPEAKER:
      return "FINISH_SPEAKER";
    case FINISH_HEADPHONE:
      return "FINISH_HEADPHONE";
    case JACKSTATE_NOTIFY:
      return "JACKSTATE_NOTIFY";
    case JACKSTATE_INITIAL:
      return "JACKSTATE_INITIAL";
    case MUTESTATE_NOTIFY:
      return "MUTESTATE_NOTIFY";
    default:
      break;
  }
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", code);
  return text;
}

}  // namespace sim::codec

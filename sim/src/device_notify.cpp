// Device-interface notifications of the simulated machine: a service's
// registrations of its status handle for an interface class, and the
// announcements that reach them as SERVICE_CONTROL_DEVICEEVENT through the
// service's control queue.
#include "device_notify.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "devices.h"
#include "services_control.h"
#include "sim/services.h"
#include "sim/win32/dbt.h"

namespace sim {
namespace {

class DeviceNotifyObject : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::DeviceNotify;
  DeviceNotifyObject(SERVICE_STATUS_HANDLE recipient, const GUID& cls, bool allClasses)
      : recipient_(recipient), cls_(cls), allClasses_(allClasses) {}
  HandleKind Kind() const override { return kKind; }

  SERVICE_STATUS_HANDLE recipient() const { return recipient_; }
  bool Wants(const GUID& eventClass) const { return allClasses_ || cls_ == eventClass; }

 private:
  SERVICE_STATUS_HANDLE recipient_;
  GUID cls_;
  bool allClasses_;
};

// In the order they were made. A registration ends with its handle: when it
// is unregistered or its process ends, the table drops the object.
std::vector<std::weak_ptr<DeviceNotifyObject>>& Registrations() {
  static auto* registrations = new std::vector<std::weak_ptr<DeviceNotifyObject>>;
  return *registrations;
}

void ResetRegistrations() { Registrations().clear(); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetRegistrations), true);

// The machine's arrivals and removals of device interfaces reach the
// registrations of the running service, as Windows announces them.
void AnnounceToRegistrations(const devices::Announcement& announcement) {
  services::DeliverDeviceInterfaceEvent(announcement.classGuid,
                                        static_cast<DWORD>(announcement.event),
                                        announcement.deviceType, announcement.path);
}

[[maybe_unused]] const bool kListenerSet =
    (dev::SetAnnouncementListener(&AnnounceToRegistrations), true);

template <typename T>
T Failed(DWORD error, T result) {
  SetLastErrorValue(error);
  return result;
}

// Why Windows refuses this filter, or ERROR_SUCCESS.
DWORD FilterRefusal(const void* filter) {
  if (filter == nullptr) return ERROR_INVALID_PARAMETER;
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(filter);
  if (header->dbch_devicetype == DBT_DEVTYP_HANDLE) return ERROR_NOT_SUPPORTED;
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return ERROR_INVALID_DATA;
  if (header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W)) return ERROR_INVALID_DATA;
  return ERROR_SUCCESS;
}

// The broadcast record a handler reads: the interface record with the path
// as its name, or only the header for another device type.
std::vector<std::byte> EventData(const GUID& cls, DWORD devType, const std::wstring& path) {
  if (devType != DBT_DEVTYP_DEVICEINTERFACE) {
    DEV_BROADCAST_HDR header{sizeof(DEV_BROADCAST_HDR), devType, 0};
    std::vector<std::byte> data(sizeof header);
    std::memcpy(data.data(), &header, sizeof header);
    return data;
  }
  constexpr size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  size_t size = std::max(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W),
                         kNameOffset + (path.size() + 1) * sizeof(WCHAR));
  std::vector<std::byte> data(size);
  DEV_BROADCAST_DEVICEINTERFACE_W record{static_cast<DWORD>(size), devType, 0, cls, {0}};
  std::memcpy(data.data(), &record, kNameOffset);
  std::memcpy(data.data() + kNameOffset, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
  return data;
}

}  // namespace

namespace services {

int QueueDeviceInterfaceEvent(const GUID& cls, DWORD eventType, DWORD devType,
                              const std::wstring& path) {
  std::shared_ptr<ServiceRun> run = LiveRun();
  if (!run || run->statusHandle == nullptr || ReportedStopped(*run)) return 0;
  int reached = 0;
  std::erase_if(Registrations(), [](const auto& weak) { return weak.expired(); });
  for (const auto& weak : Registrations()) {
    std::shared_ptr<DeviceNotifyObject> registration = weak.lock();
    if (registration->recipient() != run->statusHandle || !registration->Wants(cls)) continue;
    Queue(*run, {SERVICE_CONTROL_DEVICEEVENT, eventType, EventData(cls, devType, path)});
    ++reached;
  }
  return reached;
}

int DeliverDeviceInterfaceEvent(const GUID& cls, DWORD eventType, DWORD devType,
                                const std::wstring& path) {
  auto lock = Lock();
  return QueueDeviceInterfaceEvent(cls, eventType, devType, path);
}

}  // namespace services
}  // namespace sim

HDEVNOTIFY WINAPI RegisterDeviceNotificationW(HANDLE hRecipient, LPVOID NotificationFilter,
                                              DWORD Flags) {
  if (auto error = sim::Enter("RegisterDeviceNotificationW", ERROR_NOT_ENOUGH_MEMORY)) {
    return sim::Failed<HDEVNOTIFY>(*error, nullptr);
  }
  DWORD recipientKind = Flags & ~DEVICE_NOTIFY_ALL_INTERFACE_CLASSES;
  if (recipientKind > DEVICE_NOTIFY_SERVICE_HANDLE) {
    return sim::Failed<HDEVNOTIFY>(ERROR_INVALID_PARAMETER, nullptr);
  }
  if (DWORD refusal = sim::FilterRefusal(NotificationFilter)) {
    return sim::Failed<HDEVNOTIFY>(refusal, nullptr);
  }

  auto lock = sim::Lock();
  auto recipient = static_cast<SERVICE_STATUS_HANDLE>(hRecipient);
  // The machine has no windows: a window handle is never valid.
  if (recipientKind != DEVICE_NOTIFY_SERVICE_HANDLE ||
      !sim::services::RunWithStatusHandle(recipient)) {
    return sim::Failed<HDEVNOTIFY>(ERROR_INVALID_HANDLE, nullptr);
  }
  const auto* filter = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(NotificationFilter);
  auto registration = std::make_shared<sim::DeviceNotifyObject>(
      recipient, filter->dbcc_classguid, (Flags & DEVICE_NOTIFY_ALL_INTERFACE_CLASSES) != 0);
  sim::Registrations().push_back(registration);
  return sim::AddHandle(registration);
}

BOOL WINAPI UnregisterDeviceNotification(HDEVNOTIFY Handle) {
  if (auto error = sim::Enter("UnregisterDeviceNotification", ERROR_INVALID_HANDLE)) {
    return sim::Failed<BOOL>(*error, FALSE);
  }
  auto lock = sim::Lock();
  if (!sim::RemoveHandle(Handle, sim::HandleKind::DeviceNotify, "UnregisterDeviceNotification")) {
    return sim::Failed<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  }
  return TRUE;
}

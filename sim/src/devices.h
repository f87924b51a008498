// The machine's device set, as the SetupAPI, the device files and the
// drivers see it: one record per device interface, the driver behind it,
// and the announcements of arrivals and removals.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kernel.h"
#include "sim/devices.h"

namespace sim::dev {

class Driver;

struct DeviceRecord {
  devices::Interface info;
  DWORD devInst = 0;  // the device instance's number, as SP_DEVINFO_DATA gives it
  // Counts the removals: a file opened before the last one is dead.
  uint64_t generation = 0;
  std::shared_ptr<Driver> driver;  // null: requests fail with ERROR_INVALID_FUNCTION
};

// All need the machine lock held.
const std::vector<std::shared_ptr<DeviceRecord>>& DeviceList();
// The record with this path (compared without regard to case), or null.
std::shared_ptr<DeviceRecord> FindDevice(const std::wstring& path);
// Adds a record, or updates the one with the same path; returns it.
std::shared_ptr<DeviceRecord> AddDevice(const devices::Interface& interface);
// Makes a record present or absent; a removal fails the requests of the
// files open on it (see device_io.h).
void SetDevicePresent(DeviceRecord& device, bool present);
// Records an announcement (lock held).
void RecordAnnouncement(const devices::Announcement& announcement);
// Hands a recorded announcement to the listener (lock NOT held).
void Deliver(const devices::Announcement& announcement);

// Where announcements go besides the record: the machine's delivery of
// device notifications to the registrations of a service. Set once by the
// area that delivers them; called on the controller without the machine
// lock. Kept across Reset.
void SetAnnouncementListener(std::function<void(const devices::Announcement&)> listener);

}  // namespace sim::dev

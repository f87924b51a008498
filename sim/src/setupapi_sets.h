// Device-information sets: the object behind an HDEVINFO, a snapshot of the
// interfaces of one class taken when the set was made, as SetupAPI keeps it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kernel.h"
#include "sim/win32/setupapi.h"

namespace sim::dev {

struct SetMember {
  GUID classGuid;
  std::wstring path;
  std::wstring description;
  std::optional<std::wstring> location;
  DWORD devInst;
  bool present;
};

class DeviceInfoSet : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::DeviceInfoSet;
  DeviceInfoSet(uint32_t serial, std::vector<SetMember> members)
      : serial_(serial), members_(std::move(members)) {}
  HandleKind Kind() const override { return kKind; }

  const std::vector<SetMember>& members() const { return members_; }
  // The value that SP_DEVICE_INTERFACE_DATA and SP_DEVINFO_DATA carry in
  // their Reserved field to name a member of this set, and back.
  ULONG_PTR Tag(size_t index) const;
  const SetMember* Member(ULONG_PTR tag) const;

 private:
  uint32_t serial_;
  std::vector<SetMember> members_;
};

}  // namespace sim::dev

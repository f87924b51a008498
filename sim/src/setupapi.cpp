// SetupAPI: device-information sets of one interface class, the enumeration
// of their interfaces, the interface detail and two registry properties of
// the device, with Windows' size handshakes and error codes.
#include <cstddef>
#include <cstring>

#include "devices.h"
#include "setupapi_sets.h"
#include "sim/win32/registry.h"

namespace sim::dev {
namespace {

static_assert(sizeof(SP_DEVINFO_DATA) == 32);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32);
// The fixed part of the detail data is 8 bytes on 64-bit Windows and here.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 8);

uint32_t gNextSetSerial = 1;

void ResetSetSerials() { gNextSetSerial = 1; }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetSetSerials), true);

template <typename T>
T Failed(DWORD error, T result) {
  SetLastErrorValue(error);
  return result;
}

std::vector<SetMember> Snapshot(const GUID& classGuid, bool presentOnly) {
  std::vector<SetMember> members;
  for (const auto& device : DeviceList()) {
    const devices::Interface& info = device->info;
    if (info.classGuid != classGuid || (presentOnly && !info.present)) continue;
    members.push_back({info.classGuid, info.path, info.description, info.location, device->devInst,
                       info.present});
  }
  return members;
}

// Bytes of a wide string with its terminator.
DWORD StringBytes(const std::wstring& text) {
  return static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR));
}

DWORD DetailBytes(const std::wstring& path) {
  return static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) +
         StringBytes(path);
}

void FillDeviceInfo(SP_DEVINFO_DATA& data, const SetMember& member, ULONG_PTR tag) {
  data.ClassGuid = GUID{};
  data.DevInst = member.devInst;
  data.Reserved = tag;
}

// The member that the caller's interface data names, or null with the
// error set.
const SetMember* NamedMember(const DeviceInfoSet& set, const SP_DEVICE_INTERFACE_DATA* data) {
  if (data == nullptr) return Failed(ERROR_INVALID_PARAMETER, nullptr);
  if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    return Failed(ERROR_INVALID_USER_BUFFER, nullptr);
  }
  const SetMember* member = set.Member(data->Reserved);
  if (member == nullptr) return Failed(ERROR_INVALID_PARAMETER, nullptr);
  return member;
}

// The detail buffer must be absent with a size of 0, or carry the fixed
// part's size in cbSize.
bool DetailBufferValid(const SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size) {
  if (detail == nullptr) return size == 0 || Failed(ERROR_INVALID_USER_BUFFER, false);
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    return Failed(ERROR_INVALID_USER_BUFFER, false);
  }
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    return Failed(ERROR_INVALID_USER_BUFFER, false);
  }
  return true;
}

bool DeviceInfoValid(const SP_DEVINFO_DATA* data) {
  if (data == nullptr || data->cbSize == sizeof(SP_DEVINFO_DATA)) return true;
  return Failed(ERROR_INVALID_USER_BUFFER, false);
}

// The text of a registry property, or nothing when the device has none.
std::optional<std::wstring> Property(const SetMember& member, DWORD property) {
  switch (property) {
    case SPDRP_DEVICEDESC:
      return member.description;
    case SPDRP_LOCATION_INFORMATION:
      return member.location;
    default:
      return std::nullopt;
  }
}

}  // namespace

ULONG_PTR DeviceInfoSet::Tag(size_t index) const {
  return (static_cast<ULONG_PTR>(serial_) << 32) | (index + 1);
}

const SetMember* DeviceInfoSet::Member(ULONG_PTR tag) const {
  if ((tag >> 32) != serial_) return nullptr;
  ULONG_PTR index = tag & 0xFFFFFFFFu;
  if (index == 0 || index > members_.size()) return nullptr;
  return &members_[index - 1];
}

}  // namespace sim::dev

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* ClassGuid, PCWSTR Enumerator, HWND hwndParent,
                                     DWORD Flags) {
  (void)hwndParent;
  if (auto error = sim::Enter("SetupDiGetClassDevsW", ERROR_NOT_ENOUGH_MEMORY)) {
    return sim::dev::Failed(*error, INVALID_HANDLE_VALUE);
  }
  // The machine models interface sets of one class; device setup classes,
  // all classes and enumerator filters are not needed by the service.
  if ((Flags & DIGCF_DEVICEINTERFACE) == 0 || (Flags & DIGCF_ALLCLASSES) != 0 ||
      Enumerator != nullptr) {
    return sim::dev::Failed(ERROR_NOT_SUPPORTED, INVALID_HANDLE_VALUE);
  }
  if (ClassGuid == nullptr) return sim::dev::Failed(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  auto lock = sim::Lock();
  bool presentOnly = (Flags & DIGCF_PRESENT) != 0;
  auto set = std::make_shared<sim::dev::DeviceInfoSet>(sim::dev::gNextSetSerial++,
                                                       sim::dev::Snapshot(*ClassGuid, presentOnly));
  return sim::AddHandle(std::move(set));
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
  if (auto error = sim::Enter("SetupDiEnumDeviceInterfaces", ERROR_NO_MORE_ITEMS)) {
    return sim::dev::Failed(*error, FALSE);
  }
  if (InterfaceClassGuid == nullptr || DeviceInterfaceData == nullptr) {
    return sim::dev::Failed(ERROR_INVALID_PARAMETER, FALSE);
  }
  if (DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    return sim::dev::Failed(ERROR_INVALID_USER_BUFFER, FALSE);
  }
  auto lock = sim::Lock();
  auto set = sim::Find<sim::dev::DeviceInfoSet>(DeviceInfoSet, "SetupDiEnumDeviceInterfaces");
  if (!set) return sim::dev::Failed(ERROR_INVALID_HANDLE, FALSE);
  if (!sim::dev::DeviceInfoValid(DeviceInfoData)) return FALSE;
  // The members of the class (and of the device, when one is named), counted
  // until the index is reached.
  const sim::dev::SetMember* named =
      DeviceInfoData ? set->Member(DeviceInfoData->Reserved) : nullptr;
  DWORD seen = 0;
  const auto& members = set->members();
  for (size_t i = 0; i < members.size(); ++i) {
    if (members[i].classGuid != *InterfaceClassGuid) continue;
    if (DeviceInfoData && (!named || named->devInst != members[i].devInst)) continue;
    if (seen++ != MemberIndex) continue;
    DeviceInterfaceData->InterfaceClassGuid = members[i].classGuid;
    DeviceInterfaceData->Flags = members[i].present ? SPINT_ACTIVE : 0;
    DeviceInterfaceData->Reserved = set->Tag(i);
    return TRUE;
  }
  return sim::dev::Failed(ERROR_NO_MORE_ITEMS, FALSE);
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize, PSP_DEVINFO_DATA DeviceInfoData) {
  if (auto error = sim::Enter("SetupDiGetDeviceInterfaceDetailW", ERROR_NOT_ENOUGH_MEMORY)) {
    return sim::dev::Failed(*error, FALSE);
  }
  auto lock = sim::Lock();
  auto set = sim::Find<sim::dev::DeviceInfoSet>(DeviceInfoSet, "SetupDiGetDeviceInterfaceDetailW");
  if (!set) return sim::dev::Failed(ERROR_INVALID_HANDLE, FALSE);
  const sim::dev::SetMember* member = sim::dev::NamedMember(*set, DeviceInterfaceData);
  if (member == nullptr) return FALSE;
  if (!sim::dev::DetailBufferValid(DeviceInterfaceDetailData, DeviceInterfaceDetailDataSize) ||
      !sim::dev::DeviceInfoValid(DeviceInfoData)) {
    return FALSE;
  }
  DWORD required = sim::dev::DetailBytes(member->path);
  if (DeviceInterfaceDetailDataSize < required) {
    if (RequiredSize != nullptr) *RequiredSize = required;
    return sim::dev::Failed(ERROR_INSUFFICIENT_BUFFER, FALSE);
  }
  std::memcpy(DeviceInterfaceDetailData->DevicePath, member->path.c_str(),
              sim::dev::StringBytes(member->path));
  if (RequiredSize != nullptr) *RequiredSize = required;
  if (DeviceInfoData != nullptr) {
    sim::dev::FillDeviceInfo(*DeviceInfoData, *member, DeviceInterfaceData->Reserved);
  }
  return TRUE;
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyW(HDEVINFO DeviceInfoSet,
                                              PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                              DWORD PropertyBufferSize, PDWORD RequiredSize) {
  if (auto error = sim::Enter("SetupDiGetDeviceRegistryPropertyW", ERROR_NOT_ENOUGH_MEMORY)) {
    return sim::dev::Failed(*error, FALSE);
  }
  if (DeviceInfoData == nullptr) return sim::dev::Failed(ERROR_INVALID_PARAMETER, FALSE);
  if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return sim::dev::Failed(ERROR_INVALID_USER_BUFFER, FALSE);
  }
  if (PropertyBuffer == nullptr && PropertyBufferSize != 0) {
    return sim::dev::Failed(ERROR_INVALID_PARAMETER, FALSE);
  }
  auto lock = sim::Lock();
  auto set = sim::Find<sim::dev::DeviceInfoSet>(DeviceInfoSet, "SetupDiGetDeviceRegistryPropertyW");
  if (!set) return sim::dev::Failed(ERROR_INVALID_HANDLE, FALSE);
  const sim::dev::SetMember* member = set->Member(DeviceInfoData->Reserved);
  if (member == nullptr) return sim::dev::Failed(ERROR_INVALID_PARAMETER, FALSE);
  // A property the device does not have is reported as invalid data.
  std::optional<std::wstring> text = sim::dev::Property(*member, Property);
  if (!text) return sim::dev::Failed(ERROR_INVALID_DATA, FALSE);
  DWORD required = sim::dev::StringBytes(*text);
  if (RequiredSize != nullptr) *RequiredSize = required;
  if (PropertyRegDataType != nullptr) *PropertyRegDataType = REG_SZ;
  if (PropertyBufferSize < required) return sim::dev::Failed(ERROR_INSUFFICIENT_BUFFER, FALSE);
  std::memcpy(PropertyBuffer, text->c_str(), required);
  return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  if (auto error = sim::Enter("SetupDiDestroyDeviceInfoList", ERROR_INVALID_HANDLE)) {
    return sim::dev::Failed(*error, FALSE);
  }
  auto lock = sim::Lock();
  if (!sim::RemoveHandle(DeviceInfoSet, sim::HandleKind::DeviceInfoSet,
                         "SetupDiDestroyDeviceInfoList")) {
    return sim::dev::Failed(ERROR_INVALID_HANDLE, FALSE);
  }
  return TRUE;
}

// The narrow registry calls of the simulated machine, with the status codes
// and the ANSI conversions that Windows gives them.
#include "sim/win32/registry.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "kernel.h"
#include "registry_handles.h"
#include "registry_tree.h"
#include "registry_unicode.h"

using sim::reg::HandleView;
using sim::reg::Key;
using sim::reg::KeyObject;

namespace {

std::string_view Text(LPCSTR text) { return text ? std::string_view(text) : std::string_view(); }

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

HKEY NewKeyHandle(std::shared_ptr<Key> key, REGSAM samDesired) {
  auto object = std::make_shared<KeyObject>(std::move(key), sim::reg::KeyRights(samDesired));
  return static_cast<HKEY>(sim::AddHandle(std::move(object)));
}

// What a narrow read hands out: string types come back as ANSI text with
// their size counted in ANSI bytes, everything else as stored.
std::vector<uint8_t> NarrowData(const sim::reg::StoredValue& value) {
  if (!IsStringType(value.type)) return value.bytes;
  std::string ansi = sim::reg::WideToAnsi(sim::reg::FromUtf16Bytes(value.bytes));
  return std::vector<uint8_t>(ansi.begin(), ansi.end());
}

// What a narrow write stores: string types given as ANSI are kept as
// UTF-16, as Windows keeps them.
std::vector<uint8_t> StoredData(DWORD type, const BYTE* data, DWORD size) {
  if (size == 0) return {};
  if (!IsStringType(type)) return std::vector<uint8_t>(data, data + size);
  std::string_view ansi(reinterpret_cast<const char*>(data), size);
  return sim::reg::ToUtf16Bytes(sim::reg::AnsiToWide(ansi));
}

// Copies `data` out the way RegQueryValueEx does: size only without a
// buffer, ERROR_MORE_DATA and the buffer untouched when it is too small.
LSTATUS CopyOut(const std::vector<uint8_t>& data, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpcbData == nullptr) return ERROR_SUCCESS;
  auto size = static_cast<DWORD>(data.size());
  DWORD room = *lpcbData;
  *lpcbData = size;
  if (lpData == nullptr) return ERROR_SUCCESS;
  if (room < size) return ERROR_MORE_DATA;
  if (size > 0) std::memcpy(lpData, data.data(), size);
  return ERROR_SUCCESS;
}

// The common start of opening or creating a subkey: the call entered, the
// result handle cleared, the path checked and the parent handle looked up.
// The machine lock stays held in the request for the rest of the call.
struct SubkeyRequest {
  LSTATUS status = ERROR_SUCCESS;
  std::vector<std::wstring> path;
  std::unique_lock<std::mutex> lock;
  HandleView parent;
};

SubkeyRequest BeginSubkeyRequest(const char* api, HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  SubkeyRequest request;
  std::optional<uint32_t> fault = sim::Enter(api, ERROR_ACCESS_DENIED);
  if (phkResult) *phkResult = nullptr;
  if (fault) {
    request.status = static_cast<LSTATUS>(*fault);
  } else if (phkResult == nullptr) {
    request.status = ERROR_INVALID_PARAMETER;
  } else if (auto path = sim::reg::SplitKeyPath(sim::reg::AnsiToWide(Text(lpSubKey)))) {
    request.path = std::move(*path);
    request.lock = sim::Lock();
    request.parent = sim::reg::ViewKey(hKey, api);
    request.status = request.parent.status;
  } else {
    request.status = ERROR_BAD_PATHNAME;
  }
  return request;
}

}  // namespace

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                             PHKEY phkResult) {
  SubkeyRequest request = BeginSubkeyRequest("RegOpenKeyExA", hKey, lpSubKey, phkResult);
  if (request.status != ERROR_SUCCESS) return request.status;
  std::shared_ptr<Key> key = sim::reg::FindPath(request.parent.key, request.path);
  if (!key) return ERROR_FILE_NOT_FOUND;
  *phkResult = NewKeyHandle(std::move(key), samDesired);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPSTR /*lpClass*/,
                               DWORD /*dwOptions*/, REGSAM samDesired,
                               const SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
  SubkeyRequest request = BeginSubkeyRequest("RegCreateKeyExA", hKey, lpSubKey, phkResult);
  if (request.status != ERROR_SUCCESS) return request.status;
  std::shared_ptr<Key> key = sim::reg::FindPath(request.parent.key, request.path);
  bool created = false;
  if (!key) {
    // Creating below a key takes the right to create subkeys on its handle.
    if (!(request.parent.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    key = sim::reg::CreatePath(request.parent.key, request.path, &created);
  }
  *phkResult = NewKeyHandle(std::move(key), samDesired);
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
  if (std::optional<uint32_t> fault = sim::Enter("RegQueryValueExA", ERROR_ACCESS_DENIED)) {
    return static_cast<LSTATUS>(*fault);
  }
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  std::wstring name = sim::reg::AnsiToWide(Text(lpValueName));

  std::optional<sim::reg::StoredValue> value;
  {
    auto lock = sim::Lock();
    HandleView view = sim::reg::ViewKey(hKey, "RegQueryValueExA");
    if (view.status != ERROR_SUCCESS) return view.status;
    if (!(view.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    const sim::reg::StoredValue* stored = view.key->FindValue(name);
    if (stored == nullptr) return ERROR_FILE_NOT_FOUND;
    value = *stored;
  }
  // The conversion calls the machine's string functions, so it runs
  // without the machine lock.
  std::vector<uint8_t> data = NarrowData(*value);
  if (lpType) *lpType = value->type;
  return CopyOut(data, lpData, lpcbData);
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
  if (std::optional<uint32_t> fault = sim::Enter("RegSetValueExA", ERROR_ACCESS_DENIED)) {
    return static_cast<LSTATUS>(*fault);
  }
  if (lpData == nullptr && cbData != 0) return ERROR_NOACCESS;
  std::wstring name = sim::reg::AnsiToWide(Text(lpValueName));
  std::vector<uint8_t> bytes = StoredData(dwType, lpData, cbData);

  auto lock = sim::Lock();
  HandleView view = sim::reg::ViewKey(hKey, "RegSetValueExA");
  if (view.status != ERROR_SUCCESS) return view.status;
  if (!(view.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  view.key->SetValue(name, dwType, std::move(bytes));
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  if (std::optional<uint32_t> fault = sim::Enter("RegDeleteValueA", ERROR_ACCESS_DENIED)) {
    return static_cast<LSTATUS>(*fault);
  }
  std::wstring name = sim::reg::AnsiToWide(Text(lpValueName));

  auto lock = sim::Lock();
  HandleView view = sim::reg::ViewKey(hKey, "RegDeleteValueA");
  if (view.status != ERROR_SUCCESS) return view.status;
  if (!(view.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return view.key->DeleteValue(name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  if (std::optional<uint32_t> fault = sim::Enter("RegCloseKey", ERROR_ACCESS_DENIED)) {
    return static_cast<LSTATUS>(*fault);
  }
  if (hKey == nullptr) return ERROR_INVALID_HANDLE;
  // The predefined roots are not table entries; closing one does nothing.
  if (sim::reg::RootOfHandle(hKey)) return ERROR_SUCCESS;

  auto lock = sim::Lock();
  bool closed =
      sim::RemoveHandle(static_cast<HANDLE>(hKey), sim::HandleKind::RegistryKey, "RegCloseKey");
  return closed ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

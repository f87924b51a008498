// Opening the service control manager, registering services and closing
// service handles on the simulated machine.
#include "sim/win32/services.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "kernel.h"
#include "registry_tree.h"
#include "services_database.h"

using sim::services::Database;
using sim::services::ManagerObject;
using sim::services::Registration;
using sim::services::ServiceObject;

namespace {

// What a caller that is not elevated may still open the manager for.
constexpr DWORD kUnelevatedRights =
    SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS | READ_CONTROL;

DWORD ManagerRights(DWORD desired) {
  DWORD rights = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if (desired & GENERIC_READ) {
    rights |= SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS | READ_CONTROL;
  }
  if (desired & GENERIC_WRITE) rights |= SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
  if (desired & GENERIC_EXECUTE) rights |= SC_MANAGER_CONNECT | SC_MANAGER_LOCK;
  if (desired & GENERIC_ALL) rights |= SC_MANAGER_ALL_ACCESS;
  // Opening the manager always grants the right to connect to it.
  return rights | SC_MANAGER_CONNECT;
}

template <typename T>
T Failed(DWORD error, T result) {
  sim::SetLastErrorValue(error);
  return result;
}

bool Empty(LPCWSTR text) { return text == nullptr || *text == L'\0'; }

std::optional<std::wstring> Optional(LPCWSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::wstring(text);
}

// A double-null-terminated list, each name kept with its terminator.
std::optional<std::wstring> MultiString(LPCWSTR list) {
  if (list == nullptr) return std::nullopt;
  std::wstring names;
  for (LPCWSTR name = list; *name != L'\0';) {
    std::wstring_view one(name);
    names.append(one);
    names.push_back(L'\0');
    name += one.size() + 1;
  }
  return names;
}

// Tags order drivers within their load-order group; Windows hands them
// out only to boot-start and system-start services.
bool TagAllowed(DWORD startType) {
  return startType == SERVICE_BOOT_START || startType == SERVICE_SYSTEM_START;
}

// Why CreateServiceW refuses these arguments, or 0.
DWORD RefusalFor(const Database& database, const Registration& candidate) {
  if (candidate.name.empty() || candidate.name.find_first_of(L"/\\") != std::wstring::npos) {
    return ERROR_INVALID_NAME;
  }
  if (candidate.binaryPath.empty()) return ERROR_INVALID_PARAMETER;
  if (candidate.tagIdRequested && !TagAllowed(candidate.startType)) return ERROR_INVALID_PARAMETER;
  if (sim::services::FindByName(database, candidate.name)) return ERROR_SERVICE_EXISTS;
  // A display name may not be another service's name or display name.
  if (sim::services::FindByDisplayName(database, candidate.displayName) ||
      sim::services::FindByName(database, candidate.displayName)) {
    return ERROR_DUPLICATE_SERVICE_NAME;
  }
  return ERROR_SUCCESS;
}

}  // namespace

SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName,
                                DWORD dwDesiredAccess) {
  if (std::optional<uint32_t> fault = sim::Enter("OpenSCManagerW", ERROR_ACCESS_DENIED)) {
    return Failed<SC_HANDLE>(*fault, nullptr);
  }
  // The simulated machine has no network: only the local manager answers.
  if (!Empty(lpMachineName)) return Failed<SC_HANDLE>(RPC_S_SERVER_UNAVAILABLE, nullptr);
  if (lpDatabaseName != nullptr && !sim::reg::SameName(lpDatabaseName, L"ServicesActive")) {
    return Failed<SC_HANDLE>(ERROR_DATABASE_DOES_NOT_EXIST, nullptr);
  }

  auto lock = sim::Lock();
  DWORD rights = ManagerRights(dwDesiredAccess);
  if (!sim::services::TheDatabase().elevated && (rights & ~kUnelevatedRights) != 0) {
    return Failed<SC_HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  }
  return static_cast<SC_HANDLE>(sim::AddHandle(std::make_shared<ManagerObject>(rights)));
}

SC_HANDLE WINAPI CreateServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, LPCWSTR lpDisplayName,
                                DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                                DWORD dwErrorControl, LPCWSTR lpBinaryPathName,
                                LPCWSTR lpLoadOrderGroup, LPDWORD lpdwTagId, LPCWSTR lpDependencies,
                                LPCWSTR lpServiceStartName, LPCWSTR lpPassword) {
  if (std::optional<uint32_t> fault = sim::Enter("CreateServiceW", ERROR_ACCESS_DENIED)) {
    return Failed<SC_HANDLE>(*fault, nullptr);
  }
  if (hSCManager == nullptr) return Failed<SC_HANDLE>(ERROR_INVALID_HANDLE, nullptr);
  Registration candidate{
      lpServiceName ? lpServiceName : L"",
      // Without a display name the service shows under its own name.
      Empty(lpDisplayName) ? (lpServiceName ? lpServiceName : L"") : lpDisplayName,
      dwDesiredAccess,
      dwServiceType,
      dwStartType,
      dwErrorControl,
      lpBinaryPathName ? lpBinaryPathName : L"",
      Optional(lpLoadOrderGroup),
      lpdwTagId != nullptr,
      MultiString(lpDependencies),
      Optional(lpServiceStartName),
      Optional(lpPassword),
  };

  auto lock = sim::Lock();
  auto manager = sim::Find<ManagerObject>(static_cast<HANDLE>(hSCManager), "CreateServiceW");
  if (!manager) return Failed<SC_HANDLE>(ERROR_INVALID_HANDLE, nullptr);
  if (!(manager->access() & SC_MANAGER_CREATE_SERVICE)) {
    return Failed<SC_HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  }
  Database& database = sim::services::TheDatabase();
  if (DWORD refusal = RefusalFor(database, candidate)) {
    return Failed<SC_HANDLE>(refusal, nullptr);
  }
  database.registrations.push_back(candidate);
  if (lpdwTagId) *lpdwTagId = 1;
  HANDLE service = sim::AddHandle(std::make_shared<ServiceObject>(candidate.name, dwDesiredAccess));
  database.serviceHandles.insert(service);
  return static_cast<SC_HANDLE>(service);
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
  if (std::optional<uint32_t> fault = sim::Enter("CloseServiceHandle", ERROR_INVALID_HANDLE)) {
    return Failed<BOOL>(*fault, FALSE);
  }
  if (hSCObject == nullptr) return Failed<BOOL>(ERROR_INVALID_HANDLE, FALSE);

  auto lock = sim::Lock();
  auto handle = static_cast<HANDLE>(hSCObject);
  std::set<HANDLE>& serviceHandles = sim::services::TheDatabase().serviceHandles;
  bool isService = serviceHandles.count(handle) != 0;
  sim::HandleKind kind = isService ? ServiceObject::kKind : ManagerObject::kKind;
  if (!sim::RemoveHandle(handle, kind, "CloseServiceHandle")) {
    return Failed<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  }
  if (isService) serviceHandles.erase(handle);
  return TRUE;
}

// The service control manager's database: the registered services, whether
// the caller counts as elevated, and the handles it has given out. Kept
// across process lives, emptied at Reset. Everything here needs the
// machine lock held.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "kernel.h"
#include "sim/services.h"

namespace sim::services {

class ManagerObject : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::ServiceManager;
  explicit ManagerObject(DWORD access) : access_(access) {}
  HandleKind Kind() const override { return kKind; }
  DWORD access() const { return access_; }

 private:
  DWORD access_;
};

class ServiceObject : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::Service;
  ServiceObject(std::wstring name, DWORD access) : name_(std::move(name)), access_(access) {}
  HandleKind Kind() const override { return kKind; }
  const std::wstring& name() const { return name_; }
  DWORD access() const { return access_; }

 private:
  std::wstring name_;
  DWORD access_;
};

struct Database {
  std::vector<Registration> registrations;
  bool elevated = true;
  // Values of the service handles given out, so that CloseServiceHandle can
  // tell which kind of handle it was given.
  std::set<HANDLE> serviceHandles;
};
Database& TheDatabase();

// Service names and display names compare without regard to case.
const Registration* FindByName(const Database& database, const std::wstring& name);
const Registration* FindByDisplayName(const Database& database, const std::wstring& displayName);

}  // namespace sim::services

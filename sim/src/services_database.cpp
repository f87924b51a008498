// The service control manager's database and its control surface.
#include "services_database.h"

#include "registry_tree.h"

namespace sim::services {
namespace {

// Reset hooks run while no simulated thread runs; they take no lock.
void ResetDatabase() { TheDatabase() = Database(); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetDatabase), true);

// The same comparison Windows applies to registry names.
bool SameName(const std::wstring& a, const std::wstring& b) { return reg::SameName(a, b); }

}  // namespace

// Never destroyed, so that nothing depends on the order of static
// destruction at exit.
Database& TheDatabase() {
  static Database* database = new Database;
  return *database;
}

const Registration* FindByName(const Database& database, const std::wstring& name) {
  for (const Registration& registration : database.registrations) {
    if (SameName(registration.name, name)) return &registration;
  }
  return nullptr;
}

const Registration* FindByDisplayName(const Database& database, const std::wstring& displayName) {
  for (const Registration& registration : database.registrations) {
    if (SameName(registration.displayName, displayName)) return &registration;
  }
  return nullptr;
}

std::optional<Registration> Find(const std::wstring& name) {
  auto lock = Lock();
  const Registration* registration = FindByName(TheDatabase(), name);
  if (registration == nullptr) return std::nullopt;
  return *registration;
}

const std::vector<Registration>& All() {
  auto lock = Lock();
  return TheDatabase().registrations;
}

void SetElevated(bool elevated) {
  auto lock = Lock();
  TheDatabase().elevated = elevated;
}

}  // namespace sim::services

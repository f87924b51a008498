// The controller's view of the simulated registry: set values up and read
// them back by path, without going through handles.
#include "sim/registry.h"

#include <stdexcept>

#include "kernel.h"
#include "registry_tree.h"
#include "registry_unicode.h"
#include "sim/win32/registry.h"

namespace sim::registry {
namespace {

struct KeyPath {
  reg::Root root;
  std::vector<std::wstring> components;
};

// "HKEY_CLASSES_ROOT\\KoruAudio" split into its root and subkey names.
std::optional<KeyPath> ParsePath(const std::string& keyPath) {
  std::optional<std::wstring> wide = reg::FromUtf8(keyPath);
  if (!wide) return std::nullopt;
  size_t slash = wide->find(L'\\');
  std::optional<reg::Root> root = reg::RootByName(std::wstring_view(*wide).substr(0, slash));
  if (!root) return std::nullopt;
  std::wstring_view rest;
  if (slash != std::wstring::npos) rest = std::wstring_view(*wide).substr(slash + 1);
  auto components = reg::SplitKeyPath(rest);
  if (!components) return std::nullopt;
  return KeyPath{*root, std::move(*components)};
}

KeyPath RequirePath(const std::string& keyPath) {
  std::optional<KeyPath> path = ParsePath(keyPath);
  if (!path) throw std::invalid_argument("not a registry key path: " + keyPath);
  return *path;
}

std::wstring ValueName(const std::string& name) {
  std::optional<std::wstring> wide = reg::FromUtf8(name);
  if (!wide) throw std::invalid_argument("registry value name is not UTF-8: " + name);
  return *wide;
}

// Lock held.
std::shared_ptr<reg::Key> ExistingKey(const std::string& keyPath) {
  std::optional<KeyPath> path = ParsePath(keyPath);
  if (!path) return nullptr;
  return reg::FindPath(reg::Registry().RootKey(path->root), path->components);
}

// Lock held.
std::shared_ptr<reg::Key> CreatedKey(const KeyPath& path) {
  bool created = false;
  return reg::CreatePath(reg::Registry().RootKey(path.root), path.components, &created);
}

void Store(const std::string& keyPath, const std::string& name, uint32_t type,
           std::vector<uint8_t> bytes) {
  KeyPath path = RequirePath(keyPath);
  std::wstring valueName = ValueName(name);
  auto lock = Lock();
  CreatedKey(path)->SetValue(valueName, type, std::move(bytes));
}

}  // namespace

void SetDword(const std::string& keyPath, const std::string& name, uint32_t value) {
  std::vector<uint8_t> bytes(4);
  for (size_t i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  Store(keyPath, name, REG_DWORD, std::move(bytes));
}

void SetString(const std::string& keyPath, const std::string& name, const std::wstring& text) {
  std::wstring terminated = text;
  terminated.push_back(L'\0');
  Store(keyPath, name, REG_SZ, reg::ToUtf16Bytes(terminated));
}

void SetBinary(const std::string& keyPath, const std::string& name,
               const std::vector<uint8_t>& bytes) {
  Store(keyPath, name, REG_BINARY, bytes);
}

void SetValue(const std::string& keyPath, const std::string& name, uint32_t type,
              const std::vector<uint8_t>& bytes) {
  Store(keyPath, name, type, bytes);
}

void DeleteValue(const std::string& keyPath, const std::string& name) {
  std::wstring valueName = ValueName(name);
  auto lock = Lock();
  if (std::shared_ptr<reg::Key> key = ExistingKey(keyPath)) key->DeleteValue(valueName);
}

void CreateKey(const std::string& keyPath) {
  KeyPath path = RequirePath(keyPath);
  auto lock = Lock();
  CreatedKey(path);
}

bool KeyExists(const std::string& keyPath) {
  auto lock = Lock();
  return ExistingKey(keyPath) != nullptr;
}

std::optional<Value> GetValue(const std::string& keyPath, const std::string& name) {
  std::optional<std::wstring> valueName = reg::FromUtf8(name);
  if (!valueName) return std::nullopt;
  auto lock = Lock();
  std::shared_ptr<reg::Key> key = ExistingKey(keyPath);
  if (!key) return std::nullopt;
  const reg::StoredValue* stored = key->FindValue(*valueName);
  if (stored == nullptr) return std::nullopt;
  return Value{stored->type, stored->bytes};
}

std::optional<uint32_t> GetDword(const std::string& keyPath, const std::string& name) {
  std::optional<Value> value = GetValue(keyPath, name);
  if (!value || value->type != REG_DWORD || value->bytes.size() != 4) return std::nullopt;
  uint32_t dword = 0;
  for (size_t i = 0; i < 4; ++i) dword |= static_cast<uint32_t>(value->bytes[i]) << (8 * i);
  return dword;
}

}  // namespace sim::registry

// The registry's keys and values in memory.
#include "registry_tree.h"

#include <algorithm>
#include <utility>

#include "kernel.h"

namespace sim::reg {
namespace {

// Never destroyed, so that nothing depends on the order of static
// destruction at exit.
Tree& Current() {
  static Tree* tree = new Tree(Tree::Empty());
  return *tree;
}

// Reset hooks run while no simulated thread runs; they take no lock.
void ResetRegistry() { ReplaceRegistry(Tree::Empty()); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetRegistry), true);

struct RootInfo {
  Root root;
  const wchar_t* name;
  const wchar_t* shortName;
  ULONG_PTR handle;
};
constexpr RootInfo kRootInfo[] = {
    {Root::ClassesRoot, L"HKEY_CLASSES_ROOT", L"HKCR", 0x80000000u},
    {Root::CurrentUser, L"HKEY_CURRENT_USER", L"HKCU", 0x80000001u},
    {Root::LocalMachine, L"HKEY_LOCAL_MACHINE", L"HKLM", 0x80000002u},
};

}  // namespace

wchar_t UpcaseChar(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 0x20);
  // Latin-1 letters, except the division sign and the y with diaeresis,
  // whose capital lies elsewhere.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  // The other lower-case letters of Windows-1252 (š, œ, ž).
  if (c == 0x161 || c == 0x153 || c == 0x17E) return static_cast<wchar_t>(c - 1);
  return c;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpcaseChar(a[i]) != UpcaseChar(b[i])) return false;
  }
  return true;
}

bool NameLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](wchar_t x, wchar_t y) { return UpcaseChar(x) < UpcaseChar(y); });
}

void Key::MarkDeletedTree() {
  deleted_ = true;
  for (auto& [name, subkey] : subkeys_) subkey->MarkDeletedTree();
}

const StoredValue* Key::FindValue(std::wstring_view name) const {
  for (const StoredValue& value : values_) {
    if (SameName(value.name, name)) return &value;
  }
  return nullptr;
}

void Key::SetValue(std::wstring_view name, DWORD type, std::vector<uint8_t> bytes) {
  for (StoredValue& value : values_) {
    if (!SameName(value.name, name)) continue;
    // Windows keeps the case of the name the value was first set with.
    value.type = type;
    value.bytes = std::move(bytes);
    return;
  }
  values_.push_back(StoredValue{std::wstring(name), type, std::move(bytes)});
}

bool Key::DeleteValue(std::wstring_view name) {
  auto it = std::find_if(values_.begin(), values_.end(),
                         [&](const StoredValue& value) { return SameName(value.name, name); });
  if (it == values_.end()) return false;
  values_.erase(it);
  return true;
}

std::shared_ptr<Key> Key::FindSubkey(const std::wstring& name) const {
  auto it = subkeys_.find(name);
  return it == subkeys_.end() ? nullptr : it->second;
}

std::shared_ptr<Key> Key::CreateSubkey(const std::wstring& name, bool* created) {
  auto [it, inserted] = subkeys_.try_emplace(name, nullptr);
  if (inserted) it->second = std::make_shared<Key>(name);
  *created = inserted;
  return it->second;
}

Tree Tree::Empty() {
  Tree tree;
  for (Root root : kRoots)
    tree.roots[static_cast<size_t>(root)] = std::make_shared<Key>(RootName(root));
  return tree;
}

Tree& Registry() { return Current(); }

void ReplaceRegistry(Tree tree) {
  for (const auto& root : Current().roots) root->MarkDeletedTree();
  Current() = std::move(tree);
}

const wchar_t* RootName(Root root) { return kRootInfo[static_cast<size_t>(root)].name; }

std::optional<Root> RootByName(std::wstring_view name) {
  for (const RootInfo& info : kRootInfo) {
    if (SameName(name, info.name) || SameName(name, info.shortName)) return info.root;
  }
  return std::nullopt;
}

HKEY RootHandle(Root root) {
  return reinterpret_cast<HKEY>(kRootInfo[static_cast<size_t>(root)].handle);
}

std::optional<Root> RootOfHandle(HKEY handle) {
  for (const RootInfo& info : kRootInfo) {
    if (reinterpret_cast<ULONG_PTR>(handle) == info.handle) return info.root;
  }
  return std::nullopt;
}

std::optional<std::vector<std::wstring>> SplitKeyPath(std::wstring_view path) {
  std::vector<std::wstring> components;
  if (path.empty()) return components;
  if (path.front() == L'\\') return std::nullopt;
  if (path.back() == L'\\') path.remove_suffix(1);
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = std::min(path.find(L'\\', start), path.size());
    if (end == start) return std::nullopt;
    components.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

std::shared_ptr<Key> FindPath(std::shared_ptr<Key> from,
                              const std::vector<std::wstring>& components) {
  for (const std::wstring& name : components) {
    from = from->FindSubkey(name);
    if (!from) return nullptr;
  }
  return from;
}

std::shared_ptr<Key> CreatePath(std::shared_ptr<Key> from,
                                const std::vector<std::wstring>& components, bool* created) {
  *created = false;
  for (const std::wstring& name : components) from = from->CreateSubkey(name, created);
  return from;
}

}  // namespace sim::reg

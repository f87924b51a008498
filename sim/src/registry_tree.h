// The registry's keys and values in memory: a tree of keys under the three
// predefined roots, names compared case-insensitively with their case kept.
// Everything here needs the machine lock held.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/win32/base.h"

namespace sim::reg {

// Windows compares key and value names after upcasing each character.
wchar_t UpcaseChar(wchar_t c);
bool SameName(std::wstring_view a, std::wstring_view b);
struct NameLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};

struct StoredValue {
  std::wstring name;
  DWORD type = 0;
  std::vector<uint8_t> bytes;
};

class Key {
 public:
  explicit Key(std::wstring name) : name_(std::move(name)) {}

  const std::wstring& Name() const { return name_; }
  // A key that was taken out of the registry (a Load replaced it); handles
  // to it stay open but every use fails.
  bool Deleted() const { return deleted_; }
  void MarkDeletedTree();

  const StoredValue* FindValue(std::wstring_view name) const;
  void SetValue(std::wstring_view name, DWORD type, std::vector<uint8_t> bytes);
  bool DeleteValue(std::wstring_view name);
  // In the order they were first set, as Windows enumerates them.
  const std::vector<StoredValue>& Values() const { return values_; }

  std::shared_ptr<Key> FindSubkey(const std::wstring& name) const;
  // The subkey of that name, created when missing; `created` tells which.
  std::shared_ptr<Key> CreateSubkey(const std::wstring& name, bool* created);
  // Ordered by name without regard to case, as Windows enumerates them.
  const std::map<std::wstring, std::shared_ptr<Key>, NameLess>& Subkeys() const { return subkeys_; }

 private:
  std::wstring name_;
  bool deleted_ = false;
  std::vector<StoredValue> values_;
  std::map<std::wstring, std::shared_ptr<Key>, NameLess> subkeys_;
};

enum class Root { ClassesRoot, CurrentUser, LocalMachine };
inline constexpr std::array<Root, 3> kRoots = {Root::ClassesRoot, Root::CurrentUser,
                                               Root::LocalMachine};

// The whole registry: one key per predefined root.
struct Tree {
  std::array<std::shared_ptr<Key>, 3> roots;
  static Tree Empty();
  std::shared_ptr<Key> RootKey(Root root) const { return roots[static_cast<size_t>(root)]; }
};

// The machine's registry (emptied at every Reset).
Tree& Registry();
// Puts `tree` in place of the current registry; the keys of the old one
// count as deleted from then on.
void ReplaceRegistry(Tree tree);

const wchar_t* RootName(Root root);
// "HKEY_CLASSES_ROOT" or its short form "HKCR", any case.
std::optional<Root> RootByName(std::wstring_view name);
// The predefined handle value of a root, and back.
HKEY RootHandle(Root root);
std::optional<Root> RootOfHandle(HKEY handle);

// Splits a subkey path at its backslashes. A trailing backslash is allowed;
// a leading one or an empty component is not (Windows: ERROR_BAD_PATHNAME).
std::optional<std::vector<std::wstring>> SplitKeyPath(std::wstring_view path);

// Walks `components` down from `from`; null when one is missing.
std::shared_ptr<Key> FindPath(std::shared_ptr<Key> from,
                              const std::vector<std::wstring>& components);
// Walks down, creating what is missing; `created` tells whether the last
// key is new.
std::shared_ptr<Key> CreatePath(std::shared_ptr<Key> from,
                                const std::vector<std::wstring>& components, bool* created);

}  // namespace sim::reg

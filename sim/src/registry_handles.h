// Registry key handles: the table object behind an opened key, and the one
// way every narrow call turns an HKEY into a key.
#pragma once

#include <memory>

#include "kernel.h"
#include "registry_tree.h"

namespace sim::reg {

class KeyObject : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::RegistryKey;
  KeyObject(std::shared_ptr<Key> key, REGSAM access) : key_(std::move(key)), access_(access) {}
  HandleKind Kind() const override { return kKind; }

  const std::shared_ptr<Key>& key() const { return key_; }
  REGSAM access() const { return access_; }

 private:
  std::shared_ptr<Key> key_;
  REGSAM access_;
};

// A key as a call sees it through its handle: the status when the handle
// does not lead to a live key, otherwise the key and the handle's rights.
struct HandleView {
  LSTATUS status = ERROR_SUCCESS;
  std::shared_ptr<Key> key;
  REGSAM access = 0;
};

// Lock held. A NULL key is ERROR_INVALID_HANDLE and nothing more; a closed
// or foreign handle is also recorded as a handle fault; the predefined roots
// have every right.
HandleView ViewKey(HKEY hKey, const char* api);

// Generic rights mapped to the key rights they stand for.
REGSAM KeyRights(REGSAM samDesired);

}  // namespace sim::reg

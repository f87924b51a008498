// Registry key handles.
#include "registry_handles.h"

#include "sim/win32/registry.h"

namespace sim::reg {

HandleView ViewKey(HKEY hKey, const char* api) {
  HandleView view;
  if (hKey == nullptr) {
    view.status = ERROR_INVALID_HANDLE;
    return view;
  }
  if (std::optional<Root> root = RootOfHandle(hKey)) {
    view.key = Registry().RootKey(*root);
    view.access = KEY_ALL_ACCESS;
    return view;
  }
  std::shared_ptr<KeyObject> object = Find<KeyObject>(static_cast<HANDLE>(hKey), api);
  if (!object) {
    view.status = ERROR_INVALID_HANDLE;
    return view;
  }
  if (object->key()->Deleted()) {
    view.status = ERROR_KEY_DELETED;
    return view;
  }
  view.key = object->key();
  view.access = object->access();
  return view;
}

REGSAM KeyRights(REGSAM samDesired) {
  REGSAM rights = samDesired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if (samDesired & (GENERIC_READ | GENERIC_EXECUTE)) rights |= KEY_READ;
  if (samDesired & GENERIC_WRITE) rights |= KEY_WRITE;
  if (samDesired & GENERIC_ALL) rights |= KEY_ALL_ACCESS;
  return rights;
}

}  // namespace sim::reg

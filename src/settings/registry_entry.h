// The settings object: the service's one connection to its registry key,
// which serves reads and writes of the six values by index.
#pragma once

#include <type_traits>

#include "platform/unique_handle.h"
#include "platform/win32.h"
#include "service/process_wide.h"
#include "settings/registry_values.h"

class RegistryEntry {
 public:
  // Connects to the key, creating it with its defaults when missing, and
  // loads `volumeLimit` and `serviceVersion`. A failure is traced and the
  // process goes on with the built-in values.
  RegistryEntry();

  // Runs once, from the constructor. Returns the status of the key creation
  // or, for a new key, of the last default written; 0 is success.
  LONG connectRegistry();

  // Always returns 0. `*value` receives the stored value, or the default
  // (written back) when the value is missing, and keeps its content when
  // the value cannot be read.
  LONG getRegistryValue(RegistryValueIndex index, DWORD* value);
  // The same for any other 32-bit integer of the caller.
  template <typename Int>
  requires(std::is_integral_v<Int> && sizeof(Int) == sizeof(DWORD)) LONG
      getRegistryValue(RegistryValueIndex index, Int* value) {
    DWORD raw = static_cast<DWORD>(*value);
    LONG status = getRegistryValue(index, &raw);
    *value = static_cast<Int>(raw);
    return status;
  }

  // Writes a REG_DWORD; returns the status of the write.
  LONG setRegistryValue(RegistryValueIndex index, DWORD value);

  bool connected() const { return static_cast<bool>(registryKey); }
  // REG_CREATED_NEW_KEY, REG_OPENED_EXISTING_KEY, or 0 when the key was
  // neither.
  DWORD disposition() const { return dwDisposition; }

 private:
  LONG openSettingsKey();
  LONG writeDefaults();
  void loadSettings();
  void restoreDefault(RegistryValueIndex index);

  // A handle of our own to HKEY_CLASSES_ROOT, the parent of the settings key.
  UniqueHkey mainKeyRoot;
  const char* subkeyName = SETTINGS_KEY_NAME;
  // Declared after mainKeyRoot, so the settings key is closed first.
  UniqueHkey registryKey;
  DWORD dwDisposition = 0;
};

extern ProcessWide<RegistryEntry> registryEntry;

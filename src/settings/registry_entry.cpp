// The settings object: opening the key, writing defaults into a new one,
// loading the limit and the feature word, and the per-value reads and
// writes with their trace lines.
#include "settings/registry_entry.h"

#include "diagnostics/trace.h"
#include "service/shared_objects.h"
#include "settings/feature_trace.h"
#include "settings/loaded_values.h"

constinit ProcessWide<RegistryEntry> registryEntry;

namespace {

// The read and write traces print the current output kind, not the index.
int CurrentOutputType() { return outputType->load(); }

LONG WriteDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value));
}

}  // namespace

RegistryEntry::RegistryEntry() {
  WriteTrace(L"Entry of registryEntry");
  if (connectRegistry() != ERROR_SUCCESS) WriteTrace(L"Constructor error: Failed on connecting");
}

LONG RegistryEntry::connectRegistry() {
  WriteTrace(L"Connect to registry");
  LONG status = openSettingsKey();
  // A key that could not be created is not a reason to stop: every read
  // below fails against the NULL key and leaves the built-in values.
  if (dwDisposition == REG_CREATED_NEW_KEY) status = writeDefaults();
  loadSettings();
  TraceServiceVersion(serviceVersion->version);
  return status;
}

LONG RegistryEntry::openSettingsKey() {
  LONG rootStatus = RegOpenKeyExA(HKEY_CLASSES_ROOT, nullptr, 0, KEY_ALL_ACCESS, mainKeyRoot.put());
  WriteTrace(L"Open mainKeyRoot status: %d", rootStatus);

  LONG status = RegCreateKeyExA(mainKeyRoot.get(), subkeyName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, registryKey.put(), &dwDisposition);
  WriteTrace(L"Open subkeyName status: %d", status);
  WriteTrace(L"Registry key's dwDisposition is %d", dwDisposition);
  WriteTrace(L"Get status is %d", status);
  if (status != ERROR_SUCCESS) {
    WriteTraceA("Fail to create registryKey on %hs, status is %d", subkeyName, status);
  }
  return status;
}

// A failed write does not stop the others; the first read that misses the
// value writes it again.
LONG RegistryEntry::writeDefaults() {
  LONG status = ERROR_SUCCESS;
  for (int i = 0; i < REGISTRY_VALUE_COUNT; ++i) {
    status = WriteDword(registryKey.get(), registryValueNames[i], defaultValues[i]);
    if (status != ERROR_SUCCESS) {
      WriteTraceA("Fail to init registryKey on %hs, status is %d", registryValueNames[i], status);
    } else {
      WriteTraceA("Succeed to init registryKey on %s", registryValueNames[i]);
    }
  }
  return status;
}

void RegistryEntry::loadSettings() {
  getRegistryValue(RegistryValueIndex::VolumeLimit, volumeLimit.get());
  getRegistryValue(RegistryValueIndex::ServiceVersion, &serviceVersion->version);
}

LONG RegistryEntry::getRegistryValue(RegistryValueIndex index, DWORD* value) {
  const char* name = RegistryValueName(index);
  // Read into a copy: Windows leaves the buffer undefined when the value
  // does not fit, and the caller's variable must keep its content then. The
  // copy starts as the variable, so a shorter value (a REG_BINARY of one
  // byte) changes only the bytes it covers, as a read into the variable would.
  DWORD stored = *value;
  DWORD size = sizeof(stored);
  LONG status = RegQueryValueExA(registryKey.get(), name, nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&stored), &size);
  if (status == ERROR_SUCCESS) {
    *value = stored;
  } else if (status == ERROR_FILE_NOT_FOUND) {
    restoreDefault(index);
    *value = DefaultValue(index);
  }
  WriteTraceA("Get Registry value %s:%d, type is %d", name, *value, CurrentOutputType());
  return ERROR_SUCCESS;
}

void RegistryEntry::restoreDefault(RegistryValueIndex index) {
  WriteDword(registryKey.get(), RegistryValueName(index), DefaultValue(index));
}

LONG RegistryEntry::setRegistryValue(RegistryValueIndex index, DWORD value) {
  const char* name = RegistryValueName(index);
  LONG status = WriteDword(registryKey.get(), name, value);
  WriteTrace(L"Set reg status:%d", status);
  WriteTraceA("Set Registry value %s:%d, type is %d", name, value, CurrentOutputType());
  return status;
}

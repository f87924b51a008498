// Control surface of the simulated registry: set values up, read them back,
// save the whole registry to a text file and load it again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim::registry {

// Key paths are written the Windows way, e.g. "HKEY_CLASSES_ROOT\\KoruAudio"
// (the roots also as HKCR, HKCU, HKLM); key and value names are compared
// without regard to case. Paths and names are UTF-8. The setters create the
// key when it is missing and throw std::invalid_argument for a path that
// does not start with a root; the readers answer "missing" instead.
void SetDword(const std::string& keyPath, const std::string& name, uint32_t value);
// A REG_SZ value, stored as UTF-16 with its terminator as Windows does.
void SetString(const std::string& keyPath, const std::string& name, const std::wstring& text);
void SetBinary(const std::string& keyPath, const std::string& name,
               const std::vector<uint8_t>& bytes);
// A value of any type with exactly these bytes.
void SetValue(const std::string& keyPath, const std::string& name, uint32_t type,
              const std::vector<uint8_t>& bytes);
void DeleteValue(const std::string& keyPath, const std::string& name);
void CreateKey(const std::string& keyPath);
bool KeyExists(const std::string& keyPath);

struct Value {
  uint32_t type;               // REG_DWORD, REG_SZ, REG_BINARY, ...
  std::vector<uint8_t> bytes;  // as stored
};
std::optional<Value> GetValue(const std::string& keyPath, const std::string& name);
// The value as a DWORD when it is a REG_DWORD of 4 bytes.
std::optional<uint32_t> GetDword(const std::string& keyPath, const std::string& name);

// Text form of the whole registry; Load replaces the registry with it.
// Returns false (and changes nothing) when the file cannot be read or parsed.
bool Save(const std::string& file);
bool Load(const std::string& file);

}  // namespace sim::registry

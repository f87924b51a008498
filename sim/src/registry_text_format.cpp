// Writing the registry's text form.
#include "registry_text.h"

#include <cstdio>

#include "registry_unicode.h"
#include "sim/win32/registry.h"

namespace sim::reg {
namespace {

bool NeedsEscape(wchar_t wc) {
  auto c = static_cast<uint32_t>(wc);
  return c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF;
}

std::string Hex(uint64_t value, int digits) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%0*llx", digits, static_cast<unsigned long long>(value));
  return buffer;
}

std::string Quote(std::wstring_view text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == L'\n') {
      out += "\\n";
    } else if (c == L'\r') {
      out += "\\r";
    } else if (c == L'\t') {
      out += "\\t";
    } else if (NeedsEscape(c)) {
      out += "\\u{" + Hex(static_cast<uint32_t>(c), 1) + "}";
    } else {
      out += ToUtf8(std::wstring_view(&c, 1));
    }
  }
  return out + "\"";
}

// A key name goes bare into the brackets unless it could be misread.
std::string KeyComponent(const std::wstring& name) {
  bool bare = !name.empty() && name.front() != L'"';
  for (wchar_t c : name) bare = bare && !NeedsEscape(c);
  return bare ? ToUtf8(name) : Quote(name);
}

uint64_t LittleEndian(const std::vector<uint8_t>& bytes) {
  uint64_t value = 0;
  for (size_t i = bytes.size(); i > 0; --i) value = (value << 8) | bytes[i - 1];
  return value;
}

// The text of a REG_SZ or REG_EXPAND_SZ without its terminator, when the
// bytes are UTF-16 that ends in exactly the one terminator.
std::optional<std::wstring> TerminatedText(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return std::nullopt;
  if (bytes[bytes.size() - 2] != 0 || bytes.back() != 0) return std::nullopt;
  std::wstring text = FromUtf16Bytes(bytes);
  text.pop_back();
  return text;
}

std::string HexBytes(DWORD type, const std::vector<uint8_t>& bytes) {
  std::string out = "hex(" + Hex(type, 1) + "):";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += ',';
    out += Hex(bytes[i], 2);
  }
  return out;
}

std::string ValueData(const StoredValue& value) {
  if (value.type == REG_DWORD && value.bytes.size() == 4) {
    return "dword:" + Hex(LittleEndian(value.bytes), 8);
  }
  if (value.type == REG_QWORD && value.bytes.size() == 8) {
    return "qword:" + Hex(LittleEndian(value.bytes), 16);
  }
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
    if (std::optional<std::wstring> text = TerminatedText(value.bytes)) {
      return (value.type == REG_SZ ? "sz:" : "expand:") + Quote(*text);
    }
  }
  return HexBytes(value.type, value.bytes);
}

void AppendValues(const Key& key, std::string* out) {
  for (const StoredValue& value : key.Values()) {
    *out += value.name.empty() ? std::string("@") : Quote(value.name);
    *out += '=' + ValueData(value) + '\n';
  }
}

void AppendKey(const Key& key, const std::string& path, std::string* out) {
  *out += "\n[" + path + "]\n";
  AppendValues(key, out);
  for (const auto& [name, subkey] : key.Subkeys()) {
    AppendKey(*subkey, path + '\\' + KeyComponent(subkey->Name()), out);
  }
}

}  // namespace

std::string FormatTree(const Tree& tree) {
  std::string out = "; Registry of the simulated machine\n";
  for (Root root : kRoots) {
    const Key& key = *tree.RootKey(root);
    std::string path = ToUtf8(RootName(root));
    // A root always exists; it gets a section of its own only for values.
    if (!key.Values().empty()) {
      out += "\n[" + path + "]\n";
      AppendValues(key, &out);
    }
    for (const auto& [name, subkey] : key.Subkeys()) {
      AppendKey(*subkey, path + '\\' + KeyComponent(subkey->Name()), &out);
    }
  }
  return out;
}

}  // namespace sim::reg

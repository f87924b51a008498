// Reading the registry's text form back.
#include "registry_text.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "registry_unicode.h"
#include "sim/win32/registry.h"

namespace sim::reg {
namespace {

std::optional<uint32_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
  return std::nullopt;
}

// A cursor over one line of the text form.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : rest_(line) {}

  bool AtEnd() const { return rest_.empty(); }
  char Peek() const { return rest_.empty() ? '\0' : rest_.front(); }

  bool Take(std::string_view word) {
    if (rest_.substr(0, word.size()) != word) return false;
    rest_.remove_prefix(word.size());
    return true;
  }

  std::string_view Until(char stop) {
    size_t end = std::min(rest_.find(stop), rest_.size());
    std::string_view taken = rest_.substr(0, end);
    rest_.remove_prefix(end);
    return taken;
  }

  // Between `minDigits` and `maxDigits` hexadecimal digits.
  std::optional<uint64_t> Hex(size_t minDigits, size_t maxDigits) {
    uint64_t value = 0;
    size_t digits = 0;
    while (digits < maxDigits && !rest_.empty()) {
      std::optional<uint32_t> digit = HexDigit(rest_.front());
      if (!digit) break;
      value = (value << 4) | *digit;
      rest_.remove_prefix(1);
      ++digits;
    }
    if (digits < minDigits) return std::nullopt;
    return value;
  }

  // A string in double quotes with the escapes of the text form.
  std::optional<std::wstring> Quoted() {
    if (!Take("\"")) return std::nullopt;
    std::wstring text;
    std::string raw;
    while (!rest_.empty() && rest_.front() != '"') {
      if (rest_.front() != '\\') {
        raw += rest_.front();
        rest_.remove_prefix(1);
        continue;
      }
      if (!Flush(&raw, &text)) return std::nullopt;
      std::optional<wchar_t> escaped = Escape();
      if (!escaped) return std::nullopt;
      text += *escaped;
    }
    if (!Take("\"") || !Flush(&raw, &text)) return std::nullopt;
    return text;
  }

 private:
  static bool Flush(std::string* raw, std::wstring* text) {
    std::optional<std::wstring> decoded = FromUtf8(*raw);
    if (!decoded) return false;
    *text += *decoded;
    raw->clear();
    return true;
  }

  // The character of one escape, the backslash not yet taken.
  std::optional<wchar_t> Escape() {
    rest_.remove_prefix(1);
    if (Take("\"")) return L'"';
    if (Take("\\")) return L'\\';
    if (Take("n")) return L'\n';
    if (Take("r")) return L'\r';
    if (Take("t")) return L'\t';
    if (!Take("u{")) return std::nullopt;
    std::optional<uint64_t> code = Hex(1, 8);
    if (!code || !Take("}")) return std::nullopt;
    return static_cast<wchar_t>(static_cast<uint32_t>(*code));
  }

  std::string_view rest_;
};

std::vector<uint8_t> LittleEndianBytes(uint64_t value, size_t count) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return bytes;
}

struct ParsedValue {
  DWORD type = 0;
  std::vector<uint8_t> bytes;
};

std::optional<ParsedValue> Number(LineReader& in, DWORD type, size_t digits) {
  std::optional<uint64_t> number = in.Hex(digits, digits);
  if (!number || !in.AtEnd()) return std::nullopt;
  return ParsedValue{type, LittleEndianBytes(*number, digits / 2)};
}

std::optional<ParsedValue> Text(LineReader& in, DWORD type) {
  std::optional<std::wstring> text = in.Quoted();
  if (!text || !in.AtEnd()) return std::nullopt;
  text->push_back(L'\0');
  return ParsedValue{type, ToUtf16Bytes(*text)};
}

// "hex(TYPE):" then bytes of two digits separated by commas, maybe none.
std::optional<ParsedValue> HexData(LineReader& in) {
  std::optional<uint64_t> type = in.Hex(1, 8);
  if (!type || !in.Take("):")) return std::nullopt;
  ParsedValue value{static_cast<DWORD>(*type), {}};
  while (!in.AtEnd()) {
    if (!value.bytes.empty() && !in.Take(",")) return std::nullopt;
    std::optional<uint64_t> byte = in.Hex(2, 2);
    if (!byte) return std::nullopt;
    value.bytes.push_back(static_cast<uint8_t>(*byte));
  }
  return value;
}

std::optional<ParsedValue> Data(LineReader& in) {
  if (in.Take("dword:")) return Number(in, REG_DWORD, 8);
  if (in.Take("qword:")) return Number(in, REG_QWORD, 16);
  if (in.Take("sz:")) return Text(in, REG_SZ);
  if (in.Take("expand:")) return Text(in, REG_EXPAND_SZ);
  if (in.Take("hex(")) return HexData(in);
  return std::nullopt;
}

// `NAME=DATA` into `key`.
bool ReadValue(std::string_view line, Key& key) {
  LineReader in(line);
  std::optional<std::wstring> name = in.Take("@") ? std::wstring() : in.Quoted();
  if (!name || !in.Take("=")) return false;
  std::optional<ParsedValue> value = Data(in);
  if (!value) return false;
  key.SetValue(*name, value->type, std::move(value->bytes));
  return true;
}

// The key names of `[ROOT\name\"quoted name"]`, the root's first.
std::optional<std::vector<std::wstring>> HeaderPath(std::string_view line) {
  if (line.size() < 2 || line.back() != ']') return std::nullopt;
  LineReader in(line.substr(1, line.size() - 2));
  std::vector<std::wstring> names;
  do {
    if (in.Peek() == '"') {
      std::optional<std::wstring> quoted = in.Quoted();
      if (!quoted) return std::nullopt;
      names.push_back(*quoted);
      continue;
    }
    std::optional<std::wstring> bare = FromUtf8(in.Until('\\'));
    if (!bare || bare->empty()) return std::nullopt;
    names.push_back(*bare);
  } while (in.Take("\\"));
  if (!in.AtEnd()) return std::nullopt;
  return names;
}

std::shared_ptr<Key> ReadHeader(std::string_view line, const Tree& tree) {
  std::optional<std::vector<std::wstring>> names = HeaderPath(line);
  if (!names) return nullptr;
  std::optional<Root> root = RootByName(names->front());
  if (!root) return nullptr;
  names->erase(names->begin());
  bool created = false;
  return CreatePath(tree.RootKey(*root), *names, &created);
}

bool Ignored(std::string_view line) {
  if (line.empty() || line.front() == ';' || line.front() == '#') return true;
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

std::optional<Tree> ParseTree(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Tree tree = Tree::Empty();
  std::shared_ptr<Key> key;
  while (!text.empty()) {
    size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (Ignored(line)) continue;
    if (line.front() == '[') {
      key = ReadHeader(line, tree);
      if (!key) return std::nullopt;
    } else if (!key || !ReadValue(line, *key)) {
      return std::nullopt;
    }
  }
  return tree;
}

}  // namespace sim::reg

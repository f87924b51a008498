// Reading the service's trace lines back from the machine's debug output.
#include "trace_log.h"

#include <cwctype>

#include "sim/machine.h"

namespace koru {
namespace {

const wchar_t kServiceTag[] = L"KoruAudioService";

bool IsDigits(const std::wstring& text, size_t from, size_t count) {
  if (text.size() < from + count) return false;
  for (size_t i = from; i < from + count; ++i) {
    if (!std::iswdigit(text[i])) return false;
  }
  return true;
}

// "HH:MM:SS.mmm"
bool IsTime(const std::wstring& text) {
  return text.size() >= 12 && IsDigits(text, 0, 2) && text[2] == L':' && IsDigits(text, 3, 2) &&
         text[5] == L':' && IsDigits(text, 6, 2) && text[8] == L'.' && IsDigits(text, 9, 3);
}

}  // namespace

bool ParseTraceLine(const std::wstring& text, TraceLine* out) {
  TraceLine line;
  line.hasLineFeed = !text.empty() && text.back() == L'\n';
  line.line = line.hasLineFeed ? text.substr(0, text.size() - 1) : text;
  const std::wstring& s = line.line;
  if (!IsTime(s) || s.size() < 15 || s[12] != L' ' || s[13] != L'[') return false;
  size_t close = s.find(L']', 14);
  if (close == std::wstring::npos || close == 14 || !IsDigits(s, 14, close - 14)) return false;
  if (close + 1 >= s.size() || s[close + 1] != L' ') return false;
  size_t tagStart = close + 2;
  size_t tagEnd = s.find(L' ', tagStart);
  if (tagEnd == std::wstring::npos) return false;
  line.time = s.substr(0, 12);
  line.pid = std::stoul(s.substr(14, close - 14));
  line.tag = s.substr(tagStart, tagEnd - tagStart);
  line.message = s.substr(tagEnd + 1);
  *out = std::move(line);
  return true;
}

std::vector<TraceLine> ServiceTrace() {
  std::vector<TraceLine> lines;
  for (const sim::DebugLine& debug : sim::DebugOutput()) {
    TraceLine line;
    if (ParseTraceLine(debug.text, &line) && line.tag == kServiceTag) lines.push_back(line);
  }
  return lines;
}

std::vector<std::wstring> ServiceTraceMessages() {
  std::vector<std::wstring> messages;
  for (const TraceLine& line : ServiceTrace()) messages.push_back(line.message);
  return messages;
}

}  // namespace koru

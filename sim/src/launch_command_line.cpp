// Resolution of the program a command line starts, the way Windows does
// when CreateProcess gets no application name.
#include "launch.h"

#include "sessions_state.h"

namespace sim {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Windows appends ".exe" to a module name without an extension.
std::wstring WithDefaultExtension(const std::wstring& name) {
  if (FileNameOf(name).find(L'.') != std::wstring::npos) return name;
  return name + L".exe";
}

std::optional<std::wstring> Existing(const std::wstring& name) {
  std::wstring candidate = WithDefaultExtension(name);
  if (FileExistsLocked(candidate)) return candidate;
  return std::nullopt;
}

std::optional<std::wstring> ResolveQuoted(const std::wstring& line, size_t open) {
  size_t close = line.find(L'"', open + 1);
  size_t end = close == std::wstring::npos ? line.size() : close;
  return Existing(line.substr(open + 1, end - open - 1));
}

// Each blank ends one more candidate; the whole line is the last one.
std::optional<std::wstring> ResolveUnquoted(const std::wstring& line, size_t start) {
  for (size_t i = start; i <= line.size(); ++i) {
    if (i < line.size() && !IsBlank(line[i])) continue;
    if (i == start) continue;
    if (auto found = Existing(line.substr(start, i - start))) return found;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::wstring> ResolveApplicationName(const std::wstring& name) {
  if (FileExistsLocked(name)) return name;
  return std::nullopt;
}

std::optional<std::wstring> ResolveCommandLine(const std::wstring& commandLine) {
  size_t start = 0;
  while (start < commandLine.size() && IsBlank(commandLine[start])) ++start;
  if (start == commandLine.size()) return std::nullopt;
  if (commandLine[start] == L'"') return ResolveQuoted(commandLine, start);
  return ResolveUnquoted(commandLine, start);
}

}  // namespace sim

// Printing debug-output lines to the console and to the optional file.
#include "trace_output.h"

#include <cctype>

namespace {

bool IsDigitAt(const std::string& text, size_t at) {
  return at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]));
}

// "hh:mm:ss.mmm " : digits and separators at fixed places.
bool HasTimeFrame(const std::string& text) {
  static const char PATTERN[] = "00:00:00.000 ";
  for (size_t i = 0; PATTERN[i] != '\0'; ++i) {
    bool ok = PATTERN[i] == '0' ? IsDigitAt(text, i) : i < text.size() && text[i] == PATTERN[i];
    if (!ok) return false;
  }
  return true;
}

}  // namespace

bool InTraceFrame(const std::string& text, const std::string& tag) {
  if (!HasTimeFrame(text)) return false;
  size_t at = sizeof("00:00:00.000 ") - 1;
  if (at >= text.size() || text[at] != '[') return false;
  size_t digits = ++at;
  while (IsDigitAt(text, at)) ++at;
  if (at == digits || text.compare(at, 2, "] ") != 0) return false;
  at += 2;
  return text.compare(at, tag.size(), tag) == 0 && text.compare(at + tag.size(), 1, " ") == 0;
}

TraceOutput::~TraceOutput() {
  if (file_ != nullptr) std::fclose(file_);
}

bool TraceOutput::OpenFile(const std::wstring& path) {
  file_ = _wfopen(path.c_str(), L"wb");
  return file_ != nullptr;
}

void TraceOutput::Print(const DebugLine& line, const std::string& tag) {
  size_t start = 0;
  while (start < line.text.size()) {
    size_t end = line.text.find('\n', start);
    if (end == std::string::npos) end = line.text.size();
    std::string one = line.text.substr(start, end - start);
    if (!one.empty() && one.back() == '\r') one.pop_back();
    if (!one.empty() && (tag.empty() || InTraceFrame(one, tag))) PrintOne(line.processId, one);
    start = end + 1;
  }
}

void TraceOutput::PrintOne(DWORD processId, const std::string& text) {
  std::printf("[%lu] %s\n", static_cast<unsigned long>(processId), text.c_str());
  std::fflush(stdout);
  if (file_ == nullptr) return;
  std::fprintf(file_, "[%lu] %s\n", static_cast<unsigned long>(processId), text.c_str());
  std::fflush(file_);
}

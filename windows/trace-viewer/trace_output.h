// Where the viewer's lines go: the console and, when asked, a file that is
// flushed after every line so that another program can read it meanwhile.
#pragma once

#include <cstdio>
#include <string>

#include "dbwin_channel.h"

// Whether `text` is a trace line "hh:mm:ss.mmm [pid] TAG message".
bool InTraceFrame(const std::string& text, const std::string& tag);

class TraceOutput {
 public:
  TraceOutput() = default;
  TraceOutput(const TraceOutput&) = delete;
  TraceOutput& operator=(const TraceOutput&) = delete;
  ~TraceOutput();

  bool OpenFile(const std::wstring& path);

  // Prints each line of the writer's text as "[pid] line" (a writer may
  // send several lines at once, or a text without line feed).
  void Print(const DebugLine& line, const std::string& tag);

 private:
  void PrintOne(DWORD processId, const std::string& text);

  std::FILE* file_ = nullptr;
};

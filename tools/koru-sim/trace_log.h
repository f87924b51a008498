// The service's trace as the simulated machine's debug output holds it, cut
// into its fields: "HH:MM:SS.mmm [pid] KoruAudioService message\n".
#pragma once

#include <string>
#include <vector>

namespace koru {

struct TraceLine {
  std::wstring line;  // the whole line, without its line feed
  std::wstring time;  // "HH:MM:SS.mmm"
  unsigned long pid = 0;
  std::wstring tag;
  std::wstring message;  // the text after the tag and its blank
  bool hasLineFeed = false;
};

// Splits one debug-output string into a trace line. Returns false when the
// string does not have the frame of a trace line.
bool ParseTraceLine(const std::wstring& text, TraceLine* out);

// Every trace line of the service (tag "KoruAudioService") in the machine's
// debug output, in the order written.
std::vector<TraceLine> ServiceTrace();

// The messages alone, for tests.
std::vector<std::wstring> ServiceTraceMessages();

}  // namespace koru

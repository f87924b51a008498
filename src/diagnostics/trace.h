// The debug trace: one line per call, "HH:MM:SS.mmm [pid] KoruAudioService
// message\n", sent to the debugger with OutputDebugStringW from any thread.
#pragma once

// Both buffers of a trace line hold at most 1023 characters and the
// terminator; longer text is cut.
inline constexpr int TRACE_MESSAGE_CHARS = 1024;
inline constexpr int TRACE_LINE_CHARS = 1024;

// A wide printf-style message with the Windows rules: %s takes a wide
// string, %hs a narrow one, %ls a wide one. Allocates nothing.
void WriteTrace(const wchar_t* format, ...);

// A narrow printf-style message (%s and %hs narrow, %ls wide), converted
// with the ANSI code page and traced as text. Allocates nothing.
void WriteTraceA(const char* format, ...);

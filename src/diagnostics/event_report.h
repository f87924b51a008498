// Error events in the Windows event log, for the failures that keep the
// service from reaching the service control manager.
#pragma once

#include <cstdint>

// Severity error, facility 2, code 1.
inline constexpr std::uint32_t SERVICE_ERROR_EVENT_ID = 0xC0020001u;
// The event's message "<function> failed with <error>" is cut at 79
// characters.
inline constexpr int EVENT_MESSAGE_CHARS = 80;

// Writes one error event naming the failed function and the calling
// thread's last-error code. Does nothing when the event log is unavailable.
void ReportServiceError(const wchar_t* function);

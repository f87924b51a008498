// The fixture of the service's tests: a new simulated machine for every
// test, helpers to run the executable or to run service routines on
// simulated threads of a service process, the trace, and the machine's
// audits at the end of every test.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "sim/machine.h"
#include "trace_log.h"

namespace koru {

// Where the settings live in the simulated registry.
inline constexpr char SETTINGS_KEY_PATH[] = "HKEY_CLASSES_ROOT\\KoruAudio";

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Ends a service process the test left running, then checks that no
  // handle was misused and that the machine saw no hang or crash.
  void TearDown() override;

  // Runs KoruAudioService.exe from a console with these arguments until it
  // ends; returns its exit code.
  DWORD RunService(const std::vector<std::wstring>& args = {});

  // A service process whose start-up routine has run (the settings are
  // loaded) but whose entry point is never called.
  void StartServiceProcess();
  // Runs `routine` on a new simulated thread of that process and settles.
  void RunOnServiceThread(std::function<void()> routine);
  // Ends the process: its objects are destroyed, the audits taken.
  void EndServiceProcess();

  // The service's trace lines with their fields.
  std::vector<TraceLine> Trace() const;
  // Messages of the service's trace lines, all or after a mark.
  std::vector<std::wstring> TraceMessages() const;
  std::size_t TraceMark() const;
  std::vector<std::wstring> TraceMessagesSince(std::size_t mark) const;
  // Whether some trace line has exactly this message; on failure the
  // assertion prints the whole trace.
  ::testing::AssertionResult Traced(const std::wstring& message) const;

  // Open handles of the service process, of every kind together.
  int OpenHandleCount() const;
};

// Lines joined for assertion messages.
std::string Joined(const std::vector<std::string>& lines);

}  // namespace koru

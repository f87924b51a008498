// A machine with a live process for the device tests, and requests sent
// from simulated threads of that process, each with what its call returned.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "kernel_fixture.h"
#include "sim/devices.h"

namespace sim_test {

// One DeviceIoControl and its outcome, poisoned until the call returns.
struct Call {
  HANDLE handle = nullptr;
  DWORD code = 0;
  std::vector<BYTE> input;
  DWORD outputSize = 0;

  bool returned = false;
  BOOL ok = static_cast<BOOL>(kPoison);
  DWORD error = kPoison;
  DWORD bytes = kPoison;
  BYTE output = 0xEE;  // the caller's output byte before the call
};

class DeviceTest : public MachineTest {
 protected:
  // A live process with the default codec interface present.
  void SetUp() override;
  // Closes the threads' handles, then expects no handle fault.
  void TearDown() override;

  // CreateFileW as the service opens the codec (on the controller, for the
  // live process).
  static HANDLE Open(const std::wstring& path = sim::codec::DEFAULT_PATH);
  // Starts a thread that makes the call; it runs when the machine runs.
  // The returned handle of the thread stays valid until the test ends.
  HANDLE Send(Call& call);
  // A call object that lives until the test ends.
  Call& NewCall(HANDLE handle, DWORD code, std::vector<BYTE> input, DWORD outputSize);
  // Sends a new call and settles.
  Call& SendAndSettle(HANDLE handle, DWORD code, std::vector<BYTE> input = {},
                      DWORD outputSize = 0);

  // The test provokes handle faults on purpose.
  void AllowHandleFaults() { faultsAllowed_ = true; }

  // The driver's log, as "CODE in=B result" lines, for readable assertions.
  static std::vector<std::string> LogLines();

 private:
  std::deque<Call> calls_;
  std::vector<HANDLE> threads_;
  bool faultsAllowed_ = false;
};

// "JACKSTATE_NOTIFY in= pending", "FINISH_SPEAKER in=0 ok 0", "... failed 995".
std::string LogLine(const sim::codec::Request& request);

}  // namespace sim_test

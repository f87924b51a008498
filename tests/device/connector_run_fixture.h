// The connector routine's tests: a laptop with the codec's interface,
// speakers and headphones on a 3.5 mm jack, a console user; a service
// process with a chosen feature word whose shared objects and endpoint side
// are as the service main function leaves them; the routine on a thread of
// its own with a snapshot of the endpoint object, driven through the
// simulated driver, and what it traced, sent and ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/device_connector.h"
#include "launcher/launch_popup.h"
#include "platform/win32.h"
#include "sim/audio.h"
#include "sim/devices.h"
#include "sim/machine.h"
#include "support/service_fixture.h"

namespace koru {

// Driver requests as "NAME in=B", and trace messages or program names.
using Requests = std::vector<std::string>;
using Names = std::vector<std::wstring>;

inline constexpr wchar_t SWITCH_EXE[] = L"KoruAudioSwitchWindow.exe";
inline constexpr wchar_t CHIME_EXE[] = L"ChimeWindow.exe";
inline constexpr wchar_t LIMIT_EXE[] = L"KoruPopupWindow.exe";

class ConnectorRunTest : public ServiceTest {
 protected:
  // The laptop with the codec present; no service process yet.
  void SetUp() override;
  // Closes the routine's thread handle, then the machine's audits.
  void TearDown() override;
  // A new machine with these options and the laptop.
  void NewMachine(const sim::Options& options);
  // Closes the routine's thread handle, while the service process lives.
  void CloseRunThread();

  static void Store(const char* name, DWORD value);
  // Starts the service process with this feature word, creates the shared
  // objects and initialises the endpoint side; every log is marked after
  // that.
  void StartWith(DWORD features);
  // Sets `connectorActive` to 1 and runs codecDevice->Run with a snapshot
  // of the endpoint object on a new thread (CreateThread, COM joined), then
  // settles. `alongside` runs on the thread that started it, at the same
  // time as the routine.
  void StartRun(const std::function<void()>& alongside = {});
  // StartWith, StartRun, then every log marked: connected, waiting for
  // the first jack event (or past the start-up query).
  void StartConnected(DWORD features);
  // The routine's thread, for routines that run alongside it.
  HANDLE RunThread() const { return runThread_; }
  // A jack event from the driver, and everything that follows from it.
  static void Jack(uint8_t type);
  // The routine's result once it returned; nothing while it runs.
  std::optional<int> RunResult() const;
  // Ends the connection as the control handler does: `connectorActive` 0,
  // then the routine's pending driver request cancelled.
  void EndFromOutside();
  // Only cancels the routine's pending driver request.
  void CancelRequest();
  // Runs `routine` on a new thread of the service process that joined COM.
  void OnComThread(const std::function<void()>& routine);

  // What happened since the last call of the same kind, or since
  // StartWith: trace messages; driver requests as "NAME in=B"; the
  // programs terminated by the service, as "NAME CODE".
  std::vector<std::wstring> NewTrace();
  std::vector<std::string> NewRequests();
  std::vector<std::wstring> NewTerminations();
  // Marks every log.
  void MarkAll();

  static bool Running(const wchar_t* exe);
  // The last value written under the custom property key of the speakers.
  static std::optional<uint32_t> CustomValue();

 private:
  static DWORD WINAPI RunConnector(LPVOID test);

  HANDLE runThread_ = nullptr;
  std::atomic<int> runResult_{-1};
  size_t traceMark_ = 0;
  size_t requestMark_ = 0;
  size_t endingMark_ = 0;
};

// The messages of `expected` appear in `seen` in this order; lines of
// other threads may come between them.
::testing::AssertionResult InOrder(const std::vector<std::wstring>& seen,
                                   const std::vector<std::wstring>& expected);
// Some message of `seen` is `message`.
::testing::AssertionResult Has(const std::vector<std::wstring>& seen, const std::wstring& message);

}  // namespace koru

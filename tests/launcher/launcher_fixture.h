// The fixture of the launcher's tests: a service process with a chosen
// feature word and its shared objects created, as the service main function
// leaves them, and short ways to launch, end and watch popups on simulated
// threads of that process.
#pragma once

#include <string>
#include <vector>

#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "sim/registry.h"
#include "sim/sessions.h"
#include "support/service_fixture.h"

namespace koru {

inline constexpr wchar_t INSTALL_DIR[] = L"C:\\Program Files\\Koru Audio\\";

class LauncherTest : public ServiceTest {
 protected:
  // Starts the service process with this feature word and creates the
  // shared objects; the trace is marked after that.
  void StartWith(DWORD features) {
    sim::registry::SetDword(SETTINGS_KEY_PATH, "ServiceVersion", features);
    StartServiceProcess();
    RunOnServiceThread([] { CreateSharedObjects(); });
    mark_ = TraceMark();
  }

  int Launch(int kind) {
    int result = -1;
    RunOnServiceThread([&] { result = LaunchPopup(kind); });
    return result;
  }

  // Takes the wake-up of the kind's semaphore when one is pending.
  bool TakeWakeUp(int kind) {
    bool pending = false;
    RunOnServiceThread(
        [&] { pending = WaitForSingleObject(*hPopupSemaphore[kind], 0) == WAIT_OBJECT_0; });
    return pending;
  }

  // Trace messages since StartWith (or the last NewTrace).
  std::vector<std::wstring> NewTrace() {
    std::vector<std::wstring> messages = TraceMessagesSince(mark_);
    mark_ = TraceMark();
    return messages;
  }

  static int OpenOfKind(const std::string& kind) {
    auto counts = sim::OpenHandles();
    auto found = counts.find(kind);
    return found == counts.end() ? 0 : found->second;
  }

  static const std::vector<sim::sessions::Launch>& Launches() { return sim::sessions::Launches(); }

 private:
  size_t mark_ = 0;
};

}  // namespace koru

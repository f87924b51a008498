// The device link's tests: a service process whose routines run on
// simulated threads, the codec interfaces set up through the machine, and
// what the link traced and sent.
#pragma once

#include <string>
#include <vector>

#include "device/device_connector.h"
#include "sim/devices.h"
#include "support/service_fixture.h"

namespace koru {

// A second codec interface, besides the machine's default one.
inline constexpr wchar_t SECOND_CODEC_PATH[] =
    L"\\\\?\\ROOT#KORUCODEC#0001#{f27cdc00-203e-4107-a503-21211537ea43}";

class DeviceLinkTest : public ServiceTest {
 protected:
  // A service process; the trace is marked after its start-up lines.
  void SetUp() override;

  // Runs codecDevice->Connect() on a service thread and settles.
  int ConnectOnServiceThread();
  // The messages traced since the mark.
  std::vector<std::wstring> TraceSinceMark() const { return TraceMessagesSince(mark_); }
  void MarkTrace() { mark_ = TraceMark(); }

  // How often a simulated call was made.
  static uint64_t Calls(const char* api);
  // Heap blocks taken and not given back.
  static int64_t HeapBlocksHeld();
  // The driver's log as "CODE in=B" lines.
  static std::vector<std::string> Sent();

 private:
  size_t mark_ = 0;
};

// The discovery traces of one interface read in full, without location.
std::vector<std::wstring> RecordTrace(const std::wstring& name);

}  // namespace koru

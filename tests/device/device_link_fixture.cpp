// The device link's test fixture.
#include "device_link_fixture.h"

#include <map>

namespace koru {

void DeviceLinkTest::SetUp() {
  ServiceTest::SetUp();
  StartServiceProcess();
  MarkTrace();
}

int DeviceLinkTest::ConnectOnServiceThread() {
  int result = -1;
  RunOnServiceThread([&result] { result = codecDevice->Connect(); });
  return result;
}

uint64_t DeviceLinkTest::Calls(const char* api) {
  std::map<std::string, uint64_t> counts = sim::CallCounts();
  auto found = counts.find(api);
  return found == counts.end() ? 0 : found->second;
}

int64_t DeviceLinkTest::HeapBlocksHeld() {
  return static_cast<int64_t>(Calls("HeapAlloc")) - static_cast<int64_t>(Calls("HeapFree"));
}

std::vector<std::string> DeviceLinkTest::Sent() {
  std::vector<std::string> lines;
  for (const sim::codec::Request& request : sim::codec::Requests()) {
    std::string line = sim::codec::CodeName(request.code) + " in=";
    for (uint8_t byte : request.input) line += std::to_string(byte);
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::wstring> RecordTrace(const std::wstring& name) {
  return {L"To get deviceInterfaceDetailData",
          L"Get deviceDetailData->pDeviceInterfaceDetailData successfully", L"To get deviceName",
          L"Get deviceDetailData->deviceName successfully, " + name, L"To get deviceLocation"};
}

}  // namespace koru

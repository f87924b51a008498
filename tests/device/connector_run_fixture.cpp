// The connector routine's test fixture.
#include "connector_run_fixture.h"

#include <utility>

#include "endpoint/audio_ids.h"
#include "endpoint/endpoint_callback.h"
#include "platform/com_apartment.h"
#include "service/shared_objects.h"
#include "sim/audio.h"
#include "sim/devices.h"
#include "sim/registry.h"
#include "sim/sessions.h"

namespace koru {

namespace {

std::wstring FileName(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

sim::audio::EndpointSpec Render(uint32_t formFactor, std::vector<sim::audio::Jack> jacks) {
  sim::audio::EndpointSpec desc;
  desc.formFactor = formFactor;
  desc.jacks = std::move(jacks);
  return desc;
}

}  // namespace

void ConnectorRunTest::SetUp() {
  ServiceTest::SetUp();
  NewMachine({});
}

void ConnectorRunTest::TearDown() {
  CloseRunThread();
  ServiceTest::TearDown();
}

void ConnectorRunTest::NewMachine(const sim::Options& options) {
  sim::Reset(options);
  runThread_ = nullptr;
  runResult_ = -1;
  sim::codec::Present();
  sim::audio::AddEndpoint("speakers", Render(Speakers, {}));
  sim::audio::AddEndpoint("headphones", Render(Headphones, {{eConnType3Point5mm, true}}));
}

void ConnectorRunTest::CloseRunThread() {
  HANDLE thread = std::exchange(runThread_, nullptr);
  if (thread == nullptr || !sim::ProgramAlive()) return;
  RunOnServiceThread([thread] { CloseHandle(thread); });
}

void ConnectorRunTest::Store(const char* name, DWORD value) {
  sim::registry::SetDword(SETTINGS_KEY_PATH, name, value);
}

void ConnectorRunTest::StartWith(DWORD features) {
  Store("ServiceVersion", features);
  StartServiceProcess();
  OnComThread([] {
    CreateSharedObjects();
    serviceEndpoint->Initialize();
  });
  MarkAll();
}

void ConnectorRunTest::StartRun(const std::function<void()>& alongside) {
  *connectorActive = 1;
  RunOnServiceThread([this, &alongside] {
    runThread_ = CreateThread(nullptr, 0, &ConnectorRunTest::RunConnector, this, 0, nullptr);
    if (alongside) alongside();
  });
}

void ConnectorRunTest::StartConnected(DWORD features) {
  StartWith(features);
  StartRun();
  MarkAll();
}

DWORD WINAPI ConnectorRunTest::RunConnector(LPVOID test) {
  JoinComApartment();
  static_cast<ConnectorRunTest*>(test)->runResult_ =
      codecDevice->Run(EndpointCallback(*serviceEndpoint));
  return 0;
}

void ConnectorRunTest::Jack(uint8_t type) {
  sim::codec::Jack(type);
  sim::Settle();
}

std::optional<int> ConnectorRunTest::RunResult() const {
  int result = runResult_;
  if (result == -1) return std::nullopt;
  return result;
}

void ConnectorRunTest::EndFromOutside() {
  *connectorActive = 0;
  CancelRequest();
}

void ConnectorRunTest::CancelRequest() {
  HANDLE thread = runThread_;
  RunOnServiceThread([thread] { CancelSynchronousIo(thread); });
}

void ConnectorRunTest::OnComThread(const std::function<void()>& routine) {
  RunOnServiceThread([&routine] {
    JoinComApartment();
    routine();
  });
}

std::vector<std::wstring> ConnectorRunTest::NewTrace() {
  std::vector<std::wstring> messages = TraceMessagesSince(traceMark_);
  traceMark_ += messages.size();
  return messages;
}

std::vector<std::string> ConnectorRunTest::NewRequests() {
  const std::vector<sim::codec::Request>& requests = sim::codec::Requests();
  std::vector<std::string> lines;
  for (; requestMark_ < requests.size(); ++requestMark_) {
    const sim::codec::Request& request = requests[requestMark_];
    std::string line = sim::codec::CodeName(request.code);
    if (!request.input.empty()) line += " in=" + std::to_string(request.input[0]);
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::wstring> ConnectorRunTest::NewTerminations() {
  std::vector<sim::sessions::Ending> endings = sim::sessions::Endings();
  std::vector<std::wstring> terminated;
  for (; endingMark_ < endings.size(); ++endingMark_) {
    const sim::sessions::Ending& ending = endings[endingMark_];
    if (!ending.terminated) continue;
    terminated.push_back(FileName(ending.program) + L" " + std::to_wstring(ending.exitCode));
  }
  return terminated;
}

void ConnectorRunTest::MarkAll() {
  NewTrace();
  NewRequests();
  NewTerminations();
}

bool ConnectorRunTest::Running(const wchar_t* exe) { return sim::sessions::Running(exe); }

std::optional<uint32_t> ConnectorRunTest::CustomValue() {
  std::optional<sim::audio::PropertyWrite> write =
      sim::audio::LastPropertyWrite("speakers", PKEY_CustomAValue);
  if (!write) return std::nullopt;
  return write->value;
}

::testing::AssertionResult InOrder(const std::vector<std::wstring>& seen,
                                   const std::vector<std::wstring>& expected) {
  size_t next = 0;
  for (const std::wstring& message : seen) {
    if (next < expected.size() && message == expected[next]) ++next;
  }
  if (next == expected.size()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "missing " << ::testing::PrintToString(expected[next])
                                       << " (in order) in " << ::testing::PrintToString(seen);
}

::testing::AssertionResult Has(const std::vector<std::wstring>& seen, const std::wstring& message) {
  for (const std::wstring& line : seen) {
    if (line == message) return ::testing::AssertionSuccess() << "traced";
  }
  return ::testing::AssertionFailure()
         << ::testing::PrintToString(message) << " not in " << ::testing::PrintToString(seen);
}

}  // namespace koru

// The fixture of the service's tests.
#include "support/service_fixture.h"

#include <algorithm>

#include "service_program.h"
#include "sim/audio.h"

namespace koru {

void ServiceTest::SetUp() { sim::Reset(); }

void ServiceTest::TearDown() {
  if (sim::ProgramAlive()) sim::EndProgram();
  EXPECT_TRUE(sim::HandleFaults().empty()) << "handle faults:\n" << Joined(sim::HandleFaults());
  EXPECT_TRUE(sim::Problems().empty()) << "machine problems:\n" << Joined(sim::Problems());
  EXPECT_TRUE(sim::com::Faults().empty()) << "COM faults:\n" << Joined(sim::com::Faults());
  EXPECT_TRUE(sim::com::LeftByEndedProcesses().empty()) << "COM objects never released:\n"
                                                        << Joined(sim::com::LeftByEndedProcesses());
}

DWORD ServiceTest::RunService(const std::vector<std::wstring>& args) {
  return sim::RunProgram(ServiceProgram(), args);
}

void ServiceTest::StartServiceProcess() { sim::StartProgram(ServiceProgram()); }

void ServiceTest::RunOnServiceThread(std::function<void()> routine) {
  sim::StartThread(std::move(routine));
  sim::Settle();
}

void ServiceTest::EndServiceProcess() { sim::EndProgram(); }

std::vector<TraceLine> ServiceTest::Trace() const { return ServiceTrace(); }

std::vector<std::wstring> ServiceTest::TraceMessages() const { return ServiceTraceMessages(); }

std::size_t ServiceTest::TraceMark() const { return ServiceTrace().size(); }

std::vector<std::wstring> ServiceTest::TraceMessagesSince(std::size_t mark) const {
  std::vector<std::wstring> messages = ServiceTraceMessages();
  if (mark >= messages.size()) return {};
  return {messages.begin() + static_cast<std::ptrdiff_t>(mark), messages.end()};
}

::testing::AssertionResult ServiceTest::Traced(const std::wstring& message) const {
  std::vector<std::wstring> messages = ServiceTraceMessages();
  if (std::find(messages.begin(), messages.end(), message) != messages.end()) {
    return ::testing::AssertionSuccess() << ::testing::PrintToString(message) << " traced";
  }
  return ::testing::AssertionFailure() << ::testing::PrintToString(message) << " not in the trace "
                                       << ::testing::PrintToString(messages);
}

int ServiceTest::OpenHandleCount() const {
  int count = 0;
  for (const auto& [kind, open] : sim::OpenHandles()) count += open;
  return count;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

}  // namespace koru

// The simulated event log: sources as handles, records with their strings
// and the process that wrote them, and a log that can be unavailable.
#include <gtest/gtest.h>

#include "sim/machine.h"
#include "sim/services.h"
#include "sim/windows.h"

namespace {

constexpr DWORD kServiceError = 0xC0020001u;

void Nothing() {}

class EventLog : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }

  // The report the service writes when it cannot reach the manager.
  static BOOL Report(HANDLE source, const wchar_t* message) {
    LPCWSTR strings[2] = {L"KoruAudioService", message};
    return ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, kServiceError, nullptr, 2, 0, strings,
                        nullptr);
  }
};

TEST_F(EventLog, ARecordKeepsItsSourceTypeIdStringsAndProcess) {
  sim::SetNextProcessId(1312);
  sim::StartProgram(sim::Program{&Nothing, nullptr, &Nothing});
  HANDLE source = RegisterEventSourceW(nullptr, L"KoruAudioService");
  ASSERT_NE(source, nullptr) << "error " << GetLastError();
  EXPECT_TRUE(Report(source, L"StartServiceCtrlDispatcher failed with 1063"));
  EXPECT_TRUE(DeregisterEventSource(source));
  sim::EndProgram();

  ASSERT_EQ(sim::eventlog::Records().size(), 1u) << "records outlive the process";
  const sim::eventlog::Record& record = sim::eventlog::Records().front();
  EXPECT_EQ(record.source, L"KoruAudioService");
  EXPECT_EQ(record.type, EVENTLOG_ERROR_TYPE);
  EXPECT_EQ(record.category, 0u);
  EXPECT_EQ(record.id, kServiceError);
  ASSERT_EQ(record.strings.size(), 2u);
  EXPECT_EQ(record.strings[0], L"KoruAudioService");
  EXPECT_EQ(record.strings[1], L"StartServiceCtrlDispatcher failed with 1063");
  EXPECT_EQ(record.pid, 1312u);
  EXPECT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();

  sim::Reset();
  EXPECT_TRUE(sim::eventlog::Records().empty());
}

TEST_F(EventLog, RecordsKeepTheirOrderAndANullStringIsEmpty) {
  HANDLE source = RegisterEventSourceW(nullptr, L"A");
  EXPECT_TRUE(Report(source, L"first"));
  LPCWSTR strings[3] = {L"x", nullptr, L"z"};
  EXPECT_TRUE(ReportEventW(source, EVENTLOG_WARNING_TYPE, 7, 42, nullptr, 3, 0, strings, nullptr));
  EXPECT_TRUE(
      ReportEventW(source, EVENTLOG_INFORMATION_TYPE, 0, 43, nullptr, 0, 0, nullptr, nullptr));
  DeregisterEventSource(source);

  const auto& records = sim::eventlog::Records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].strings[1], L"first");
  EXPECT_EQ(records[1].type, EVENTLOG_WARNING_TYPE);
  EXPECT_EQ(records[1].category, 7u);
  EXPECT_EQ(records[1].strings, (std::vector<std::wstring>{L"x", L"", L"z"}));
  EXPECT_EQ(records[2].id, 43u);
  EXPECT_TRUE(records[2].strings.empty());
}

TEST_F(EventLog, AnUnavailableLogRefusesTheSource) {
  sim::eventlog::SetAvailable(false);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(RegisterEventSourceW(nullptr, L"KoruAudioService"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));

  sim::eventlog::SetAvailable(true);
  HANDLE source = RegisterEventSourceW(nullptr, L"KoruAudioService");
  EXPECT_NE(source, nullptr);
  DeregisterEventSource(source);
}

TEST_F(EventLog, APlannedFaultRefusesTheSourceWithItsError) {
  sim::FaultSpec desc;
  desc.error = ERROR_ACCESS_DENIED;
  sim::Fail("RegisterEventSourceW", desc);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(RegisterEventSourceW(nullptr, L"KoruAudioService"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(sim::eventlog::Records().empty());
}

TEST_F(EventLog, ReportingThroughAClosedSourceIsAHandleFault) {
  HANDLE source = RegisterEventSourceW(nullptr, L"KoruAudioService");
  ASSERT_TRUE(DeregisterEventSource(source));

  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Report(source, L"late"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_FALSE(DeregisterEventSource(source));
  EXPECT_EQ(sim::HandleFaults().size(), 2u);
  EXPECT_TRUE(sim::eventlog::Records().empty());

  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Report(nullptr, L"nowhere"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(sim::HandleFaults().size(), 2u) << "a NULL handle is only a status";
}

TEST_F(EventLog, NothingIsRecordedWhileTheRecordersAreOff) {
  HANDLE source = RegisterEventSourceW(nullptr, L"KoruAudioService");
  sim::SetRecording(false);
  EXPECT_TRUE(Report(source, L"unseen"));
  sim::SetRecording(true);
  EXPECT_TRUE(Report(source, L"seen"));
  DeregisterEventSource(source);
  ASSERT_EQ(sim::eventlog::Records().size(), 1u);
  EXPECT_EQ(sim::eventlog::Records().front().strings[1], L"seen");
}

}  // namespace

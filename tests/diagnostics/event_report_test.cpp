// The error event: its fixed fields, the caller's last-error code, the
// 79-character cut of its message, and silence without an event log.
#include "diagnostics/event_report.h"

#include <string>

#include "platform/win32.h"
#include "sim/services.h"
#include "support/service_fixture.h"

namespace koru {
namespace {

class EventReportTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    sim::SetNextProcessId(2024);
    StartServiceProcess();
  }

  // Reports `function` with `error` as the thread's last error.
  void Report(const std::wstring& function, DWORD error) {
    RunOnServiceThread([&] {
      SetLastError(error);
      ReportServiceError(function.c_str());
    });
  }
};

TEST_F(EventReportTest, RecordHasTheFixedFieldsAndTwoStrings) {
  Report(L"StartServiceCtrlDispatcher", ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
  const std::vector<sim::eventlog::Record>& records = sim::eventlog::Records();
  ASSERT_EQ(records.size(), 1u);
  const sim::eventlog::Record& record = records[0];
  EXPECT_EQ(record.source, L"KoruAudioService");
  EXPECT_EQ(record.type, EVENTLOG_ERROR_TYPE);
  EXPECT_EQ(record.category, 0);
  EXPECT_EQ(record.id, 0xC0020001u);
  EXPECT_EQ(record.pid, 2024u);
  EXPECT_EQ(record.strings,
            (std::vector<std::wstring>{L"KoruAudioService",
                                       L"StartServiceCtrlDispatcher failed with 1063"}));
}

TEST_F(EventReportTest, CarriesTheLastErrorOfTheFailedCallNotOfTheReport) {
  Report(L"RegisterServiceCtrlHandler", ERROR_INVALID_SERVICE_CONTROL);
  ASSERT_EQ(sim::eventlog::Records().size(), 1u);
  EXPECT_EQ(sim::eventlog::Records()[0].strings.at(1),
            L"RegisterServiceCtrlHandler failed with 1052");
}

TEST_F(EventReportTest, MessageOf79CharactersIsKeptWhole) {
  // 65 + " failed with 5" = 79 characters.
  const std::wstring function(65, L'F');
  Report(function, ERROR_ACCESS_DENIED);
  ASSERT_EQ(sim::eventlog::Records().size(), 1u);
  EXPECT_EQ(sim::eventlog::Records()[0].strings.at(1), function + L" failed with 5");
}

TEST_F(EventReportTest, LongerMessageIsCutAt79CharactersAndStillReported) {
  const std::wstring function(70, L'F');
  Report(function, ERROR_ACCESS_DENIED);
  ASSERT_EQ(sim::eventlog::Records().size(), 1u);
  const std::wstring message = sim::eventlog::Records()[0].strings.at(1);
  EXPECT_EQ(message.size(), 79u);
  EXPECT_EQ(message, (function + L" failed with 5").substr(0, 79));
}

TEST_F(EventReportTest, ReportTracesNothingAndClosesItsSource) {
  const size_t traceMark = TraceMark();
  const int handles = OpenHandleCount();
  Report(L"StartServiceCtrlDispatcher", ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
  EXPECT_EQ(sim::eventlog::Records().size(), 1u);
  EXPECT_EQ(TraceMessagesSince(traceMark), std::vector<std::wstring>{});
  EXPECT_EQ(OpenHandleCount(), handles);
}

TEST_F(EventReportTest, WithoutAnEventLogNothingAtAllHappens) {
  sim::eventlog::SetAvailable(false);
  const size_t traceMark = TraceMark();
  const int handles = OpenHandleCount();
  Report(L"StartServiceCtrlDispatcher", ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
  EXPECT_EQ(sim::eventlog::Records().size(), 0u);
  EXPECT_EQ(TraceMessagesSince(traceMark), std::vector<std::wstring>{});
  EXPECT_EQ(OpenHandleCount(), handles);
}

}  // namespace
}  // namespace koru

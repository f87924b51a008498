// The simulated event log: a log that is unavailable, and a source used
// after it was closed.
#include <gtest/gtest.h>

#include "sim/machine.h"
#include "sim/services.h"
#include "sim/windows.h"

namespace {

constexpr DWORD kServiceError = 0xC0020001u;

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

}  // namespace

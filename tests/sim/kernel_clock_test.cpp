// The machine's clock: a reset puts the virtual clock and the local time
// back (setting the time of day and passing midnight are scenario steps).
#include <cstdio>

#include "kernel_fixture.h"

namespace sim_test {
namespace {

using ClockTest = MachineTest;

std::string Text(const SYSTEMTIME& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u (%u) %02u:%02u:%02u.%03u", t.wYear, t.wMonth,
                t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

TEST_F(ClockTest, ResetPutsTheClockBack) {
  StartProcess();
  sim::StartThread([] { Sleep(5000); });
  sim::Settle();
  EXPECT_EQ(sim::NowMs(), 5000u);
  sim::Reset();
  EXPECT_EQ(sim::NowMs(), 0u);
  EXPECT_EQ(Text(sim::LocalTime()), "2026-01-05 (1) 12:00:00.000");
}

}  // namespace
}  // namespace sim_test

// The machine's clock: the default local time, setting the time of day, tick
// counts and the passing of virtual time.
#include <cstdio>
#include <cstring>

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

TEST_F(ClockTest, DefaultLocalTimeIsNoonOfAFixedMonday) {
  SYSTEMTIME time;
  std::memset(&time, 0xcc, sizeof time);
  GetLocalTime(&time);
  EXPECT_EQ(Text(time), "2026-01-05 (1) 12:00:00.000");
  EXPECT_EQ(Text(sim::LocalTime()), "2026-01-05 (1) 12:00:00.000");
  SYSTEMTIME system;
  GetSystemTime(&system);
  EXPECT_EQ(Text(system), Text(time)) << "the machine's time zone is UTC";
}

TEST_F(ClockTest, SetLocalTimeSetsTheTimeOfDay) {
  sim::SetLocalTime(9, 8, 7, 654);
  SYSTEMTIME time;
  GetLocalTime(&time);
  EXPECT_EQ(Text(time), "2026-01-05 (1) 09:08:07.654");
}

TEST_F(ClockTest, VirtualTimeMovesLocalTimeAndTicks) {
  StartProcess();
  ULONGLONG ticksBefore = GetTickCount64();
  EXPECT_GT(ticksBefore, 0u) << "the machine booted before the test";
  sim::SetLocalTime(23, 59, 59, 500);
  sim::StartThread([] { Sleep(1500); });
  sim::Settle();
  EXPECT_EQ(GetTickCount64() - ticksBefore, 1500u);
  EXPECT_EQ(GetTickCount(), static_cast<DWORD>(GetTickCount64()));
  SYSTEMTIME time;
  GetLocalTime(&time);
  EXPECT_EQ(Text(time), "2026-01-06 (2) 00:00:01.000") << "midnight rolls the date over";
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

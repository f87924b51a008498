// The machine's clock: virtual milliseconds since Reset (or real ones), the
// local time of day derived from them, and the Win32 time functions.
#include "clock.h"

#include <mutex>

#include "entry_holding.h"
#include "kernel.h"
#include "sim/machine.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

constexpr uint64_t kMsPerDay = 24ull * 3600 * 1000;
// The machine booted a while before the test began: tick counts are not 0.
constexpr uint64_t kTicksAtReset = 10ull * 60 * 1000;

struct Civil {
  int year;
  unsigned month;
  unsigned day;
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(Civil date) {
  int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t mp = (date.month + 9) % 12;
  int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Civil CivilFromDays(int64_t days) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t doe = days - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  unsigned day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  unsigned month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

// Local time at reset: Monday 2026-01-05 12:00:00.000.
const int64_t kDefaultLocalMs =
    DaysFromCivil({2026, 1, 5}) * static_cast<int64_t>(kMsPerDay) + 12ll * 3600 * 1000;

struct Clock {
  bool realTime = false;
  uint64_t virtualNow = 0;
  std::chrono::steady_clock::time_point realBase = std::chrono::steady_clock::now();
  // Local time (ms since 1970) at machine time `anchorMs`.
  int64_t localAtAnchor = kDefaultLocalMs;
  uint64_t anchorMs = 0;
  // The date of the last day asked for: every trace line reads the local
  // time, and the date changes once a day.
  int64_t datedDay = -1;
  Civil date{};
};

Clock& C() {
  static Clock* clock = new Clock;
  return *clock;
}

// Lock held.
Civil DateOfDay(int64_t days) {
  Clock& clock = C();
  if (clock.datedDay != days) {
    clock.date = CivilFromDays(days);
    clock.datedDay = days;
  }
  return clock.date;
}

SYSTEMTIME ToSystemTime(int64_t localMs) {
  int64_t days = localMs / static_cast<int64_t>(kMsPerDay);
  int64_t ms = localMs % static_cast<int64_t>(kMsPerDay);
  Civil date = DateOfDay(days);
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(date.year);
  time.wMonth = static_cast<WORD>(date.month);
  time.wDay = static_cast<WORD>(date.day);
  // 1970-01-01 was a Thursday; Sunday is day 0.
  time.wDayOfWeek = static_cast<WORD>((days + 4) % 7);
  time.wHour = static_cast<WORD>(ms / 3600000);
  time.wMinute = static_cast<WORD>(ms / 60000 % 60);
  time.wSecond = static_cast<WORD>(ms / 1000 % 60);
  time.wMilliseconds = static_cast<WORD>(ms % 1000);
  return time;
}

SYSTEMTIME CurrentLocalTime() {
  const Clock& clock = C();
  return ToSystemTime(clock.localAtAnchor + static_cast<int64_t>(NowMs() - clock.anchorMs));
}

}  // namespace

uint64_t NowMs() {
  const Clock& clock = C();
  if (!clock.realTime) return clock.virtualNow;
  auto elapsed = std::chrono::steady_clock::now() - clock.realBase;
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

std::chrono::steady_clock::time_point RealTimeOf(uint64_t ms) {
  return C().realBase + std::chrono::milliseconds(ms);
}

void SetVirtualNow(uint64_t ms) {
  Clock& clock = C();
  if (ms > clock.virtualNow) clock.virtualNow = ms;
}

void ResetClock(bool realTime) {
  Clock& clock = C();
  clock = Clock{};
  clock.realTime = realTime;
}

void SetLocalTime(int hour, int minute, int second, int millisecond) {
  auto lock = Lock();
  Clock& clock = C();
  int64_t now = clock.localAtAnchor + static_cast<int64_t>(NowMs() - clock.anchorMs);
  int64_t midnight = now - now % static_cast<int64_t>(kMsPerDay);
  clock.localAtAnchor = midnight + ((hour * 60ll + minute) * 60 + second) * 1000 + millisecond;
  clock.anchorMs = NowMs();
}

SYSTEMTIME LocalTime() {
  auto lock = Lock();
  return CurrentLocalTime();
}

}  // namespace sim

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  std::unique_lock<std::mutex> lock;
  sim::EnterHolding("GetLocalTime", ERROR_SUCCESS, lock);
  *lpSystemTime = sim::CurrentLocalTime();
}

// The machine keeps its local time zone at UTC, so both clocks agree.
void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  std::unique_lock<std::mutex> lock;
  sim::EnterHolding("GetSystemTime", ERROR_SUCCESS, lock);
  *lpSystemTime = sim::CurrentLocalTime();
}

ULONGLONG WINAPI GetTickCount64() {
  std::unique_lock<std::mutex> lock;
  sim::EnterHolding("GetTickCount64", ERROR_SUCCESS, lock);
  return sim::kTicksAtReset + sim::NowMs();
}

DWORD WINAPI GetTickCount() {
  std::unique_lock<std::mutex> lock;
  sim::EnterHolding("GetTickCount", ERROR_SUCCESS, lock);
  return static_cast<DWORD>(sim::kTicksAtReset + sim::NowMs());
}

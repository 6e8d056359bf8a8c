#include "platform/win/manual_clock.h"

#include <chrono>

namespace win {
namespace {

// 2004-03-15 10:20:30 UTC.
constexpr LONGLONG kTestMoment = 1'079'346'030'000;
constexpr ULONGLONG kTestTick = 1000;

LONGLONG FloorDivide(LONGLONG value, LONGLONG divisor) {
  return value / divisor - ((value % divisor != 0 && value < 0) ? 1 : 0);
}

}  // namespace

SYSTEMTIME SystemTimeOfUnixMilliseconds(LONGLONG unixMilliseconds) {
  using namespace std::chrono;
  constexpr LONGLONG kDay = 86'400'000;
  const LONGLONG days = FloorDivide(unixMilliseconds, kDay);
  const LONGLONG inDay = unixMilliseconds - days * kDay;
  const sys_days date{std::chrono::days{days}};
  const year_month_day calendar{date};
  return SYSTEMTIME{static_cast<WORD>(static_cast<int>(calendar.year())),
                    static_cast<WORD>(static_cast<unsigned>(calendar.month())),
                    static_cast<WORD>(weekday{date}.c_encoding()),
                    static_cast<WORD>(static_cast<unsigned>(calendar.day())),
                    static_cast<WORD>(inDay / 3'600'000),
                    static_cast<WORD>(inDay / 60'000 % 60),
                    static_cast<WORD>(inDay / 1000 % 60),
                    static_cast<WORD>(inDay % 1000)};
}

ManualClock::ManualClock(ULONGLONG startTick, LONGLONG startUnixMilliseconds, LONG utcOffsetMinutes)
    : tick_(startTick), unixMilliseconds_(startUnixMilliseconds), utcOffsetMinutes_(utcOffsetMinutes) {}

std::shared_ptr<ManualClock> ManualClock::Install() {
  auto clock = std::make_shared<ManualClock>(kTestTick, kTestMoment);
  SetClock(clock);
  return clock;
}

void ManualClock::Advance(ULONGLONG milliseconds) {
  std::lock_guard guard(lock_);
  tick_ += milliseconds;
  unixMilliseconds_ += static_cast<LONGLONG>(milliseconds);
}

ULONGLONG ManualClock::TickMilliseconds() {
  std::lock_guard guard(lock_);
  return tick_;
}

LONGLONG ManualClock::UnixMilliseconds() {
  std::lock_guard guard(lock_);
  return unixMilliseconds_;
}

SYSTEMTIME ManualClock::LocalTime() {
  std::lock_guard guard(lock_);
  return SystemTimeOfUnixMilliseconds(unixMilliseconds_ + LONGLONG{utcOffsetMinutes_} * 60'000);
}

void ManualClock::Sleep(DWORD milliseconds) { Advance(milliseconds); }

}  // namespace win

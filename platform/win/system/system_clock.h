// Time as the system sees it: Sleep, GetTickCount, GetLocalTime and the C library's time, all
// on one injectable clock. The real clock is the default; tests install a ManualClock
// (manual_clock.h) so that time moves only when they say, and Sleep returns at once.
#pragma once

#include "platform/win/types.h"

#include <ctime>
#include <memory>

namespace win {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since the system started.
  virtual ULONGLONG TickMilliseconds() = 0;
  // Milliseconds since 1970-01-01 00:00:00 UTC.
  virtual LONGLONG UnixMilliseconds() = 0;
  virtual SYSTEMTIME LocalTime() = 0;
  // Suspends the caller; 0 gives up the rest of its time slice.
  virtual void Sleep(DWORD milliseconds) = 0;
};

// The clock every service reads; a null clock restores the real one.
void SetClock(std::shared_ptr<Clock> clock);
std::shared_ptr<Clock> CurrentClock();

void Sleep(DWORD milliseconds);
// Milliseconds since the system started; wraps after 49.7 days.
DWORD GetTickCount();
void GetLocalTime(SYSTEMTIME* localTime);
// Seconds since 1970-01-01 00:00:00 UTC, also stored in *seconds when that is not null.
std::time_t time(std::time_t* seconds);

}  // namespace win

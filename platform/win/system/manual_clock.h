// A clock that moves only when told: Sleep and Advance add to it, nothing else does. Local
// time is its UTC time shifted by a fixed offset, so results never depend on the host's zone.
#pragma once

#include "platform/win/system_clock.h"

#include <mutex>

namespace win {

class ManualClock final : public Clock {
 public:
  // The moment the clock starts at: its tick count, its UTC time and the local zone's offset.
  ManualClock(ULONGLONG startTick, LONGLONG startUnixMilliseconds, LONG utcOffsetMinutes = 0);

  // Installs a manual clock at a fixed moment, 2004-03-15 10:20:30.000 UTC with tick count
  // 1000 and local time equal to UTC, and answers it.
  static std::shared_ptr<ManualClock> Install();

  void Advance(ULONGLONG milliseconds);

  ULONGLONG TickMilliseconds() override;
  LONGLONG UnixMilliseconds() override;
  SYSTEMTIME LocalTime() override;
  void Sleep(DWORD milliseconds) override;

 private:
  std::mutex lock_;
  ULONGLONG tick_;
  LONGLONG unixMilliseconds_;
  LONG utcOffsetMinutes_;
};

// The SYSTEMTIME of a moment given in milliseconds since 1970 (proleptic Gregorian calendar).
SYSTEMTIME SystemTimeOfUnixMilliseconds(LONGLONG unixMilliseconds);

}  // namespace win

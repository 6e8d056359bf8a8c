#include "platform/win/system/system_clock.h"

#include <cerrno>
#include <ctime>
#include <mutex>
#include <sched.h>

namespace win {
namespace {

LONGLONG Milliseconds(clockid_t source) {
  timespec now{};
  clock_gettime(source, &now);
  return static_cast<LONGLONG>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

class RealClock final : public Clock {
 public:
  ULONGLONG TickMilliseconds() override { return static_cast<ULONGLONG>(Milliseconds(CLOCK_BOOTTIME)); }

  LONGLONG UnixMilliseconds() override { return Milliseconds(CLOCK_REALTIME); }

  SYSTEMTIME LocalTime() override {
    const LONGLONG now = UnixMilliseconds();
    const std::time_t seconds = static_cast<std::time_t>(now / 1000);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return SYSTEMTIME{static_cast<WORD>(parts.tm_year + 1900), static_cast<WORD>(parts.tm_mon + 1),
                      static_cast<WORD>(parts.tm_wday),        static_cast<WORD>(parts.tm_mday),
                      static_cast<WORD>(parts.tm_hour),        static_cast<WORD>(parts.tm_min),
                      static_cast<WORD>(parts.tm_sec),         static_cast<WORD>(now % 1000)};
  }

  void Sleep(DWORD milliseconds) override {
    if (milliseconds == 0) {
      sched_yield();
      return;
    }
    timespec remaining{static_cast<std::time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1'000'000};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {}
  }
};

struct ClockSlot {
  std::mutex lock;
  std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
};

ClockSlot& Slot() {
  static ClockSlot slot;
  return slot;
}

}  // namespace

void SetClock(std::shared_ptr<Clock> clock) {
  auto& slot = Slot();
  std::lock_guard guard(slot.lock);
  slot.clock = clock ? std::move(clock) : std::make_shared<RealClock>();
}

std::shared_ptr<Clock> CurrentClock() {
  auto& slot = Slot();
  std::lock_guard guard(slot.lock);
  return slot.clock;
}

void Sleep(DWORD milliseconds) { CurrentClock()->Sleep(milliseconds); }

DWORD GetTickCount() { return static_cast<DWORD>(CurrentClock()->TickMilliseconds()); }

void GetLocalTime(SYSTEMTIME* localTime) {
  if (localTime != nullptr) *localTime = CurrentClock()->LocalTime();
}

std::time_t time(std::time_t* seconds) {
  const LONGLONG milliseconds = CurrentClock()->UnixMilliseconds();
  // Whole seconds, rounded towards the past also before 1970.
  const auto result = static_cast<std::time_t>(milliseconds / 1000 - (milliseconds % 1000 < 0 ? 1 : 0));
  if (seconds != nullptr) *seconds = result;
  return result;
}

}  // namespace win

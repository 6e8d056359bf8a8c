#include "platform/win/files/file_time.h"

namespace win {
namespace {

constexpr LONGLONG kSecondsFrom1601To1970 = 11644473600LL;
constexpr LONGLONG kTicksPerSecond = 10000000LL;
constexpr LONG kNanosecondsPerTick = 100;

}  // namespace

FILETIME FileTimeFromUnix(LONGLONG seconds, LONG nanoseconds) {
  const auto ticks =
      static_cast<ULONGLONG>((seconds + kSecondsFrom1601To1970) * kTicksPerSecond + nanoseconds / kNanosecondsPerTick);
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace win

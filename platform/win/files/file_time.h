// Windows file times (100 ns ticks since 1601-01-01 UTC) from Unix times.
#pragma once

#include "platform/win/types.h"

namespace win {

FILETIME FileTimeFromUnix(LONGLONG seconds, LONG nanoseconds);

}  // namespace win

// Windows error numbers for the errno values host file calls fail with.
#pragma once

#include "platform/win/types.h"

namespace win {

DWORD ErrorFromErrno(int error);

}  // namespace win

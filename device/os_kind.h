// The operating-system kind the device routines choose their road by.
#pragma once

#include "platform/win/system/types.h"

namespace tarnlok {

// Sets OsKind from the Windows version and returns it (0 when the version cannot be read or
// is not one the program knows).
win::BYTE DetectOsKind();

}  // namespace tarnlok

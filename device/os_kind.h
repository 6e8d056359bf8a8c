// The operating-system kind the device routines choose their road by.
#pragma once

#include "platform/win/system/os_version.h"
#include "platform/win/system/types.h"

namespace tarnlok {

// The kind of a Windows version as GetVersionExA reports it (0 for one the program does not
// know): on Windows 9x by the low word of the build number.
win::BYTE OsKindOfVersion(const win::OSVERSIONINFOA& version);

// Sets OsKind from the Windows version and returns it (0 when the version cannot be read or
// is not one the program knows).
win::BYTE DetectOsKind();

}  // namespace tarnlok

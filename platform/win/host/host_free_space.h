// Free space injected into the host drives for tests (SetInjectedHostFreeSpace in volumes.h):
// host files that grow draw on it, files that shrink or go give it back. Also the write failure
// injected into them (SetInjectedHostWriteError).
#pragma once

#include "platform/win/system/types.h"

#include <optional>

namespace win {

// The injected free space left; nullopt when the host's own free space counts.
std::optional<ULONGLONG> InjectedHostFreeSpace();

// Takes bytes from the injected free space; false (nothing taken) when too little is left.
// Always true when nothing is injected.
bool ReserveHostSpace(ULONGLONG bytes);

// Gives bytes back to the injected free space; nothing happens when nothing is injected.
void ReleaseHostSpace(ULONGLONG bytes);

// The error every write to a host file fails with now; nullopt when writes are not failed.
std::optional<DWORD> InjectedHostWriteError();

}  // namespace win

// The single-instance guard: a named 4-byte mapping whose counter is 1 while a copy runs.
#pragma once

namespace tarnlok {

// True when this copy may run (the guard is held); false when another copy runs or the mapping
// cannot be made or mapped.
bool AcquireSingleInstance();

// Unmaps the counter and closes the mapping, clearing both globals.
void ReleaseSingleInstanceMapping();

}  // namespace tarnlok

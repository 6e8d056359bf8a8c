// The device list on the NT family: one entry per removable drive letter from A to X, with what
// the storage queries, the IDE identification, the reader's status and the inquiry data tell,
// each finding written to the device log QWITLK.LOG.
#pragma once

namespace tarnlok {

// 1 when the scan ran to its end; 0 when the log could not be created (message, empty list) or
// an entry could not be allocated (message 105; the entries made so far stay).
int EnumDevicesNt();

}  // namespace tarnlok

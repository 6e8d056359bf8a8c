// The program-wide state of the card image operations, under the names the rest of the program
// knows it by. OperationBusy itself lives with device access, whose transports read it.
#pragma once

#include "platform/win/system/types.h"

namespace tarnlok {

// 1 when the user asked to cancel the running operation; the running loop asks at its next block.
inline win::DWORD CancelRequested = 0;

}  // namespace tarnlok

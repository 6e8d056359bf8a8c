// The system information and run-time services: the Windows version's numbers, time on the
// injectable clock, global memory with its 32-bit addresses, and the C library's random
// numbers. Each subject has its own header; this one gathers them for callers that use several.
#pragma once

#include "platform/win/address_tokens.h"
#include "platform/win/c_random.h"
#include "platform/win/global_memory.h"
#include "platform/win/os_version.h"
#include "platform/win/system_clock.h"

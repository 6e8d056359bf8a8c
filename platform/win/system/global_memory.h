// Global memory blocks: GlobalAlloc and friends. Every block also gets a 32-bit address
// (address_tokens.h) for records that carry its address in a 32-bit field. Not implemented:
// GlobalReAlloc, discardable blocks.
#pragma once

#include "platform/win/system/types.h"

#include <cstddef>

namespace win {

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// A fixed block's handle is its memory; a moveable block's handle is not, and GlobalLock gives
// its memory. Failure: null with ERROR_NOT_ENOUGH_MEMORY.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Null on success; the handle itself, with ERROR_INVALID_HANDLE, when it names no block.
HGLOBAL GlobalFree(HGLOBAL block);
// The block's memory; a moveable block's lock count goes up by one.
void* GlobalLock(HGLOBAL block);
// Lowers a moveable block's lock count: non-zero while it stays locked; FALSE with
// ERROR_SUCCESS when it reaches 0, with ERROR_NOT_LOCKED when it was not locked. A fixed block
// is never locked and answers TRUE.
BOOL GlobalUnlock(HGLOBAL block);
// The size asked for; 0 with ERROR_INVALID_HANDLE for an unknown handle.
std::size_t GlobalSize(HGLOBAL block);
// Tests: a block larger than this fails as it does when the system runs short (0, the start:
// no limit), so that the callers' roads for a refused block can run.
void SetGlobalAllocLimit(std::size_t bytes);
// The 32-bit address of the block's first byte; 0 with ERROR_INVALID_HANDLE for an unknown
// handle. It stops resolving when the block is freed.
DWORD GlobalAddressToken(HGLOBAL block);

}  // namespace win

// The new file position a SetFilePointer request asks for, shared by every file object.
#pragma once

#include "platform/win/system/types.h"

#include <optional>

namespace win {

// method is FILE_BEGIN, FILE_CURRENT or FILE_END. A position before the start fails with
// ERROR_NEGATIVE_SEEK, an unknown method or an overflow with ERROR_INVALID_PARAMETER.
std::optional<ULONGLONG> SeekTarget(ULONGLONG position, ULONGLONG size, LONGLONG distance, DWORD method, DWORD& error);

}  // namespace win

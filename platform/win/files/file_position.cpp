#include "platform/win/files/file_position.h"

#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"

#include <limits>

namespace win {

std::optional<ULONGLONG> SeekTarget(ULONGLONG position, ULONGLONG size, LONGLONG distance, DWORD method, DWORD& error) {
  constexpr auto kLargest = static_cast<ULONGLONG>(std::numeric_limits<LONGLONG>::max());
  ULONGLONG base = 0;
  switch (method) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = position; break;
    case FILE_END: base = size; break;
    default: error = ERROR_INVALID_PARAMETER; return std::nullopt;
  }
  if (base > kLargest) {
    error = ERROR_INVALID_PARAMETER;
    return std::nullopt;
  }
  LONGLONG target = 0;
  if (__builtin_add_overflow(static_cast<LONGLONG>(base), distance, &target)) {
    error = distance < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER;
    return std::nullopt;
  }
  if (target < 0) {
    error = ERROR_NEGATIVE_SEEK;
    return std::nullopt;
  }
  return static_cast<ULONGLONG>(target);
}

}  // namespace win

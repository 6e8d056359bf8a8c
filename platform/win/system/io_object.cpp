#include "platform/win/io_object.h"

#include "platform/win/last_error.h"

namespace win {

BOOL IoObject::IoControl(DWORD /*code*/, std::span<const BYTE> /*input*/, std::span<BYTE> /*output*/,
                         DWORD& bytesReturned) {
  bytesReturned = 0;
  return Fail(ERROR_INVALID_FUNCTION);
}

BOOL IoObject::SetEnd() { return Fail(ERROR_INVALID_FUNCTION); }

}  // namespace win

// A device that answers control codes only (the Windows 9x "\\.\vwin32" and the card driver):
// reads, writes and seeks fail with ERROR_INVALID_FUNCTION, it has no size.
#pragma once

#include "platform/win/io_object.h"
#include "platform/win/last_error.h"

namespace machine {

class ControlDevice : public win::IoObject {
 public:
  win::BOOL Read(std::span<win::BYTE>, win::DWORD&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Write(std::span<const win::BYTE>, win::DWORD&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Seek(win::LONGLONG, win::DWORD, win::ULONGLONG&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Flush() override { return win::TRUE; }
  std::optional<win::ULONGLONG> Size() override {
    win::SetLastError(win::ERROR_INVALID_FUNCTION);
    return std::nullopt;
  }
};

}  // namespace machine

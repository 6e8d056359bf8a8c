// What ReadFile, WriteFile, SetFilePointer, FlushFileBuffers, GetFileSize and DeviceIoControl
// need of the object behind a handle. Host files implement it here; the simulated machine
// implements it for volume, physical-drive and driver handles.
#pragma once

#include "platform/win/handle_table.h"

#include <cstddef>
#include <optional>
#include <span>

namespace win {

class IoObject : public KernelObject {
 public:
  // Each answers FALSE with the last error set when it fails.
  virtual BOOL Read(std::span<BYTE> buffer, DWORD& bytesRead) = 0;
  virtual BOOL Write(std::span<const BYTE> data, DWORD& bytesWritten) = 0;
  // method is FILE_BEGIN, FILE_CURRENT or FILE_END; newPosition receives the new offset.
  virtual BOOL Seek(LONGLONG distance, DWORD method, ULONGLONG& newPosition) = 0;
  virtual BOOL Flush() = 0;
  // The object's size in bytes; nullopt (with the last error set) where it has none.
  virtual std::optional<ULONGLONG> Size() = 0;
  // Makes the current position the end of the object (SetEndOfFile); objects without an end
  // answer ERROR_INVALID_FUNCTION.
  virtual BOOL SetEnd();
  // A control code the Windows version knows; objects that take none answer ERROR_INVALID_FUNCTION.
  virtual BOOL IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE> output, DWORD& bytesReturned);
};

}  // namespace win

// The buffered stream behind the C runtime's FILE on a Win32 file handle. One buffer serves
// either reading or writing at a time; the stream's position is the file position of the
// buffer's first byte plus the bytes used in it, so ftell and fseek agree with what was read
// and written. An append stream moves to the end of the file before every write.
#pragma once

#include "platform/win/system/types.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace win {

struct CrtStream {
 public:
  struct Mode {
    bool read = false;
    bool write = false;
    bool append = false;
  };

  CrtStream(HANDLE file, Mode mode);
  CrtStream(const CrtStream&) = delete;
  CrtStream& operator=(const CrtStream&) = delete;

  // Each answers the bytes moved; fewer than asked at the end of the file or on an error.
  std::size_t Read(void* buffer, std::size_t bytes);
  std::size_t Write(const void* data, std::size_t bytes);
  // The next byte, or nullopt at the end of the file or on an error.
  std::optional<BYTE> ReadByte();
  // origin is FILE_BEGIN, FILE_CURRENT or FILE_END; false (position unchanged) on failure.
  bool Seek(LONGLONG offset, DWORD origin);
  ULONGLONG Tell() const { return bufferStart_ + used_; }
  // Writes what is pending and gives back what was read ahead.
  bool Flush();
  // Flushes and closes the handle; false when either failed.
  bool Close();

  bool AtEnd() const { return atEnd_; }
  bool HasError() const { return error_; }
  void ClearFlags() { atEnd_ = error_ = false; }

 private:
  enum class State { Idle, Reading, Writing };
  bool Fill();
  bool FlushWrites();
  bool DropReadAhead();
  bool MoveTo(ULONGLONG position);
  bool StartWriting();
  bool Fail();

  HANDLE file_;
  Mode mode_;
  State state_ = State::Idle;
  std::vector<BYTE> buffer_;
  // File position of buffer_[0]; the handle's own position is bufferStart_ when writing or
  // idle and bufferStart_ + filled_ when reading.
  ULONGLONG bufferStart_ = 0;
  std::size_t used_ = 0;  // bytes read from or written into the buffer
  std::size_t filled_ = 0;  // bytes the buffer holds when reading
  bool atEnd_ = false;
  bool error_ = false;
};

}  // namespace win

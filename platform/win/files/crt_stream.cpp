#include "platform/win/files/crt_stream.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace win {
namespace {

constexpr std::size_t kBufferSize = 4096;
// The most one ReadFile or WriteFile call moves, well inside a DWORD.
constexpr std::size_t kLargestTransfer = 0x40000000;

DWORD TransferSize(std::size_t bytes) { return static_cast<DWORD>(std::min(bytes, kLargestTransfer)); }

}  // namespace

CrtStream::CrtStream(HANDLE file, Mode mode) : file_(file), mode_(mode), buffer_(kBufferSize) {}

bool CrtStream::Fail() {
  error_ = true;
  return false;
}

bool CrtStream::MoveTo(ULONGLONG position) {
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(position);
  return SetFilePointerEx(file_, distance, nullptr, FILE_BEGIN) != FALSE;
}

bool CrtStream::Fill() {
  bufferStart_ += used_;
  used_ = filled_ = 0;
  state_ = State::Reading;
  DWORD got = 0;
  if (ReadFile(file_, buffer_.data(), TransferSize(buffer_.size()), &got, nullptr) == FALSE) return Fail();
  filled_ = got;
  if (got == 0) atEnd_ = true;
  return got != 0;
}

bool CrtStream::DropReadAhead() {
  if (state_ != State::Reading) return true;
  const ULONGLONG position = Tell();
  if (!MoveTo(position)) return Fail();
  bufferStart_ = position;
  used_ = filled_ = 0;
  state_ = State::Idle;
  return true;
}

bool CrtStream::FlushWrites() {
  if (state_ != State::Writing) return true;
  DWORD written = 0;
  const bool complete =
      used_ == 0 ||
      (WriteFile(file_, buffer_.data(), static_cast<DWORD>(used_), &written, nullptr) != FALSE && written == used_);
  // Bytes that could not be written are dropped, so the failure is reported once.
  bufferStart_ += complete ? used_ : written;
  used_ = 0;
  state_ = State::Idle;
  return complete || Fail();
}

bool CrtStream::StartWriting() {
  if (!DropReadAhead()) return false;
  if (mode_.append) {
    LARGE_INTEGER end{};
    if (SetFilePointerEx(file_, LARGE_INTEGER{}, &end, FILE_END) == FALSE) return Fail();
    bufferStart_ = static_cast<ULONGLONG>(end.QuadPart);
  }
  used_ = 0;
  state_ = State::Writing;
  return true;
}

std::size_t CrtStream::Read(void* buffer, std::size_t bytes) {
  if (!mode_.read) {
    Fail();
    return 0;
  }
  if (!FlushWrites()) return 0;
  auto* out = static_cast<BYTE*>(buffer);
  std::size_t done = 0;
  while (done < bytes) {
    if (state_ == State::Reading && used_ < filled_) {
      const std::size_t part = std::min(filled_ - used_, bytes - done);
      std::memcpy(out + done, buffer_.data() + used_, part);
      used_ += part;
      done += part;
      continue;
    }
    if (bytes - done < buffer_.size()) {
      if (!Fill()) break;
      continue;
    }
    // A large read goes straight into the caller's buffer.
    bufferStart_ += used_;
    used_ = filled_ = 0;
    state_ = State::Idle;
    DWORD got = 0;
    if (ReadFile(file_, out + done, TransferSize(bytes - done), &got, nullptr) == FALSE) {
      Fail();
      break;
    }
    if (got == 0) {
      atEnd_ = true;
      break;
    }
    bufferStart_ += got;
    done += got;
  }
  return done;
}

std::optional<BYTE> CrtStream::ReadByte() {
  if (state_ == State::Reading && used_ < filled_) return buffer_[used_++];
  BYTE byte = 0;
  if (Read(&byte, 1) != 1) return std::nullopt;
  return byte;
}

std::size_t CrtStream::Write(const void* data, std::size_t bytes) {
  if (!mode_.write) {
    Fail();
    return 0;
  }
  if (state_ != State::Writing && !StartWriting()) return 0;
  const auto* in = static_cast<const BYTE*>(data);
  std::size_t done = 0;
  while (done < bytes) {
    if (used_ == 0 && bytes - done >= buffer_.size()) {
      // A large write goes straight to the file.
      DWORD written = 0;
      const DWORD part = TransferSize(bytes - done);
      const bool complete = WriteFile(file_, in + done, part, &written, nullptr) != FALSE && written == part;
      bufferStart_ += written;
      done += written;
      if (!complete) {
        Fail();
        break;
      }
      continue;
    }
    const std::size_t part = std::min(buffer_.size() - used_, bytes - done);
    std::memcpy(buffer_.data() + used_, in + done, part);
    used_ += part;
    done += part;
    if (used_ == buffer_.size()) {
      if (!FlushWrites()) break;
      state_ = State::Writing;
    }
  }
  return done;
}

bool CrtStream::Seek(LONGLONG offset, DWORD origin) {
  if (!FlushWrites()) return false;
  LONGLONG base = 0;
  if (origin == FILE_CURRENT) {
    base = static_cast<LONGLONG>(Tell());
  } else if (origin == FILE_END) {
    if (!DropReadAhead()) return false;
    LARGE_INTEGER end{};
    if (SetFilePointerEx(file_, LARGE_INTEGER{}, &end, FILE_END) == FALSE) return false;
    bufferStart_ = static_cast<ULONGLONG>(end.QuadPart);
    base = end.QuadPart;
  } else if (origin != FILE_BEGIN) {
    return false;
  }
  if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return false;
  const auto target = static_cast<ULONGLONG>(base + offset);
  atEnd_ = false;
  // A target inside what was read ahead needs no call.
  if (state_ == State::Reading && target >= bufferStart_ && target <= bufferStart_ + filled_) {
    used_ = static_cast<std::size_t>(target - bufferStart_);
    return true;
  }
  if (!MoveTo(target)) return false;
  bufferStart_ = target;
  used_ = filled_ = 0;
  state_ = State::Idle;
  return true;
}

bool CrtStream::Flush() { return state_ == State::Writing ? FlushWrites() : DropReadAhead(); }

bool CrtStream::Close() {
  const bool flushed = Flush();
  return CloseHandle(file_) != FALSE && flushed;
}

}  // namespace win

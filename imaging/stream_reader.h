// A read-ahead buffer over an ImageFile for decoders that read byte by byte (LZW, run-length
// codes), so that each byte costs no call into the stream.
#pragma once

#include "imaging/image_file.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace imaging {

class StreamReader {
 public:
  explicit StreamReader(ImageFile& stream);

  // The next byte 0-255, or -1 at the end of the stream.
  int Byte() {
    if (next_ == end_ && !Refill()) return -1;
    return buffer_[next_++];
  }
  // Reads count bytes; false when the stream ended first (what arrived is in target).
  bool Read(std::uint8_t* target, std::size_t count);
  // Skips count bytes; false when the stream ended first.
  bool Skip(std::size_t count);
  // True when no byte is left.
  bool AtEnd();
  std::int64_t Position() const { return bufferStart_ + static_cast<std::int64_t>(next_); }
  bool SeekTo(std::int64_t position);

 private:
  bool Refill();

  ImageFile& stream_;
  std::array<std::uint8_t, 16384> buffer_{};
  std::size_t next_ = 0;
  std::size_t end_ = 0;
  std::int64_t bufferStart_;
};

}  // namespace imaging

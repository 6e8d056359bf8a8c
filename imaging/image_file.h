// The byte stream every image decoder reads through, so that a decoder never depends on where
// its bytes come from (a runtime file, memory).
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging {

class ImageFile {
 public:
  virtual ~ImageFile() = default;

  // Releases the underlying source.
  virtual bool Close() = 0;
  // Reads up to count items of size bytes; answers the number of whole items read.
  virtual std::size_t Read(void* buffer, std::size_t size, std::size_t count) = 0;
  // Writes count items of size bytes; answers the number written.
  virtual std::size_t Write(const void* buffer, std::size_t size, std::size_t count) = 0;
  // Moves to offset from origin 0 (start), 1 (current position) or 2 (end).
  virtual bool Seek(std::int32_t offset, int origin) = 0;
  virtual std::int32_t Tell() = 0;
  virtual std::int32_t Size() = 0;
  virtual bool Flush() = 0;
  // True once a read has met the end.
  virtual bool Eof() = 0;
  virtual std::int32_t Error() = 0;
  // Writes the low byte of value; true when it was written.
  virtual bool PutC(int value);
  // The next byte 0-255, or -1 at the end.
  virtual std::int32_t GetC() = 0;

 protected:
  ImageFile() = default;
  ImageFile(const ImageFile&) = default;
  ImageFile& operator=(const ImageFile&) = default;
};

}  // namespace imaging

// The camera file, read through the runtime library's streams so that Windows paths and card
// volumes work as well as host paths.
#pragma once

#include "platform/win/files/crt_files.h"

#include <cstdint>
#include <vector>

namespace viduvod {

class CameraFile {
 public:
  // Opens for reading in binary mode; IsOpen tells whether it worked.
  explicit CameraFile(const char* path);
  CameraFile(const CameraFile&) = delete;
  CameraFile& operator=(const CameraFile&) = delete;
  ~CameraFile();

  bool IsOpen() const { return stream_ != nullptr; }
  std::uint64_t Size() const;
  // Up to length bytes from offset; fewer at the end of the file. Throws std::bad_alloc.
  std::vector<std::uint8_t> Read(std::uint64_t offset, std::uint64_t length) const;

 private:
  win::FILE* stream_;
};

}  // namespace viduvod

#include "exif/camera_file.h"

#include <limits>

namespace viduvod {

CameraFile::CameraFile(const char* path) : stream_(win::fopen(path, "rb")) {}

CameraFile::~CameraFile() {
  if (stream_ != nullptr) win::fclose(stream_);
}

std::uint64_t CameraFile::Size() const {
  if (stream_ == nullptr || win::fseek(stream_, 0, win::CRT_SEEK_END) != 0) return 0;
  const long size = win::ftell(stream_);
  return size < 0 ? 0 : static_cast<std::uint64_t>(size);
}

std::vector<std::uint8_t> CameraFile::Read(std::uint64_t offset, std::uint64_t length) const {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  if (stream_ == nullptr || offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max()) ||
      win::fseek(stream_, static_cast<long>(offset), win::CRT_SEEK_SET) != 0) {
    return {};
  }
  bytes.resize(win::fread(bytes.data(), 1, bytes.size(), stream_));
  return bytes;
}

}  // namespace viduvod

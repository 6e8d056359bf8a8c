#include "imaging/memory_image_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace imaging {

MemoryImageFile::MemoryImageFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

bool MemoryImageFile::Close() { return true; }

std::size_t MemoryImageFile::Read(void* buffer, std::size_t size, std::size_t count) {
  if (size == 0 || count == 0) return 0;
  const auto size64 = static_cast<std::int64_t>(bytes_.size());
  const std::size_t available = position_ >= size64 ? 0 : static_cast<std::size_t>(size64 - position_);
  const std::size_t items = std::min(count, available / size);
  if (items > 0) std::memcpy(buffer, bytes_.data() + position_, items * size);
  position_ += static_cast<std::int64_t>(items * size);
  if (items < count) {
    // A runtime stream consumes the partial item too.
    position_ += static_cast<std::int64_t>(std::min(available - items * size, size));
    eof_ = true;
  }
  return items;
}

std::size_t MemoryImageFile::Write(const void*, std::size_t, std::size_t) { return 0; }

bool MemoryImageFile::Seek(std::int32_t offset, int origin) {
  std::int64_t base = 0;
  if (origin == 1) {
    base = position_;
  } else if (origin == 2) {
    base = static_cast<std::int64_t>(bytes_.size());
  } else if (origin != 0) {
    return false;
  }
  const std::int64_t target = base + offset;
  if (target < 0 || target > std::numeric_limits<std::int32_t>::max()) return false;
  position_ = target;
  eof_ = false;
  return true;
}

std::int32_t MemoryImageFile::Tell() { return static_cast<std::int32_t>(position_); }

std::int32_t MemoryImageFile::Size() {
  return static_cast<std::int32_t>(std::min<std::size_t>(bytes_.size(), std::numeric_limits<std::int32_t>::max()));
}

bool MemoryImageFile::Flush() { return false; }

bool MemoryImageFile::Eof() { return eof_; }

std::int32_t MemoryImageFile::Error() { return 0; }

std::int32_t MemoryImageFile::GetC() {
  if (position_ >= static_cast<std::int64_t>(bytes_.size())) {
    eof_ = true;
    return -1;
  }
  return bytes_[static_cast<std::size_t>(position_++)];
}

}  // namespace imaging

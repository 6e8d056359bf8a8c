#include "operations/image_source.h"

#include "platform/win/files/files.h"

#include <algorithm>
#include <cstring>

namespace tarnlok {

FileImageSource::FileImageSource(win::HANDLE file) : file_(file) {
  win::LARGE_INTEGER size{};
  win::LARGE_INTEGER here{};
  if (win::GetFileSizeEx(file, &size) && win::SetFilePointerEx(file, win::LARGE_INTEGER{}, &here, win::FILE_CURRENT)) {
    size_ = static_cast<win::ULONGLONG>(size.QuadPart);
    position_ = std::min(static_cast<win::ULONGLONG>(here.QuadPart), size_);
  }
}

bool FileImageSource::Read(std::span<win::BYTE> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto chunk = static_cast<win::DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 30));
    win::DWORD moved = 0;
    if (!win::ReadFile(file_, bytes.data() + done, chunk, &moved, nullptr) || moved == 0) return false;
    done += moved;
    position_ += moved;
  }
  return true;
}

bool FileImageSource::Skip(win::ULONGLONG bytes) {
  if (bytes > Remaining()) return false;
  win::LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<win::LONGLONG>(bytes);
  if (!win::SetFilePointerEx(file_, distance, nullptr, win::FILE_CURRENT)) return false;
  position_ += bytes;
  return true;
}

win::ULONGLONG FileImageSource::Remaining() const { return size_ - std::min(position_, size_); }

bool MemoryImageSource::Read(std::span<win::BYTE> bytes) {
  if (bytes.size() > Remaining()) return false;
  if (!bytes.empty()) std::memcpy(bytes.data(), bytes_.data() + position_, bytes.size());
  position_ += bytes.size();
  return true;
}

bool MemoryImageSource::Skip(win::ULONGLONG bytes) {
  if (bytes > Remaining()) return false;
  position_ += static_cast<std::size_t>(bytes);
  return true;
}

}  // namespace tarnlok

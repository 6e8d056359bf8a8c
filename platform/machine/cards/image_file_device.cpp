#include "platform/machine/cards/image_file_device.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace machine {
namespace {

win::DWORD OpenError(int error) {
  return error == ENOENT || error == ENOTDIR ? win::ERROR_FILE_NOT_FOUND : win::ERROR_ACCESS_DENIED;
}

}  // namespace

IoResult<std::unique_ptr<ImageFileDevice>> ImageFileDevice::Open(const std::filesystem::path& path, bool readOnly,
                                                                 std::uint64_t byteOffset,
                                                                 std::optional<std::uint64_t> sectorCount) {
  const int fd = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) return IoError{OpenError(errno)};
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    ::close(fd);
    return IoError{win::ERROR_ACCESS_DENIED};
  }
  const auto fileSize = static_cast<std::uint64_t>(status.st_size);
  const std::uint64_t available = fileSize > byteOffset ? (fileSize - byteOffset) / kSectorSize : 0;
  return std::unique_ptr<ImageFileDevice>(
      new ImageFileDevice(fd, readOnly, byteOffset, sectorCount.value_or(available)));
}

ImageFileDevice::ImageFileDevice(int fd, bool readOnly, std::uint64_t byteOffset, std::uint64_t sectorCount)
    : fd_(fd), readOnly_(readOnly), byteOffset_(byteOffset), sectorCount_(sectorCount) {}

ImageFileDevice::~ImageFileDevice() { ::close(fd_); }

IoStatus ImageFileDevice::ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) {
  if (const auto error = CheckRange(first, buffer.size()); error != win::ERROR_SUCCESS) return IoError{error};
  std::size_t done = 0;
  while (done < buffer.size()) {
    const auto position = static_cast<off_t>(byteOffset_ + first * kSectorSize + done);
    const ssize_t got = ::pread(fd_, buffer.data() + done, buffer.size() - done, position);
    if (got < 0 && errno == EINTR) continue;
    // A region that the file no longer covers reads as a missing sector, as a truncated card would.
    if (got <= 0) return IoError{got == 0 ? win::ERROR_SECTOR_NOT_FOUND : win::ERROR_READ_FAULT};
    done += static_cast<std::size_t>(got);
  }
  return IoOk();
}

IoStatus ImageFileDevice::WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) {
  if (readOnly_) return IoError{win::ERROR_WRITE_PROTECT};
  if (const auto error = CheckRange(first, data.size()); error != win::ERROR_SUCCESS) return IoError{error};
  std::size_t done = 0;
  while (done < data.size()) {
    const auto position = static_cast<off_t>(byteOffset_ + first * kSectorSize + done);
    const ssize_t put = ::pwrite(fd_, data.data() + done, data.size() - done, position);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return IoError{win::ERROR_WRITE_FAULT};
    done += static_cast<std::size_t>(put);
  }
  return IoOk();
}

}  // namespace machine

#include "platform/machine/cards/file_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace machine {
namespace {

template <class Transfer, class Pointer>
bool TransferAll(Transfer transfer, int fd, Pointer data, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t moved = transfer(fd, data + done, size - done, static_cast<off_t>(offset + done));
    if (moved < 0 && errno == EINTR) continue;
    if (moved <= 0) return false;
    done += static_cast<std::size_t>(moved);
  }
  return true;
}

}  // namespace

OpenedImage OpenImage(const std::filesystem::path& path) {
  OpenedImage opened;
  opened.fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (opened.fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    opened.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    opened.readOnly = opened.fd >= 0;
  }
  if (opened.fd < 0) opened.problem = std::strerror(errno);
  return opened;
}

bool ReadAt(int fd, std::span<std::uint8_t> data, std::uint64_t offset) {
  return TransferAll(::pread, fd, data.data(), data.size(), offset);
}

bool WriteAt(int fd, std::span<const std::uint8_t> data, std::uint64_t offset) {
  return TransferAll(::pwrite, fd, data.data(), data.size(), offset);
}

}  // namespace machine

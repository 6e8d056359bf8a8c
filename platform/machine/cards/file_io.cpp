#include "platform/machine/file_io.h"

#include <cerrno>
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

bool ReadAt(int fd, std::span<std::uint8_t> data, std::uint64_t offset) {
  return TransferAll(::pread, fd, data.data(), data.size(), offset);
}

bool WriteAt(int fd, std::span<const std::uint8_t> data, std::uint64_t offset) {
  return TransferAll(::pwrite, fd, data.data(), data.size(), offset);
}

}  // namespace machine

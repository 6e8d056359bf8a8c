#include "platform/win/atomic_file.h"

#include "platform/win/host_errors.h"
#include "platform/win/last_error.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

// Closes the descriptor when the scope ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, answering errno of a failed close or 0.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int WriteAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    const ssize_t written = ::write(fd, contents.data(), contents.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    contents.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

// The new file keeps the permissions of the one it replaces.
mode_t ModeFor(const std::filesystem::path& target) {
  struct stat existing {};
  constexpr mode_t kNewFileMode = 0644;
  return ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : kNewFileMode;
}

}  // namespace

DWORD ReplaceFileContents(const std::filesystem::path& target, std::string_view contents) {
  std::string temporary = target.string() + ".XXXXXX";
  Descriptor file(::mkstemp(temporary.data()));
  if (file.get() < 0) return ErrorFromErrno(errno);
  int failure = ::fchmod(file.get(), ModeFor(target)) == 0 ? 0 : errno;
  if (failure == 0) failure = WriteAll(file.get(), contents);
  if (failure == 0 && ::fsync(file.get()) != 0) failure = errno;
  if (failure == 0) failure = file.Close();
  if (failure == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) failure = errno;
  if (failure != 0) {
    ::unlink(temporary.c_str());
    return ErrorFromErrno(failure);
  }
  return ERROR_SUCCESS;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, DWORD& error) {
  Descriptor input(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (input.get() < 0) {
    error = ErrorFromErrno(errno);
    return std::nullopt;
  }
  std::string contents;
  std::array<char, 8192> chunk{};
  for (;;) {
    const ssize_t got = ::read(input.get(), chunk.data(), chunk.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      error = ErrorFromErrno(errno);
      return std::nullopt;
    }
    if (got == 0) break;
    contents.append(chunk.data(), static_cast<std::size_t>(got));
  }
  error = ERROR_SUCCESS;
  return contents;
}

}  // namespace win

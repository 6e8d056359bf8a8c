#include "platform/win/host/host_file.h"

#include "platform/win/files/file_position.h"
#include "platform/win/files/files.h"
#include "platform/win/host/host_errors.h"
#include "platform/win/host/host_free_space.h"
#include "platform/win/system/last_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool WantsRead(DWORD access) { return (access & (GENERIC_READ | GENERIC_ALL)) != 0; }
bool WantsWrite(DWORD access) { return (access & (GENERIC_WRITE | GENERIC_ALL)) != 0; }

int OpenFlags(const OpenRequest& request) {
  const bool read = WantsRead(request.desiredAccess);
  const bool write = WantsWrite(request.desiredAccess);
  int flags = O_CLOEXEC | (write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY);
  if (request.create) flags |= O_CREAT | O_EXCL;
  return flags;
}

FileIdentity IdentityOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

std::optional<ULONGLONG> DescriptorSize(int descriptor) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return std::nullopt;
  }
  return static_cast<ULONGLONG>(status.st_size);
}

// Cuts the new or replaced file to empty and gives it the requested read-only attribute.
DWORD PrepareContent(int descriptor, const struct stat& status, const OpenRequest& request) {
  if (request.truncate) {
    if (::ftruncate(descriptor, 0) != 0) return ErrorFromErrno(errno);
    ReleaseHostSpace(static_cast<ULONGLONG>(status.st_size));
  }
  if ((request.create || request.truncate) && (request.attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
      ::fchmod(descriptor, status.st_mode & ~kWriteBits & 07777) != 0) {
    return ErrorFromErrno(errno);
  }
  return ERROR_SUCCESS;
}

// Removes path only when it still names the file that was open, so that a name reused since
// never loses its file.
void RemoveIfSameFile(const std::filesystem::path& path, FileIdentity identity) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || IdentityOf(status) != identity) return;
  if (::unlink(path.c_str()) == 0) ReleaseHostSpace(static_cast<ULONGLONG>(status.st_size));
}

}  // namespace

std::shared_ptr<HostFile> HostFile::Open(const std::filesystem::path& path, const OpenRequest& request, DWORD& error) {
  // Without blocking, so that a FIFO or a device node never holds the caller inside open(); only
  // regular files are opened, the rest refused as Windows refuses a directory. (A FIFO opened for
  // writing without a reader fails at once with ENXIO.)
  const int descriptor = ::open(path.c_str(), OpenFlags(request) | O_NONBLOCK, kNewFileMode);
  if (descriptor < 0) {
    error = errno == ENXIO ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno);
    return nullptr;
  }
  struct stat status {};
  const bool known = ::fstat(descriptor, &status) == 0;
  if (!known || !S_ISREG(status.st_mode)) {
    error = known ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno);
    ::close(descriptor);
    return nullptr;
  }
  ShareTicket ticket = 0;
  error = RegisterOpen(IdentityOf(status), path, ShareAccessOf(request.desiredAccess, request.deleteOnClose),
                       request.shareMode, request.deleteOnClose, ticket);
  if (error != ERROR_SUCCESS) {
    ::close(descriptor);
    return nullptr;
  }
  // From here the object owns the descriptor and its place in the share table.
  auto file = std::make_shared<HostFile>(descriptor, IdentityOf(status), ticket, request.desiredAccess);
  error = PrepareContent(descriptor, status, request);
  if (error != ERROR_SUCCESS) return nullptr;
  return file;
}

HostFile::HostFile(int descriptor, FileIdentity identity, ShareTicket ticket, DWORD desiredAccess)
    : descriptor_(descriptor),
      identity_(identity),
      ticket_(ticket),
      canRead_(WantsRead(desiredAccess)),
      canWrite_(WantsWrite(desiredAccess)) {}

HostFile::~HostFile() {
  if (const auto pendingDelete = ReleaseOpen(identity_, ticket_)) RemoveIfSameFile(*pendingDelete, identity_);
  ::close(descriptor_);
}

BOOL HostFile::Read(std::span<BYTE> buffer, DWORD& bytesRead) {
  bytesRead = 0;
  if (!canRead_) return Fail(ERROR_ACCESS_DENIED);
  while (bytesRead < buffer.size()) {
    const ssize_t got =
        ::pread(descriptor_, buffer.data() + bytesRead, buffer.size() - bytesRead, static_cast<off_t>(position_));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail(ErrorFromErrno(errno));
    if (got == 0) break;
    bytesRead += static_cast<DWORD>(got);
    position_ += static_cast<ULONGLONG>(got);
  }
  return TRUE;
}

BOOL HostFile::Write(std::span<const BYTE> data, DWORD& bytesWritten) {
  bytesWritten = 0;
  if (!canWrite_) return Fail(ERROR_ACCESS_DENIED);
  if (data.empty()) return TRUE;
  if (const auto injected = InjectedHostWriteError()) return Fail(*injected);
  const auto sizeBefore = DescriptorSize(descriptor_);
  if (!sizeBefore) return FALSE;
  const ULONGLONG end = position_ + data.size();
  const ULONGLONG growth = end > *sizeBefore ? end - *sizeBefore : 0;
  if (!ReserveHostSpace(growth)) return Fail(ERROR_DISK_FULL);
  while (bytesWritten < data.size()) {
    const ssize_t put =
        ::pwrite(descriptor_, data.data() + bytesWritten, data.size() - bytesWritten, static_cast<off_t>(position_));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      const DWORD error = ErrorFromErrno(errno);
      // Only what the file really grew by stays taken from the injected free space.
      ReleaseHostSpace(growth);
      const ULONGLONG sizeAfter = DescriptorSize(descriptor_).value_or(*sizeBefore);
      ReserveHostSpace(sizeAfter > *sizeBefore ? sizeAfter - *sizeBefore : 0);
      return Fail(error);
    }
    bytesWritten += static_cast<DWORD>(put);
    position_ += static_cast<ULONGLONG>(put);
  }
  return TRUE;
}

BOOL HostFile::Seek(LONGLONG distance, DWORD method, ULONGLONG& newPosition) {
  const auto size = DescriptorSize(descriptor_);
  if (!size) return FALSE;
  DWORD error = ERROR_SUCCESS;
  const auto target = SeekTarget(position_, *size, distance, method, error);
  if (!target) return Fail(error);
  position_ = *target;
  newPosition = position_;
  return TRUE;
}

BOOL HostFile::Flush() {
  if (!canWrite_) return Fail(ERROR_ACCESS_DENIED);
  if (::fdatasync(descriptor_) != 0) return Fail(ErrorFromErrno(errno));
  return TRUE;
}

std::optional<ULONGLONG> HostFile::Size() { return DescriptorSize(descriptor_); }

BOOL HostFile::SetEnd() {
  if (!canWrite_) return Fail(ERROR_ACCESS_DENIED);
  const auto size = DescriptorSize(descriptor_);
  if (!size) return FALSE;
  if (position_ > *size && !ReserveHostSpace(position_ - *size)) return Fail(ERROR_DISK_FULL);
  if (::ftruncate(descriptor_, static_cast<off_t>(position_)) != 0) {
    const DWORD error = ErrorFromErrno(errno);
    if (position_ > *size) ReleaseHostSpace(position_ - *size);
    return Fail(error);
  }
  if (position_ < *size) ReleaseHostSpace(*size - position_);
  return TRUE;
}

}  // namespace win

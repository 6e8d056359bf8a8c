#include "platform/win/files/mapping_backing.h"

#include "platform/win/host/data_folder.h"
#include "platform/win/system/last_error.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

// Names beyond this length (after encoding) do not fit one file name.
constexpr std::size_t kMaxEncodedName = 240;

DWORD ErrorOfErrno(int number) {
  switch (number) {
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    default: return ERROR_NOT_ENOUGH_MEMORY;
  }
}

std::filesystem::path ObjectsFolder() {
  auto folder = DataFolder() / "objects";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return folder;
}

// Object names are case-sensitive and may hold any character; the file name keeps letters,
// digits, '-' and '_' and writes every other byte as %XX.
std::string EncodedName(std::string_view name) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded = "mapping.";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 || c == '-' || c == '_') {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

// The exclusive lock on the objects folder's guard file, held for one create or open.
class GuardLock {
 public:
  explicit GuardLock(const std::filesystem::path& folder)
      : descriptor_(::open((folder / "guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (descriptor_ >= 0) {
      while (::flock(descriptor_, LOCK_EX) != 0 && errno == EINTR) {}
    }
  }
  ~GuardLock() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  GuardLock(const GuardLock&) = delete;
  GuardLock& operator=(const GuardLock&) = delete;

  bool held() const { return descriptor_ >= 0; }

 private:
  int descriptor_;
};

enum class Holders { None, Some, Unknown };

// Whether another open of the file holds its lock. With None the caller now holds it exclusively.
Holders OtherHolders(int descriptor) {
  if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) return Holders::None;
  return errno == EWOULDBLOCK ? Holders::Some : Holders::Unknown;
}

bool Resize(int descriptor, ULONGLONG size) {
  return ::ftruncate(descriptor, 0) == 0 && ::ftruncate(descriptor, static_cast<off_t>(size)) == 0;
}

std::unique_ptr<MappingBacking> Failed(DWORD& error, DWORD code) {
  error = code;
  return nullptr;
}

}  // namespace

MappingBacking::MappingBacking(int descriptor, ULONGLONG size, std::filesystem::path file)
    : descriptor_(descriptor), size_(size), file_(std::move(file)) {}

MappingBacking::~MappingBacking() {
  if (!file_.empty()) {
    // The last holder removes the file; the guard keeps anyone from joining meanwhile.
    const GuardLock guard(file_.parent_path());
    if (guard.held() && OtherHolders(descriptor_) == Holders::None) ::unlink(file_.c_str());
  }
  ::close(descriptor_);
}

std::unique_ptr<MappingBacking> MappingBacking::CreateNamed(std::string_view name, ULONGLONG size, bool& existed,
                                                            DWORD& error) {
  const std::string encoded = EncodedName(name);
  if (encoded.size() > kMaxEncodedName) return Failed(error, ERROR_FILENAME_EXCED_RANGE);
  const auto folder = ObjectsFolder();
  const GuardLock guard(folder);
  if (!guard.held()) return Failed(error, ErrorOfErrno(errno));
  auto file = folder / encoded;
  const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor < 0) return Failed(error, ErrorOfErrno(errno));
  const Holders holders = OtherHolders(descriptor);
  existed = holders == Holders::Some;
  struct stat status {};
  if (holders == Holders::Unknown || (!existed && !Resize(descriptor, size)) || ::fstat(descriptor, &status) != 0 ||
      ::flock(descriptor, LOCK_SH) != 0) {
    const DWORD failure = ErrorOfErrno(errno);
    ::close(descriptor);
    return Failed(error, failure);
  }
  return std::unique_ptr<MappingBacking>(
      new MappingBacking(descriptor, static_cast<ULONGLONG>(status.st_size), std::move(file)));
}

std::unique_ptr<MappingBacking> MappingBacking::OpenNamed(std::string_view name, DWORD& error) {
  const std::string encoded = EncodedName(name);
  if (encoded.size() > kMaxEncodedName) return Failed(error, ERROR_FILE_NOT_FOUND);
  const auto folder = ObjectsFolder();
  const GuardLock guard(folder);
  if (!guard.held()) return Failed(error, ErrorOfErrno(errno));
  auto file = folder / encoded;
  const int descriptor = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (descriptor < 0) return Failed(error, errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorOfErrno(errno));
  const Holders holders = OtherHolders(descriptor);
  if (holders == Holders::None) {
    // Left behind by a holder that ended without closing it.
    ::unlink(file.c_str());
    ::close(descriptor);
    return Failed(error, ERROR_FILE_NOT_FOUND);
  }
  struct stat status {};
  if (holders == Holders::Unknown || ::fstat(descriptor, &status) != 0 || ::flock(descriptor, LOCK_SH) != 0) {
    const DWORD failure = ErrorOfErrno(errno);
    ::close(descriptor);
    return Failed(error, failure);
  }
  return std::unique_ptr<MappingBacking>(
      new MappingBacking(descriptor, static_cast<ULONGLONG>(status.st_size), std::move(file)));
}

std::unique_ptr<MappingBacking> MappingBacking::CreateUnnamed(ULONGLONG size, DWORD& error) {
  const int descriptor = ::memfd_create("tarnlok-mapping", MFD_CLOEXEC);
  if (descriptor < 0) return Failed(error, ErrorOfErrno(errno));
  if (::ftruncate(descriptor, static_cast<off_t>(size)) != 0) {
    const DWORD failure = ErrorOfErrno(errno);
    ::close(descriptor);
    return Failed(error, failure);
  }
  return std::unique_ptr<MappingBacking>(new MappingBacking(descriptor, size, {}));
}

}  // namespace win

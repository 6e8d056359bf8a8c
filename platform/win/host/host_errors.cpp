#include "platform/win/host/host_errors.h"

#include "platform/win/system/last_error.h"

#include <algorithm>
#include <array>
#include <cerrno>

namespace win {
namespace {

struct ErrnoMapping {
  int errnoValue;
  DWORD error;
};

constexpr std::array kMappings{
    ErrnoMapping{ENOENT, ERROR_FILE_NOT_FOUND},
    ErrnoMapping{ENOTDIR, ERROR_PATH_NOT_FOUND},
    ErrnoMapping{EACCES, ERROR_ACCESS_DENIED},
    ErrnoMapping{EPERM, ERROR_ACCESS_DENIED},
    ErrnoMapping{EISDIR, ERROR_ACCESS_DENIED},
    ErrnoMapping{EEXIST, ERROR_FILE_EXISTS},
    ErrnoMapping{ENOSPC, ERROR_DISK_FULL},
    ErrnoMapping{EDQUOT, ERROR_DISK_FULL},
    ErrnoMapping{EFBIG, ERROR_DISK_FULL},
    ErrnoMapping{EROFS, ERROR_WRITE_PROTECT},
    ErrnoMapping{ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    ErrnoMapping{EBUSY, ERROR_SHARING_VIOLATION},
    ErrnoMapping{EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    ErrnoMapping{ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    ErrnoMapping{ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    ErrnoMapping{EXDEV, ERROR_NOT_SAME_DEVICE},
    ErrnoMapping{EINVAL, ERROR_INVALID_PARAMETER},
    ErrnoMapping{EIO, ERROR_IO_DEVICE},
    ErrnoMapping{ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
};

}  // namespace

DWORD ErrorFromErrno(int error) {
  const auto* found = std::find_if(kMappings.begin(), kMappings.end(),
                                   [error](const ErrnoMapping& mapping) { return mapping.errnoValue == error; });
  return found == kMappings.end() ? ERROR_GEN_FAILURE : found->error;
}

}  // namespace win

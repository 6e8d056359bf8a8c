#include "platform/win/system/last_error.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace win {
namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

struct ErrorText {
  DWORD code;
  std::string_view text;
};

// The English texts Windows gives for the numbers this system meets.
constexpr std::array kErrorTexts{
    ErrorText{ERROR_SUCCESS, "The operation completed successfully."},
    ErrorText{ERROR_INVALID_FUNCTION, "Incorrect function."},
    ErrorText{ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    ErrorText{ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    ErrorText{ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    ErrorText{ERROR_ACCESS_DENIED, "Access is denied."},
    ErrorText{ERROR_INVALID_HANDLE, "The handle is invalid."},
    ErrorText{ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    ErrorText{ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format."},
    ErrorText{ERROR_INVALID_DATA, "The data is invalid."},
    ErrorText{ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
    ErrorText{ERROR_INVALID_DRIVE, "The system cannot find the drive specified."},
    ErrorText{ERROR_NO_MORE_FILES, "There are no more files."},
    ErrorText{ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
    ErrorText{ERROR_WRITE_PROTECT, "The media is write protected."},
    ErrorText{ERROR_BAD_UNIT, "The system cannot find the device specified."},
    ErrorText{ERROR_NOT_READY, "The device is not ready."},
    ErrorText{ERROR_BAD_COMMAND, "The device does not recognize the command."},
    ErrorText{ERROR_CRC, "Data error (cyclic redundancy check)."},
    ErrorText{ERROR_BAD_LENGTH, "The program issued a command but the command length is incorrect."},
    ErrorText{ERROR_SEEK, "The drive cannot locate a specific area or track on the disk."},
    ErrorText{ERROR_NOT_DOS_DISK, "The specified disk or diskette cannot be accessed."},
    ErrorText{ERROR_SECTOR_NOT_FOUND, "The drive cannot find the sector requested."},
    ErrorText{ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    ErrorText{ERROR_READ_FAULT, "The system cannot read from the specified device."},
    ErrorText{ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    ErrorText{ERROR_SHARING_VIOLATION,
              "The process cannot access the file because it is being used by another process."},
    ErrorText{ERROR_LOCK_VIOLATION,
              "The process cannot access the file because another process has locked a portion of the file."},
    ErrorText{ERROR_HANDLE_EOF, "Reached the end of the file."},
    ErrorText{ERROR_HANDLE_DISK_FULL, "The disk is full."},
    ErrorText{ERROR_NOT_SUPPORTED, "The request is not supported."},
    ErrorText{ERROR_DEV_NOT_EXIST, "The specified network resource or device is no longer available."},
    ErrorText{ERROR_FILE_EXISTS, "The file exists."},
    ErrorText{ERROR_CANNOT_MAKE, "The directory or file cannot be created."},
    ErrorText{ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    ErrorText{ERROR_DISK_FULL, "There is not enough space on the disk."},
    ErrorText{ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
    ErrorText{ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    ErrorText{ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    ErrorText{ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    ErrorText{ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    ErrorText{ERROR_NEGATIVE_SEEK, "An attempt was made to move the file pointer before the beginning of the file."},
    ErrorText{ERROR_DIR_NOT_ROOT, "The directory is not a subdirectory of the root directory."},
    ErrorText{ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    ErrorText{ERROR_NOT_LOCKED, "The segment is already unlocked."},
    ErrorText{ERROR_BAD_PATHNAME, "The specified path is invalid."},
    ErrorText{ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    ErrorText{ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    ErrorText{ERROR_MORE_DATA, "More data is available."},
    ErrorText{ERROR_NO_MORE_ITEMS, "No more data is available."},
    ErrorText{ERROR_DIRECTORY, "The directory name is invalid."},
    ErrorText{ERROR_INVALID_ADDRESS, "Attempt to access invalid address."},
    ErrorText{ERROR_NOACCESS, "Invalid access to memory location."},
    ErrorText{ERROR_INVALID_FLAGS, "Invalid flags."},
    ErrorText{ERROR_UNRECOGNIZED_VOLUME, "The volume does not contain a recognized file system."},
    ErrorText{ERROR_FILE_INVALID,
              "The volume for a file has been externally altered so that the opened file is no longer valid."},
    ErrorText{ERROR_BADDB, "The configuration registry database is corrupt."},
    ErrorText{ERROR_BADKEY, "The configuration registry key is invalid."},
    ErrorText{ERROR_CANTOPEN, "The configuration registry key could not be opened."},
    ErrorText{ERROR_CANTREAD, "The configuration registry key could not be read."},
    ErrorText{ERROR_CANTWRITE, "The configuration registry key could not be written."},
    ErrorText{ERROR_KEY_DELETED, "Illegal operation attempted on a registry key that has been marked for deletion."},
    ErrorText{ERROR_MEDIA_CHANGED, "The media in the drive may have changed."},
    ErrorText{ERROR_NO_MEDIA_IN_DRIVE, "No media in drive."},
    ErrorText{ERROR_DLL_INIT_FAILED, "A dynamic link library (DLL) initialization routine failed."},
    ErrorText{ERROR_IO_DEVICE, "The request could not be performed because of an I/O device error."},
    ErrorText{ERROR_MAPPED_ALIGNMENT,
              "The base address or the file offset specified does not have the proper alignment."},
    ErrorText{ERROR_DISK_CORRUPT, "The disk structure is corrupted and unreadable."},
    ErrorText{ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    ErrorText{ERROR_RESOURCE_DATA_NOT_FOUND, "The specified image file did not contain a resource section."},
    ErrorText{ERROR_RESOURCE_TYPE_NOT_FOUND, "The specified resource type cannot be found in the image file."},
    ErrorText{ERROR_RESOURCE_NAME_NOT_FOUND, "The specified resource name cannot be found in the image file."},
};

}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

BOOL Fail(DWORD error) {
  lastError = error;
  return FALSE;
}

std::string SystemErrorText(DWORD error) {
  const auto* found = std::find_if(kErrorTexts.begin(), kErrorTexts.end(),
                                   [error](const ErrorText& entry) { return entry.code == error; });
  if (found == kErrorTexts.end()) return {};
  return std::string(found->text) + "\r\n";
}

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/, LPSTR buffer,
                     DWORD size, void* /*arguments*/) {
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string text = SystemErrorText(messageId);
  if (text.empty()) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const auto length = static_cast<DWORD>(text.size());
  if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
    auto* block = static_cast<char*>(LocalAlloc(0, std::max<std::size_t>(text.size() + 1, size)));
    if (block == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::memcpy(block, text.c_str(), text.size() + 1);
    *reinterpret_cast<char**>(buffer) = block;
    return length;
  }
  if (size <= length) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return length;
}

HLOCAL LocalAlloc(UINT /*flags*/, std::size_t bytes) { return std::calloc(std::max<std::size_t>(bytes, 1), 1); }

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

}  // namespace win

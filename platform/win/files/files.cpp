// CreateFileA and the services on an open file handle (ReadFile, WriteFile, SetFilePointer,
// SetEndOfFile, FlushFileBuffers, GetFileSize). Device names go to the device namespace,
// everything else to the volume that holds the file.
// Not provided: overlapped I/O (an OVERLAPPED fails with ERROR_INVALID_PARAMETER), security
// attributes and template files (ignored), FILE_FLAG_BACKUP_SEMANTICS (folders cannot be opened).
#include "platform/win/files.h"

#include "platform/win/device_namespace.h"
#include "platform/win/file_targets.h"
#include "platform/win/last_error.h"

namespace win {
namespace {

constexpr DWORD kLow32 = 0xFFFFFFFF;

std::shared_ptr<IoObject> IoObjectOf(HANDLE handle) {
  auto object = LookupHandleAs<IoObject>(handle);
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

HANDLE FailHandle(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

HANDLE InsertObject(std::shared_ptr<IoObject> object, DWORD successError) {
  const HANDLE handle = InsertHandle(std::move(object));
  if (handle != INVALID_HANDLE_VALUE) SetLastError(successError);
  return handle;
}

// Answers a 64-bit value through a 32-bit return and an optional high part. A low part
// that looks like the failure value clears the last error, so callers can tell them apart.
DWORD SplitResult(ULONGLONG value, LONG* high) {
  if (high != nullptr) *high = static_cast<LONG>(value >> 32);
  const auto low = static_cast<DWORD>(value & kLow32);
  if (low == kLow32) SetLastError(ERROR_SUCCESS);
  return low;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, SECURITY_ATTRIBUTES* /*security*/,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
  DWORD error = ERROR_SUCCESS;
  auto resolved = ResolvePath(fileName == nullptr ? "" : fileName, error);
  if (!resolved) return FailHandle(error);
  if (resolved->kind == ResolvedPath::Kind::Device) {
    auto device = OpenDevice(resolved->deviceName, desiredAccess, shareMode, error);
    return device ? InsertObject(std::move(device), ERROR_SUCCESS) : FailHandle(error);
  }
  const auto target = TargetOf(std::move(*resolved), error);
  if (!target) return FailHandle(error);
  auto opened = OpenTarget(*target, desiredAccess, shareMode, creationDisposition, flagsAndAttributes, error);
  if (!opened.object) return FailHandle(error);
  return InsertObject(std::move(opened.object), opened.successError);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, OVERLAPPED* overlapped) {
  const auto object = IoObjectOf(file);
  if (!object) return FALSE;
  if (overlapped != nullptr || bytesRead == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *bytesRead = 0;
  if (buffer == nullptr && bytesToRead > 0) return Fail(ERROR_NOACCESS);
  return object->Read(std::span(static_cast<BYTE*>(buffer), bytesToRead), *bytesRead);
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, OVERLAPPED* overlapped) {
  const auto object = IoObjectOf(file);
  if (!object) return FALSE;
  if (overlapped != nullptr || bytesWritten == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *bytesWritten = 0;
  if (buffer == nullptr && bytesToWrite > 0) return Fail(ERROR_NOACCESS);
  return object->Write(std::span(static_cast<const BYTE*>(buffer), bytesToWrite), *bytesWritten);
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  const auto object = IoObjectOf(file);
  if (!object) return INVALID_SET_FILE_POINTER;
  // Without a high part the distance is a signed 32-bit value and the result must fit 32 bits.
  const LONGLONG move = distanceHigh == nullptr
                            ? LONGLONG{distance}
                            : static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                                    static_cast<DWORD>(distance));
  ULONGLONG before = 0;
  ULONGLONG after = 0;
  if (!object->Seek(0, FILE_CURRENT, before) || !object->Seek(move, moveMethod, after)) {
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh == nullptr && after > kLow32) {
    object->Seek(static_cast<LONGLONG>(before), FILE_BEGIN, after);
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  return SplitResult(after, distanceHigh);
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD moveMethod) {
  const auto object = IoObjectOf(file);
  if (!object) return FALSE;
  ULONGLONG position = 0;
  if (!object->Seek(distance.QuadPart, moveMethod, position)) return FALSE;
  if (newPosition != nullptr) newPosition->QuadPart = static_cast<LONGLONG>(position);
  return TRUE;
}

BOOL SetEndOfFile(HANDLE file) {
  const auto object = IoObjectOf(file);
  return object ? object->SetEnd() : FALSE;
}

BOOL FlushFileBuffers(HANDLE file) {
  const auto object = IoObjectOf(file);
  return object ? object->Flush() : FALSE;
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
  const auto object = IoObjectOf(file);
  if (!object) return INVALID_FILE_SIZE;
  const auto size = object->Size();
  if (!size) return INVALID_FILE_SIZE;
  LONG high = 0;
  const DWORD low = SplitResult(*size, &high);
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(high);
  return low;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
  const auto object = IoObjectOf(file);
  if (!object) return FALSE;
  if (size == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const auto bytes = object->Size();
  if (!bytes) return FALSE;
  size->QuadPart = static_cast<LONGLONG>(*bytes);
  return TRUE;
}

}  // namespace win

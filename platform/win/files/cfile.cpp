// Not provided: duplicating, locking, renaming and status queries of CFile.
#include "platform/win/files/cfile.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"

#include <algorithm>
#include <array>
#include <utility>

namespace win {
namespace {

struct ErrorCause {
  DWORD error;
  int cause;
};

constexpr std::array kErrorCauses{
    ErrorCause{ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
    ErrorCause{ERROR_PATH_NOT_FOUND, CFileException::badPath},
    ErrorCause{ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
    ErrorCause{ERROR_ACCESS_DENIED, CFileException::accessDenied},
    ErrorCause{ERROR_INVALID_HANDLE, CFileException::invalidFile},
    ErrorCause{ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
    ErrorCause{ERROR_LOCK_VIOLATION, CFileException::lockViolation},
    ErrorCause{ERROR_DISK_FULL, CFileException::diskFull},
    ErrorCause{ERROR_HANDLE_DISK_FULL, CFileException::diskFull},
    ErrorCause{ERROR_HANDLE_EOF, CFileException::endOfFile},
    ErrorCause{ERROR_SEEK, CFileException::badSeek},
    ErrorCause{ERROR_NEGATIVE_SEEK, CFileException::badSeek},
};

constexpr UINT kAccessMask = 0x0003;
constexpr UINT kShareMask = 0x0070;

struct ShareMapping {
  UINT flag;
  DWORD shareMode;
};

constexpr std::array kShareModes{
    ShareMapping{CFile::shareCompat, 0},
    ShareMapping{CFile::shareExclusive, 0},
    ShareMapping{CFile::shareDenyWrite, FILE_SHARE_READ},
    ShareMapping{CFile::shareDenyRead, FILE_SHARE_WRITE},
    ShareMapping{CFile::shareDenyNone, FILE_SHARE_READ | FILE_SHARE_WRITE},
};

constexpr std::array<DWORD, 3> kAccessModes{GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};

[[noreturn]] void ThrowOsError(DWORD error, const std::string& fileName) {
  const auto osError = static_cast<LONG>(error);
  throw CFileException(CFileException::OsErrorToException(osError), osError, fileName);
}

}  // namespace

CFileException::CFileException(int cause, LONG osError, std::string fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

int CFileException::OsErrorToException(LONG osError) {
  for (const auto& entry : kErrorCauses) {
    if (static_cast<LONG>(entry.error) == osError) return entry.cause;
  }
  return generic;
}

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE) {}

CFile::CFile(LPCSTR fileName, UINT openFlags) : m_hFile(INVALID_HANDLE_VALUE) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

CFile::~CFile() { Abort(); }

BOOL CFile::Open(LPCSTR fileName, UINT openFlags, CFileException* error) {
  const std::string name = fileName == nullptr ? std::string() : std::string(fileName);
  const UINT access = openFlags & kAccessMask;
  const auto* share = std::find_if(kShareModes.begin(), kShareModes.end(), [openFlags](const ShareMapping& entry) {
    return entry.flag == (openFlags & kShareMask);
  });
  DWORD failure = ERROR_SUCCESS;
  if (fileName == nullptr || access >= kAccessModes.size() || share == kShareModes.end()) {
    failure = ERROR_INVALID_PARAMETER;
  } else if (m_hFile != INVALID_HANDLE_VALUE) {
    // A CFile holds one file; opening another over it would lose the first handle.
    failure = ERROR_INVALID_HANDLE;
  } else {
    const DWORD disposition = (openFlags & modeCreate) == 0       ? OPEN_EXISTING
                              : (openFlags & modeNoTruncate) != 0 ? OPEN_ALWAYS
                                                                  : CREATE_ALWAYS;
    m_hFile = CreateFileA(fileName, kAccessModes[access], share->shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) failure = GetLastError();
  }
  if (failure != ERROR_SUCCESS) {
    if (error != nullptr) {
      const auto osError = static_cast<LONG>(failure);
      *error = CFileException(CFileException::OsErrorToException(osError), osError, name);
    }
    return FALSE;
  }
  m_strFileName = name;
  return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  DWORD got = 0;
  if (ReadFile(m_hFile, buffer, count, &got, nullptr) == FALSE) ThrowOsError(GetLastError(), m_strFileName);
  return got;
}

void CFile::Write(const void* data, UINT count) {
  if (count == 0) return;
  DWORD written = 0;
  if (WriteFile(m_hFile, data, count, &written, nullptr) == FALSE) ThrowOsError(GetLastError(), m_strFileName);
  // A short write means the volume is full.
  if (written != count) throw CFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER position{};
  if (SetFilePointerEx(m_hFile, distance, &position, from) == FALSE) ThrowOsError(GetLastError(), m_strFileName);
  return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::SeekToBegin() { Seek(0, begin); }

ULONGLONG CFile::SeekToEnd() { return Seek(0, end); }

ULONGLONG CFile::GetLength() const {
  LARGE_INTEGER size{};
  if (GetFileSizeEx(m_hFile, &size) == FALSE) ThrowOsError(GetLastError(), m_strFileName);
  return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG newLength) {
  Seek(static_cast<LONGLONG>(newLength), begin);
  if (SetEndOfFile(m_hFile) == FALSE) ThrowOsError(GetLastError(), m_strFileName);
}

ULONGLONG CFile::GetPosition() const {
  LARGE_INTEGER position{};
  if (SetFilePointerEx(m_hFile, LARGE_INTEGER{}, &position, FILE_CURRENT) == FALSE) {
    ThrowOsError(GetLastError(), m_strFileName);
  }
  return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::Flush() {
  if (m_hFile == INVALID_HANDLE_VALUE) return;
  if (FlushFileBuffers(m_hFile) == FALSE) ThrowOsError(GetLastError(), m_strFileName);
}

void CFile::Close() {
  if (m_hFile == INVALID_HANDLE_VALUE) return;
  const HANDLE file = std::exchange(m_hFile, INVALID_HANDLE_VALUE);
  const std::string name = std::exchange(m_strFileName, std::string());
  if (CloseHandle(file) == FALSE) ThrowOsError(GetLastError(), name);
}

void CFile::Abort() {
  if (m_hFile == INVALID_HANDLE_VALUE) return;
  CloseHandle(std::exchange(m_hFile, INVALID_HANDLE_VALUE));
  m_strFileName.clear();
}

}  // namespace win

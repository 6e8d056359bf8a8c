// The framework's file object on Windows paths, with its exception for failures.
#pragma once

#include "platform/win/system/types.h"

#include <string>

namespace win {

class CFileException {
 public:
  enum Cause {
    none,
    generic,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };
  CFileException(int cause = none, LONG osError = -1, std::string fileName = {});
  // The cause the framework gives a Windows error number.
  static int OsErrorToException(LONG osError);

  int m_cause;
  LONG m_lOsError;
  std::string m_strFileName;
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile();
  // Opens at once and throws CFileException on failure.
  CFile(LPCSTR fileName, UINT openFlags);
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();

  // FALSE on failure, with the cause in *error when given.
  virtual BOOL Open(LPCSTR fileName, UINT openFlags, CFileException* error = nullptr);
  // Read, Write, Seek, SetLength, Flush and Close throw CFileException on failure.
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* data, UINT count);
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin();
  ULONGLONG SeekToEnd();
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG newLength);
  virtual ULONGLONG GetPosition() const;
  virtual void Flush();
  virtual void Close();
  // Closes without throwing.
  virtual void Abort();
  const std::string& GetFilePath() const { return m_strFileName; }

  HANDLE m_hFile;

 private:
  std::string m_strFileName;
};

}  // namespace win

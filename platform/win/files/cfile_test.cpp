#include "platform/win/files/cfile.h"

#include "platform/win/testing/file_test_support.h"
#include "platform/win/files/files.h"
#include "platform/win/files/volumes.h"

#include <gtest/gtest.h>

namespace win {
namespace {

using test_support::HostOfC;
using test_support::ReadHostFile;
using test_support::WriteHostFile;

CFileException OpenFailure(const char* name, UINT flags) {
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(name, flags, &error)) << name;
  EXPECT_EQ(file.m_hFile, INVALID_HANDLE_VALUE);
  EXPECT_EQ(error.m_strFileName, name);
  return error;
}

TEST(CFile, OpenFailuresCarryTheirCause) {
  auto error = OpenFailure("C:\\missing.log", CFile::modeRead);
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_lOsError, 2);
  error = OpenFailure("C:\\no folder\\x.log", CFile::modeCreate | CFile::modeWrite);
  EXPECT_EQ(error.m_cause, CFileException::badPath);
  EXPECT_EQ(error.m_lOsError, 3);

  WriteHostFile(HostOfC("busy.log"), "x");
  CFile holder("C:\\busy.log", CFile::modeRead | CFile::shareExclusive);
  error = OpenFailure("C:\\BUSY.LOG", CFile::modeRead | CFile::shareDenyNone);
  EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
  EXPECT_EQ(error.m_lOsError, 32);

  // The constructor throws what Open reports.
  try {
    CFile thrown("C:\\missing.log", CFile::modeRead);
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& thrown) {
    EXPECT_EQ(thrown.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(thrown.m_lOsError, 2);
    EXPECT_EQ(thrown.m_strFileName, "C:\\missing.log");
  }
  // A file that is open is not opened over.
  EXPECT_FALSE(holder.Open("C:\\busy.log", CFile::modeRead));
}

TEST(CFile, ShareFlagsDecideWhoElseMayOpen) {
  WriteHostFile(HostOfC("shared.log"), "x");
  {
    CFile denyWrite("C:\\shared.log", CFile::modeRead | CFile::shareDenyWrite);
    CFile otherReader;
    EXPECT_TRUE(otherReader.Open("C:\\shared.log", CFile::modeRead | CFile::shareDenyNone));
    EXPECT_EQ(OpenFailure("C:\\shared.log", CFile::modeWrite | CFile::shareDenyNone).m_cause,
              CFileException::sharingViolation);
  }
  CFile denyNone("C:\\shared.log", CFile::modeReadWrite | CFile::shareDenyNone);
  CFile second;
  EXPECT_TRUE(second.Open("C:\\shared.log", CFile::modeWrite | CFile::shareDenyNone));
}

TEST(CFileException, WindowsErrorsMapToCauses) {
  const std::pair<LONG, int> expected[] = {
      {2, CFileException::fileNotFound},   {3, CFileException::badPath},     {4, CFileException::tooManyOpenFiles},
      {5, CFileException::accessDenied},   {6, CFileException::invalidFile}, {32, CFileException::sharingViolation},
      {33, CFileException::lockViolation}, {112, CFileException::diskFull},  {39, CFileException::diskFull},
      {38, CFileException::endOfFile},     {25, CFileException::badSeek},    {131, CFileException::badSeek},
      {87, CFileException::generic},       {0, CFileException::generic},     {-1, CFileException::generic},
  };
  for (const auto& [error, cause] : expected) EXPECT_EQ(CFileException::OsErrorToException(error), cause) << error;
}

TEST(CFile, CreateTruncatesUnlessTold) {
  WriteHostFile(HostOfC("keep.bin"), "abcdef");
  {
    CFile kept("C:\\keep.bin", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
    EXPECT_EQ(kept.GetLength(), 6U);
    kept.Write("XY", 2);
    EXPECT_EQ(kept.GetPosition(), 2U);
  }
  EXPECT_EQ(ReadHostFile(HostOfC("keep.bin")), "XYcdef");
  {
    CFile truncated("C:\\keep.bin", CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(truncated.GetLength(), 0U);
  }
  EXPECT_EQ(ReadHostFile(HostOfC("keep.bin")), "");
  CFile created("C:\\fresh.bin", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
  EXPECT_EQ(created.GetLength(), 0U);
}

TEST(CFile, ReadSeekAndLength) {
  CFile file("C:\\data.bin", CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary);
  file.Write("0123456789", 10);
  file.SeekToBegin();
  char part[8] = {};
  EXPECT_EQ(file.Read(part, 4), 4U);
  EXPECT_EQ(std::string(part, 4), "0123");
  EXPECT_EQ(file.Seek(-2, CFile::end), 8U);
  EXPECT_EQ(file.Read(part, 8), 2U);
  EXPECT_EQ(file.Read(part, 8), 0U) << "reading at the end answers 0";
  EXPECT_EQ(file.Seek(3, CFile::current), 13U);
  file.SetLength(5);
  EXPECT_EQ(file.GetLength(), 5U);
  EXPECT_EQ(file.SeekToEnd(), 5U);
  try {
    file.Seek(-6, CFile::current);
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.m_cause, CFileException::badSeek);
    EXPECT_EQ(error.m_strFileName, "C:\\data.bin");
  }
  file.Flush();
  file.Close();
  EXPECT_EQ(file.m_hFile, INVALID_HANDLE_VALUE);
  file.Close();
  EXPECT_EQ(ReadHostFile(HostOfC("data.bin")), "01234");
}

TEST(CFile, ACaseVariantNameOpensTheExistingFile) {
  WriteHostFile(HostOfC("Logs/QWITLK.log"), "first\r\n");
  {
    CFile log("c:\\LOGS\\qwitlk.LOG", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
    EXPECT_EQ(log.GetFilePath(), "c:\\LOGS\\qwitlk.LOG");
    log.SeekToEnd();
    log.Write("second\r\n", 8);
  }
  EXPECT_EQ(ReadHostFile(HostOfC("Logs/QWITLK.log")), "first\r\nsecond\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(HostOfC("Logs")), std::filesystem::directory_iterator()),
            1);
}

TEST(CFile, FailedTransfersThrowTheOsError) {
  WriteHostFile(HostOfC("wo.bin"), "abc");
  CFile writeOnly("C:\\wo.bin", CFile::modeWrite);
  char byte = 0;
  try {
    writeOnly.Read(&byte, 1);
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    EXPECT_EQ(error.m_lOsError, 5);
  }

  SetInjectedHostFreeSpace(4);
  CFile full("C:\\full.bin", CFile::modeCreate | CFile::modeWrite);
  try {
    full.Write("0123456789", 10);
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.m_cause, CFileException::diskFull);
    EXPECT_EQ(error.m_lOsError, 112);
  }
  SetInjectedHostFreeSpace(std::nullopt);

  CFile closed;
  try {
    closed.Write("x", 1);
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.m_cause, CFileException::invalidFile);
  }
  EXPECT_NO_THROW(closed.Abort());
}

}  // namespace
}  // namespace win

#include "platform/win/files.h"

#include "platform/win/device_namespace.h"
#include "platform/win/file_test_support.h"
#include "platform/win/handle_table.h"
#include "platform/win/volumes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace win {
namespace {

using testing::ArmLastError;
using testing::HostOfC;
using testing::kSentinel;
using testing::ReadHostFile;
using testing::WriteHostFile;

HANDLE Open(const char* name, DWORD access, DWORD disposition, DWORD share = 0, DWORD flags = 0) {
  return CreateFileA(name, access, share, nullptr, disposition, flags, nullptr);
}

std::string ReadAll(HANDLE file) {
  std::array<char, 256> buffer{};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(file, buffer.data(), buffer.size(), &got, nullptr));
  return std::string(buffer.data(), got);
}

void Write(HANDLE file, std::string_view data) {
  DWORD put = 0;
  ASSERT_TRUE(WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &put, nullptr));
  ASSERT_EQ(put, data.size());
}

TEST(CreateFile, DispositionsOnExistingAndMissingFiles) {
  WriteHostFile(HostOfC("d\\old.txt"), "old");
  struct Case {
    DWORD disposition;
    bool existing;
    bool succeeds;
    DWORD error;  // last error afterwards
    const char* contentAfter;
  };
  const Case cases[] = {
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "disposition " << c.disposition << (c.existing ? " existing" : " missing"));
    const auto host = HostOfC("d/case.txt");
    std::filesystem::remove(host);
    if (c.existing) WriteHostFile(host, "old");
    ArmLastError();
    const HANDLE file = Open("C:\\d\\case.txt", GENERIC_READ | GENERIC_WRITE, c.disposition);
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.succeeds);
    EXPECT_EQ(GetLastError(), c.error);
    if (file != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(file));
    }
    EXPECT_EQ(std::filesystem::exists(host), c.contentAfter != nullptr);
    if (c.contentAfter != nullptr) {
      EXPECT_EQ(ReadHostFile(host), c.contentAfter);
    }
  }
  ArmLastError();
  EXPECT_EQ(Open("C:\\d\\case.txt", GENERIC_READ, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(CreateFile, MissingFoldersDirectoriesAndReadOnlyFiles) {
  ArmLastError();
  EXPECT_EQ(Open("C:\\nowhere\\x.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(HostOfC("nowhere")));

  ArmLastError();
  EXPECT_EQ(Open("C:\\Program Files", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  WriteHostFile(HostOfC("ro.txt"), "keep");
  std::filesystem::permissions(HostOfC("ro.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  for (const DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS, TRUNCATE_EXISTING}) {
    ArmLastError();
    EXPECT_EQ(Open("C:\\ro.txt", GENERIC_WRITE, disposition), INVALID_HANDLE_VALUE) << disposition;
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }
  EXPECT_EQ(ReadHostFile(HostOfC("ro.txt")), "keep");
  const HANDLE reader = Open("C:\\ro.txt", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(reader), "keep");
  CloseHandle(reader);

  ArmLastError();
  EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(CreateFile, CreatingACaseVariantOpensTheExistingFile) {
  WriteHostFile(HostOfC("Logs/QWITLK.log"), "first\n");
  const HANDLE file = Open("c:\\LOGS\\qwitlk.LOG", GENERIC_WRITE, OPEN_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_END), 6U);
  Write(file, "second\n");
  CloseHandle(file);
  EXPECT_EQ(ReadHostFile(HostOfC("Logs/QWITLK.log")), "first\nsecond\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(HostOfC("Logs")), {}), 1);
}

TEST(CreateFile, CreatedReadOnlyFileIsWritableThroughItsHandle) {
  const HANDLE file = Open("C:\\made.txt", GENERIC_WRITE, CREATE_NEW, 0, FILE_ATTRIBUTE_READONLY);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  Write(file, "data");
  CloseHandle(file);
  EXPECT_EQ(ReadHostFile(HostOfC("made.txt")), "data");
  EXPECT_EQ(GetFileAttributesA("C:\\made.txt") & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
}

TEST(CreateFile, DeviceNamesGoToTheDeviceNamespace) {
  ArmLastError();
  EXPECT_EQ(Open("\\\\.\\PhysicalDrive1", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  std::string askedFor;
  SetDeviceOpener([&](std::string_view name, DWORD, DWORD, DWORD& error) -> std::shared_ptr<IoObject> {
    askedFor = name;
    error = ERROR_NOT_READY;
    return nullptr;
  });
  ArmLastError();
  EXPECT_EQ(Open("\\\\.\\E:", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
  EXPECT_EQ(askedFor, "E:");
  SetDeviceOpener(nullptr);
}

TEST(FileIo, ReadWriteAndAccessRights) {
  const HANDLE file = Open("C:\\io.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  Write(file, "0123456789");
  EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4U);
  std::array<char, 4> part{};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(file, part.data(), part.size(), &got, nullptr));
  EXPECT_EQ(std::string(part.data(), got), "4567");
  // Reading at the end succeeds with nothing read.
  SetFilePointer(file, 0, nullptr, FILE_END);
  ASSERT_TRUE(ReadFile(file, part.data(), part.size(), &got, nullptr));
  EXPECT_EQ(got, 0U);
  CloseHandle(file);

  const HANDLE reader = Open("C:\\io.bin", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
  DWORD put = 7;
  ArmLastError();
  EXPECT_FALSE(WriteFile(reader, "x", 1, &put, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(put, 0U);
  ArmLastError();
  EXPECT_FALSE(SetEndOfFile(reader));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ArmLastError();
  EXPECT_FALSE(FlushFileBuffers(reader));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(reader);

  const HANDLE writer = Open("C:\\io.bin", GENERIC_WRITE, OPEN_EXISTING);
  ArmLastError();
  EXPECT_FALSE(ReadFile(writer, part.data(), part.size(), &got, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(FlushFileBuffers(writer));
  CloseHandle(writer);
}

TEST(FileIo, NullBuffersAndClosedHandlesFailWithoutCrashing) {
  const HANDLE file = Open("C:\\n.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  DWORD count = 0;
  ArmLastError();
  EXPECT_FALSE(ReadFile(file, nullptr, 4, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  ArmLastError();
  EXPECT_FALSE(WriteFile(file, nullptr, 4, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  ArmLastError();
  EXPECT_FALSE(ReadFile(file, &count, 4, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(WriteFile(file, nullptr, 0, &count, nullptr));
  ArmLastError();
  EXPECT_FALSE(GetFileSizeEx(file, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(CloseHandle(file));

  char byte = 0;
  LARGE_INTEGER position{};
  const HANDLE stale[] = {file, INVALID_HANDLE_VALUE, nullptr};
  for (const HANDLE handle : stale) {
    ArmLastError();
    EXPECT_FALSE(ReadFile(handle, &byte, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    ArmLastError();
    EXPECT_FALSE(WriteFile(handle, &byte, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    ArmLastError();
    EXPECT_EQ(SetFilePointer(handle, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    ArmLastError();
    EXPECT_FALSE(SetFilePointerEx(handle, position, nullptr, FILE_BEGIN));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    ArmLastError();
    EXPECT_EQ(GetFileSize(handle, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    ArmLastError();
    EXPECT_FALSE(SetEndOfFile(handle));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    ArmLastError();
    EXPECT_FALSE(FlushFileBuffers(handle));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    ArmLastError();
    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
}

TEST(FilePointer, NegativeSeeksAndTheHighPart) {
  const HANDLE file = Open("C:\\seek.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  Write(file, "abcdef");

  ArmLastError();
  EXPECT_EQ(SetFilePointer(file, -7, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 6U) << "a failed seek leaves the pointer";
  EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_CURRENT), 4U);
  ArmLastError();
  EXPECT_EQ(SetFilePointer(file, 3, nullptr, 7), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // With a high part the distance is 64 bits; the answer splits into low and high parts.
  LONG high = 1;
  ArmLastError();
  EXPECT_EQ(SetFilePointer(file, 0x10, &high, FILE_BEGIN), 0x10U);
  EXPECT_EQ(high, 1);
  EXPECT_EQ(GetLastError(), kSentinel);
  LARGE_INTEGER where{};
  ASSERT_TRUE(SetFilePointerEx(file, LARGE_INTEGER{}, &where, FILE_CURRENT));
  EXPECT_EQ(where.QuadPart, 0x100000010LL);

  // High and low part together make -1 here: before the start of the file.
  high = -1;
  ArmLastError();
  EXPECT_EQ(SetFilePointer(file, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  // A low part of 0xFFFFFFFF is a success the caller recognises by a cleared last error.
  high = 0;
  ArmLastError();
  EXPECT_EQ(SetFilePointer(file, static_cast<LONG>(0xFFFFFFFF), &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(high, 0);

  // Without a high part a result beyond 32 bits fails and the pointer stays.
  ASSERT_TRUE(SetFilePointerEx(file, LARGE_INTEGER{.QuadPart = 0xFFFFFFF0LL}, nullptr, FILE_BEGIN));
  ArmLastError();
  EXPECT_EQ(SetFilePointer(file, 0x20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(SetFilePointerEx(file, LARGE_INTEGER{}, &where, FILE_CURRENT));
  EXPECT_EQ(where.QuadPart, 0xFFFFFFF0LL);

  ArmLastError();
  EXPECT_FALSE(SetFilePointerEx(file, LARGE_INTEGER{.QuadPart = -1}, nullptr, FILE_BEGIN));
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  CloseHandle(file);
}

TEST(FilePointer, SeekingPastTheEndAndSetEndOfFile) {
  const HANDLE file = Open("C:\\end.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  Write(file, "abcdef");
  EXPECT_EQ(SetFilePointer(file, 10, nullptr, FILE_BEGIN), 10U);
  EXPECT_EQ(GetFileSize(file, nullptr), 6U) << "seeking alone does not grow the file";
  ASSERT_TRUE(SetEndOfFile(file));
  DWORD high = 9;
  EXPECT_EQ(GetFileSize(file, &high), 10U);
  EXPECT_EQ(high, 0U);
  SetFilePointer(file, 2, nullptr, FILE_BEGIN);
  ASSERT_TRUE(SetEndOfFile(file));
  LARGE_INTEGER size{};
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 2);
  CloseHandle(file);
  EXPECT_EQ(ReadHostFile(HostOfC("end.bin")), "ab");
}

TEST(FileIo, InjectedFreeSpaceRunsOut) {
  SetInjectedHostFreeSpace(10);
  const HANDLE file = Open("C:\\full.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  Write(file, "12345678");
  DWORD put = 99;
  ArmLastError();
  EXPECT_FALSE(WriteFile(file, "abc", 3, &put, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(put, 0U);
  // Overwriting takes no new space; growing by what is left does.
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  Write(file, "ABCDEFGHIJ");
  ArmLastError();
  SetFilePointer(file, 11, nullptr, FILE_BEGIN);
  EXPECT_FALSE(SetEndOfFile(file));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  // Shrinking gives space back.
  SetFilePointer(file, 4, nullptr, FILE_BEGIN);
  ASSERT_TRUE(SetEndOfFile(file));
  Write(file, "xyz");
  CloseHandle(file);
  EXPECT_EQ(ReadHostFile(HostOfC("full.bin")), "ABCDxyz");
  ULARGE_INTEGER available{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, nullptr, nullptr));
  EXPECT_EQ(available.QuadPart, 3U);
  SetInjectedHostFreeSpace(std::nullopt);
}

}  // namespace
}  // namespace win

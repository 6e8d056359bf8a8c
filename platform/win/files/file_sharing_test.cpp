#include "platform/win/files/files.h"

#include "platform/win/testing/file_test_support.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

namespace win {
namespace {

using test_support::ArmLastError;
using test_support::HostOfC;
using test_support::ReadHostFile;
using test_support::WriteHostFile;

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Open(const char* name, DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING, DWORD flags = 0) {
  return CreateFileA(name, access, share, nullptr, disposition, flags, nullptr);
}

class Sharing : public ::testing::Test {
 protected:
  void SetUp() override { WriteHostFile(HostOfC("s/shared.txt"), "content"); }
};

TEST_F(Sharing, SecondOpenMustFitTheFirstOpensShareModeAndViceVersa) {
  struct Case {
    DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool secondSucceeds;
  };
  const Case cases[] = {
      {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},
      {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, FILE_SHARE_READ, false},  // first does not share write
      {GENERIC_READ, kShareAll, GENERIC_WRITE, FILE_SHARE_WRITE, false},  // second does not share read
      {GENERIC_READ, kShareAll, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, false},  // second does not share write
      {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_WRITE, true},
      {kReadWrite, 0, GENERIC_READ, kShareAll, false},
      {0, 0, kReadWrite, 0, true},  // an attribute-only open conflicts with nothing
      {kReadWrite, 0, 0, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess
                                      << "/" << c.secondShare);
    const HANDLE first = Open("C:\\s\\shared.txt", c.firstAccess, c.firstShare);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ArmLastError();
    const HANDLE second = Open("c:\\S\\SHARED.TXT", c.secondAccess, c.secondShare);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondSucceeds);
    EXPECT_EQ(GetLastError(), c.secondSucceeds ? ERROR_SUCCESS : ERROR_SHARING_VIOLATION);
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    CloseHandle(first);
  }
}

TEST_F(Sharing, RefusedOpenDoesNotTruncateAndClosingReleasesTheFile) {
  const HANDLE reader = Open("C:\\s\\shared.txt", GENERIC_READ, FILE_SHARE_READ);
  ArmLastError();
  EXPECT_EQ(Open("C:\\s\\shared.txt", GENERIC_WRITE, kShareAll, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ReadHostFile(HostOfC("s/shared.txt")), "content");
  ASSERT_TRUE(CloseHandle(reader));
  const HANDLE writer = Open("C:\\s\\shared.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  CloseHandle(writer);
}

TEST_F(Sharing, DeleteAndMoveNeedEveryHandleToShareDelete) {
  const HANDLE unshared = Open("C:\\s\\shared.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ArmLastError();
  EXPECT_FALSE(DeleteFileA("C:\\s\\shared.txt"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  ArmLastError();
  EXPECT_FALSE(MoveFileA("C:\\s\\shared.txt", "C:\\s\\moved.txt"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(std::filesystem::exists(HostOfC("s/shared.txt")));
  CloseHandle(unshared);

  // A handle that shares delete follows its file through a rename.
  const HANDLE shared = Open("C:\\s\\shared.txt", GENERIC_READ, kShareAll);
  ASSERT_TRUE(MoveFileA("C:\\s\\shared.txt", "C:\\s\\moved.txt"));
  char buffer[8] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(shared, buffer, 7, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "content");
  CloseHandle(shared);
}

TEST_F(Sharing, DeletingAnOpenFileThatSharesDeleteLeavesItPendingUntilTheLastClose) {
  const HANDLE first = Open("C:\\s\\shared.txt", GENERIC_READ, kShareAll);
  const HANDLE second = Open("C:\\s\\shared.txt", GENERIC_READ, kShareAll);
  ASSERT_TRUE(DeleteFileA("C:\\s\\shared.txt"));
  // The name stays while handles are open, but it cannot be opened any more.
  EXPECT_TRUE(std::filesystem::exists(HostOfC("s/shared.txt")));
  ArmLastError();
  EXPECT_EQ(Open("C:\\s\\shared.txt", GENERIC_READ, kShareAll), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ArmLastError();
  EXPECT_EQ(GetFileAttributesA("C:\\s\\shared.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(first);
  EXPECT_TRUE(std::filesystem::exists(HostOfC("s/shared.txt")));
  CloseHandle(second);
  EXPECT_FALSE(std::filesystem::exists(HostOfC("s/shared.txt")));
}

TEST_F(Sharing, DeleteOnCloseRemovesTheFileWithItsLastHandle) {
  const HANDLE temporary =
      Open("C:\\s\\temp.tmp", kReadWrite, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE);
  ASSERT_NE(temporary, INVALID_HANDLE_VALUE);
  // Later opens must share delete, as the delete-on-close handle asks for delete access.
  ArmLastError();
  EXPECT_EQ(Open("C:\\s\\temp.tmp", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  const HANDLE other = Open("C:\\s\\temp.tmp", GENERIC_READ, kShareAll);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  CloseHandle(temporary);
  EXPECT_TRUE(std::filesystem::exists(HostOfC("s/temp.tmp")));
  CloseHandle(other);
  EXPECT_FALSE(std::filesystem::exists(HostOfC("s/temp.tmp")));

  // Existing handles that do not share delete refuse a delete-on-close open.
  const HANDLE plain = Open("C:\\s\\shared.txt", GENERIC_READ, FILE_SHARE_READ);
  ArmLastError();
  EXPECT_EQ(Open("C:\\s\\shared.txt", GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(plain);
  EXPECT_TRUE(std::filesystem::exists(HostOfC("s/shared.txt")));
}

TEST_F(Sharing, DeleteOnCloseNeverRemovesAFileThatTookTheNameSince) {
  const HANDLE temporary = Open("C:\\s\\temp.tmp", GENERIC_WRITE, kShareAll, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE);
  ASSERT_TRUE(MoveFileA("C:\\s\\temp.tmp", "C:\\s\\renamed.tmp"));
  WriteHostFile(HostOfC("s/temp.tmp"), "newcomer");
  CloseHandle(temporary);
  EXPECT_FALSE(std::filesystem::exists(HostOfC("s/renamed.tmp")));
  EXPECT_EQ(ReadHostFile(HostOfC("s/temp.tmp")), "newcomer");
}

}  // namespace
}  // namespace win

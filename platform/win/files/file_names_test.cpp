#include "platform/win/files/files.h"

#include "platform/win/testing/file_test_support.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/files/paths.h"
#include "platform/win/files/volumes.h"

#include <gtest/gtest.h>

namespace win {
namespace {

using test_support::ArmLastError;
using test_support::HostOfC;
using test_support::kSentinel;
using test_support::ReadHostFile;
using test_support::WriteHostFile;

void MakeReadOnly(const std::filesystem::path& path) {
  std::filesystem::permissions(
      path,
      std::filesystem::perms::owner_write | std::filesystem::perms::group_write | std::filesystem::perms::others_write,
      std::filesystem::perm_options::remove);
}

TEST(FileAttributes, FilesFoldersReadOnlyAndMissingNames) {
  WriteHostFile(HostOfC("a/file.txt"), "x");
  WriteHostFile(HostOfC("a/locked.txt"), "x");
  MakeReadOnly(HostOfC("a/locked.txt"));
  ArmLastError();
  EXPECT_EQ(GetFileAttributesA("C:\\A\\FILE.TXT"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesA("C:\\a\\locked.txt"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesA("C:\\a"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("C:\\"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetLastError(), kSentinel);

  struct Case {
    const char* name;
    DWORD error;
  };
  const Case missing[] = {{"C:\\a\\none.txt", ERROR_FILE_NOT_FOUND},
                          {"C:\\none\\file.txt", ERROR_PATH_NOT_FOUND},
                          {"C:\\a\\file.txt\\inner", ERROR_PATH_NOT_FOUND},
                          {"C:\\a\\bad|name", ERROR_INVALID_NAME},
                          {"Q:\\file", ERROR_PATH_NOT_FOUND},
                          {nullptr, ERROR_PATH_NOT_FOUND}};
  for (const auto& c : missing) {
    ArmLastError();
    EXPECT_EQ(GetFileAttributesA(c.name), INVALID_FILE_ATTRIBUTES) << (c.name ? c.name : "null");
    EXPECT_EQ(GetLastError(), c.error) << (c.name ? c.name : "null");
  }
}

TEST(DeleteFile, RemovesFilesButNotFoldersReadOnlyOrMissingOnes) {
  WriteHostFile(HostOfC("del/go.txt"), "x");
  WriteHostFile(HostOfC("del/stay.txt"), "x");
  MakeReadOnly(HostOfC("del/stay.txt"));
  ASSERT_TRUE(DeleteFileA("C:\\DEL\\GO.TXT"));
  EXPECT_FALSE(std::filesystem::exists(HostOfC("del/go.txt")));
  struct Case {
    const char* name;
    DWORD error;
  };
  const Case refused[] = {{"C:\\del\\go.txt", ERROR_FILE_NOT_FOUND},
                          {"C:\\gone\\go.txt", ERROR_PATH_NOT_FOUND},
                          {"C:\\del", ERROR_ACCESS_DENIED},
                          {"C:\\del\\stay.txt", ERROR_ACCESS_DENIED}};
  for (const auto& c : refused) {
    ArmLastError();
    EXPECT_FALSE(DeleteFileA(c.name)) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  EXPECT_TRUE(std::filesystem::exists(HostOfC("del/stay.txt")));
}

TEST(CopyFile, CopiesContentAndReadOnlyAttribute) {
  WriteHostFile(HostOfC("c/src.bin"), std::string(200000, 'q'));
  ASSERT_TRUE(CopyFileA("C:\\c\\src.bin", "C:\\c\\dst.bin", TRUE));
  EXPECT_EQ(ReadHostFile(HostOfC("c/dst.bin")), std::string(200000, 'q'));
  // Copying a file onto itself must not destroy it.
  ArmLastError();
  EXPECT_FALSE(CopyFileA("C:\\c\\src.bin", "C:\\C\\SRC.BIN", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ReadHostFile(HostOfC("c/src.bin")), std::string(200000, 'q'));

  ArmLastError();
  EXPECT_FALSE(CopyFileA("C:\\c\\src.bin", "C:\\C\\DST.BIN", TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  WriteHostFile(HostOfC("c/src.bin"), "short");
  MakeReadOnly(HostOfC("c/src.bin"));
  ASSERT_TRUE(CopyFileA("C:\\c\\src.bin", "C:\\C\\DST.BIN", FALSE));
  EXPECT_EQ(ReadHostFile(HostOfC("c/dst.bin")), "short");
  EXPECT_EQ(GetFileAttributesA("C:\\c\\dst.bin"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);

  // A read-only target is not replaced.
  ArmLastError();
  EXPECT_FALSE(CopyFileA("C:\\c\\src.bin", "C:\\c\\dst.bin", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  struct Case {
    const char* from;
    const char* to;
    DWORD error;
  };
  const Case refused[] = {{"C:\\c\\none.bin", "C:\\c\\x.bin", ERROR_FILE_NOT_FOUND},
                          {"C:\\c", "C:\\x", ERROR_ACCESS_DENIED},
                          {"C:\\c\\src.bin", "C:\\none\\x.bin", ERROR_PATH_NOT_FOUND}};
  for (const auto& c : refused) {
    ArmLastError();
    EXPECT_FALSE(CopyFileA(c.from, c.to, FALSE)) << c.from << " -> " << c.to;
    EXPECT_EQ(GetLastError(), c.error) << c.from << " -> " << c.to;
  }
  EXPECT_EQ(ReadHostFile(HostOfC("c/src.bin")), "short");
}

TEST(CopyFile, CopyThatRunsOutOfSpaceLeavesNoPartialTarget) {
  WriteHostFile(HostOfC("c/big.bin"), std::string(100000, 'b'));
  SetInjectedHostFreeSpace(70000);
  ArmLastError();
  EXPECT_FALSE(CopyFileA("C:\\c\\big.bin", "C:\\c\\copy.bin", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_FALSE(std::filesystem::exists(HostOfC("c/copy.bin")));
  ULARGE_INTEGER available{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\c", &available, nullptr, nullptr));
  EXPECT_EQ(available.QuadPart, 70000U) << "the removed copy gives its space back";
  SetInjectedHostFreeSpace(std::nullopt);
}

TEST(MoveFile, RenamesMovesAndRefusesExistingTargets) {
  WriteHostFile(HostOfC("m/one.txt"), "1");
  WriteHostFile(HostOfC("m/two.txt"), "2");
  std::filesystem::create_directories(HostOfC("m/sub"));
  ArmLastError();
  EXPECT_FALSE(MoveFileA("C:\\m\\one.txt", "C:\\M\\TWO.TXT"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ArmLastError();
  EXPECT_FALSE(MoveFileA("C:\\m\\none.txt", "C:\\m\\x.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  ArmLastError();
  EXPECT_FALSE(MoveFileA("C:\\m\\one.txt", "C:\\none\\x.txt"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  ASSERT_TRUE(MoveFileA("C:\\m\\one.txt", "C:\\m\\sub\\uno.txt"));
  EXPECT_EQ(ReadHostFile(HostOfC("m/sub/uno.txt")), "1");
  ASSERT_TRUE(MoveFileA("C:\\m\\sub", "C:\\m\\folder"));
  EXPECT_TRUE(std::filesystem::exists(HostOfC("m/folder/uno.txt")));
  // A rename that changes only the case of the name takes the new spelling.
  ASSERT_TRUE(MoveFileA("C:\\m\\two.txt", "C:\\m\\Two.TXT"));
  EXPECT_TRUE(std::filesystem::exists(HostOfC("m/Two.TXT")));
  EXPECT_FALSE(std::filesystem::exists(HostOfC("m/two.txt")));
}

TEST(Folders, CreateAndRemove) {
  ASSERT_TRUE(CreateDirectoryA("C:\\f", nullptr));
  EXPECT_TRUE(std::filesystem::is_directory(HostOfC("f")));
  struct Case {
    const char* name;
    DWORD error;
  };
  WriteHostFile(HostOfC("file.txt"), "x");
  const Case createRefused[] = {
      {"C:\\F", ERROR_ALREADY_EXISTS}, {"C:\\file.txt", ERROR_ALREADY_EXISTS}, {"C:\\none\\f", ERROR_PATH_NOT_FOUND}};
  for (const auto& c : createRefused) {
    ArmLastError();
    EXPECT_FALSE(CreateDirectoryA(c.name, nullptr)) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }

  WriteHostFile(HostOfC("f/inner.txt"), "x");
  const Case removeRefused[] = {{"C:\\f", ERROR_DIR_NOT_EMPTY},
                                {"C:\\file.txt", ERROR_DIRECTORY},
                                {"C:\\none", ERROR_FILE_NOT_FOUND},
                                {"C:\\none\\f", ERROR_PATH_NOT_FOUND}};
  for (const auto& c : removeRefused) {
    ArmLastError();
    EXPECT_FALSE(RemoveDirectoryA(c.name)) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  ASSERT_TRUE(DeleteFileA("C:\\f\\inner.txt"));
  ASSERT_TRUE(RemoveDirectoryA("c:\\F"));
  EXPECT_FALSE(std::filesystem::exists(HostOfC("f")));

  // The current directory is held open and cannot be removed.
  ASSERT_TRUE(CreateDirectoryA("C:\\here", nullptr));
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\here"));
  ArmLastError();
  EXPECT_FALSE(RemoveDirectoryA("C:\\here"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
}

}  // namespace
}  // namespace win

#include "platform/win/files/files.h"

#include "platform/win/testing/file_test_support.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace win {
namespace {

using test_support::ArmLastError;
using test_support::HostOfC;
using test_support::kSentinel;
using test_support::WriteHostFile;

// The Unix epoch as a FILETIME, 100-ns intervals since 1601.
constexpr ULONGLONG kUnixEpochAsFileTime = 116444736000000000ULL;

std::vector<std::string> FindAll(const char* pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data{};
  ArmLastError();
  const HANDLE find = FindFirstFileA(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.emplace_back(data.cFileName);
  while (FindNextFileA(find, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(find));
  return names;
}

class FindFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteHostFile(HostOfC("DCIM/IMG_0001.JPG"), "12345");
    WriteHostFile(HostOfC("DCIM/img_0002.jpg"), "1");
    WriteHostFile(HostOfC("DCIM/README"), "");
    WriteHostFile(HostOfC("DCIM/notes.txt.bak"), "");
    std::filesystem::create_directories(HostOfC("DCIM/100TEST"));
  }
};

using Names = std::vector<std::string>;

TEST_F(FindFiles, WildcardsDotEntriesAndOrder) {
  EXPECT_EQ(FindAll("C:\\dcim\\*"),
            (Names{".", "..", "100TEST", "IMG_0001.JPG", "img_0002.jpg", "notes.txt.bak", "README"}));
  EXPECT_EQ(FindAll("C:\\DCIM\\*.*"), FindAll("C:\\DCIM\\*"));
  EXPECT_EQ(FindAll("C:\\DCIM\\*.JPG"), (Names{"IMG_0001.JPG", "img_0002.jpg"}));
  EXPECT_EQ(FindAll("C:\\DCIM\\img_000?.*"), (Names{"IMG_0001.JPG", "img_0002.jpg"}));
  EXPECT_EQ(FindAll("C:\\DCIM\\*."), (Names{".", "..", "100TEST", "README"}));
  EXPECT_EQ(FindAll("C:\\DCIM\\readme"), (Names{"README"}));
  EXPECT_EQ(FindAll("C:\\DCIM\\100test"), (Names{"100TEST"}));
  // A root has no "." and "..".
  const auto root = FindAll("C:\\*");
  EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
  EXPECT_EQ(std::count(root.begin(), root.end(), "DCIM"), 1);
}

TEST_F(FindFiles, RelativePatternsUseTheCurrentDirectory) {
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\DCIM"));
  EXPECT_EQ(FindAll("*.jpg"), (Names{"IMG_0001.JPG", "img_0002.jpg"}));
  EXPECT_EQ(FindAll("C:*.txt.*"), (Names{"notes.txt.bak"}));
  EXPECT_EQ(FindAll("100TEST\\*"), (Names{".", ".."}));
}

TEST_F(FindFiles, FindDataFields) {
  WriteHostFile(HostOfC("DCIM/old.dat"), std::string(70000, 'x'));
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
  ASSERT_EQ(::utimensat(AT_FDCWD, HostOfC("DCIM/old.dat").c_str(), times, 0), 0);
  std::filesystem::permissions(HostOfC("DCIM/old.dat"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  WIN32_FIND_DATAA data{};
  const HANDLE find = FindFirstFileA("C:\\DCIM\\OLD.DAT", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "old.dat");
  EXPECT_STREQ(data.cAlternateFileName, "");
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(data.nFileSizeHigh, 0U);
  EXPECT_EQ(data.nFileSizeLow, 70000U);
  const ULONGLONG written = (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(written, kUnixEpochAsFileTime + 1000000000ULL * 10000000ULL + 5);
  FindClose(find);

  ASSERT_NE(FindFirstFileA("C:\\DCIM\\100TEST", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(data.nFileSizeLow, 0U);
}

TEST_F(FindFiles, FailuresAndHandles) {
  WIN32_FIND_DATAA data{};
  struct Case {
    const char* pattern;
    DWORD error;
  };
  const Case failing[] = {{"C:\\DCIM\\*.tif", ERROR_FILE_NOT_FOUND},
                          {"C:\\DCIM\\", ERROR_FILE_NOT_FOUND},
                          {"C:\\NONE\\*", ERROR_PATH_NOT_FOUND},
                          {"C:\\DCIM\\README\\*", ERROR_PATH_NOT_FOUND},
                          {"C:\\DCIM\\a|b", ERROR_INVALID_NAME},
                          {"", ERROR_PATH_NOT_FOUND},
                          {nullptr, ERROR_PATH_NOT_FOUND}};
  for (const auto& c : failing) {
    ArmLastError();
    EXPECT_EQ(FindFirstFileA(c.pattern, &data), INVALID_HANDLE_VALUE) << (c.pattern ? c.pattern : "null");
    EXPECT_EQ(GetLastError(), c.error) << (c.pattern ? c.pattern : "null");
  }
  ArmLastError();
  EXPECT_EQ(FindFirstFileA("C:\\DCIM\\*", nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  const HANDLE find = FindFirstFileA("C:\\DCIM\\*.jpg", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  ArmLastError();
  EXPECT_FALSE(FindNextFileA(find, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(FindNextFileA(find, &data));
  ArmLastError();
  EXPECT_FALSE(FindNextFileA(find, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  ASSERT_TRUE(FindClose(find));
  ArmLastError();
  EXPECT_FALSE(FindClose(find));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  ArmLastError();
  EXPECT_FALSE(FindNextFileA(find, &data));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // A file handle is not a search.
  const HANDLE file = CreateFileA("C:\\DCIM\\README", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ArmLastError();
  EXPECT_FALSE(FindClose(file));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(CloseHandle(file));
}

}  // namespace
}  // namespace win

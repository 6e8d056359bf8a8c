#include "platform/win/files.h"

#include "platform/win/file_test_support.h"
#include "platform/win/paths.h"
#include "platform/win/windows_version.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace win {
namespace {

using testing::ArmLastError;
using testing::HostOfC;
using testing::kSentinel;

using FolderQuery = std::function<DWORD(DWORD, LPSTR)>;

// Checks the documented answers of a folder query for every buffer size around the path's.
void ExpectBufferRules(const FolderQuery& query, const std::string& expected) {
  const auto length = static_cast<DWORD>(expected.size());
  EXPECT_EQ(query(0, nullptr), length + 1);
  for (const DWORD size : {DWORD{1}, length, length + 1, length + 5}) {
    std::array<char, 300> buffer{};
    buffer.fill('#');
    ArmLastError();
    const DWORD answer = query(size, buffer.data());
    EXPECT_EQ(GetLastError(), kSentinel);
    if (size > length) {
      EXPECT_EQ(answer, length);
      EXPECT_EQ(std::string(buffer.data()), expected);
    } else {
      EXPECT_EQ(answer, length + 1) << "size " << size;
      EXPECT_EQ(buffer[0], '#') << "nothing is written to a buffer that is too small";
    }
    EXPECT_EQ(buffer[std::max(size, length + 1)], '#') << "nothing past the path's terminator";
  }
  ArmLastError();
  EXPECT_EQ(query(10, nullptr), 0U);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(SystemFolders, SystemWindowsAndTempFolders) {
  const auto system = [](DWORD size, LPSTR buffer) { return GetSystemDirectoryA(buffer, size); };
  ExpectBufferRules(system, "C:\\Windows\\system32");
  SetWindowsVersion(WindowsVersion::Win98);
  ExpectBufferRules(system, "C:\\Windows\\SYSTEM");
  EXPECT_TRUE(std::filesystem::is_directory(HostOfC("Windows/SYSTEM")));
  SetWindowsVersion(WindowsVersion::Xp);

  ExpectBufferRules([](DWORD size, LPSTR buffer) { return GetWindowsDirectoryA(buffer, size); }, "C:\\Windows");
  ExpectBufferRules(GetTempPathA, "C:\\Windows\\Temp\\");
  EXPECT_TRUE(std::filesystem::is_directory(HostOfC("Windows/Temp")));
}

TEST(CurrentDirectory, GetAndSet) {
  ExpectBufferRules(GetCurrentDirectoryA, "C:\\Program Files\\Tarnlok");
  std::filesystem::create_directories(HostOfC("Work/Deep"));
  ASSERT_TRUE(SetCurrentDirectoryA("c:\\work\\deep\\"));
  ExpectBufferRules(GetCurrentDirectoryA, "C:\\Work\\Deep");
  ASSERT_TRUE(SetCurrentDirectoryA(".."));
  ExpectBufferRules(GetCurrentDirectoryA, "C:\\Work");
  ASSERT_TRUE(SetCurrentDirectoryA("\\"));
  ExpectBufferRules(GetCurrentDirectoryA, "C:\\");
  ASSERT_TRUE(SetCurrentDirectoryA("Z:\\tmp"));
  ExpectBufferRules(GetCurrentDirectoryA, "Z:\\tmp");

  std::ofstream(HostOfC("plain.txt")) << "x";
  struct Case {
    const char* name;
    DWORD error;
  };
  const Case refused[] = {{"C:\\missing", ERROR_FILE_NOT_FOUND},
                          {"C:\\missing\\deeper", ERROR_PATH_NOT_FOUND},
                          {"C:\\plain.txt", ERROR_DIRECTORY},
                          {nullptr, ERROR_PATH_NOT_FOUND}};
  for (const auto& c : refused) {
    ArmLastError();
    EXPECT_FALSE(SetCurrentDirectoryA(c.name)) << (c.name ? c.name : "null");
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(CurrentDirectoryPath(), "Z:\\tmp\\");
}

}  // namespace
}  // namespace win

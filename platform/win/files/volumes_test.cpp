#include "platform/win/files/volumes.h"

#include "platform/win/host/data_folder.h"
#include "platform/win/testing/file_test_support.h"
#include "platform/win/files/files.h"
#include "platform/win/system/windows_version.h"

#include <gtest/gtest.h>

#include <cstring>

namespace win {
namespace {

using test_support::ArmLastError;
using test_support::kSentinel;

constexpr DWORD kDriveC = 1U << 2;
constexpr DWORD kDriveZ = 1U << 25;

TEST(Drives, LettersAndKinds) {
  EXPECT_EQ(GetLogicalDrives(), kDriveC | kDriveZ);
  struct Case {
    const char* root;
    UINT kind;
  };
  const Case cases[] = {{"C:\\", DRIVE_FIXED},   {"c:", DRIVE_FIXED},         {"Z:/", DRIVE_FIXED},
                        {nullptr, DRIVE_FIXED},  {"Q:\\", DRIVE_NO_ROOT_DIR}, {"C:\\Windows\\", DRIVE_NO_ROOT_DIR},
                        {"", DRIVE_NO_ROOT_DIR}, {"1:\\", DRIVE_NO_ROOT_DIR}};
  for (const auto& c : cases) EXPECT_EQ(GetDriveTypeA(c.root), c.kind) << (c.root ? c.root : "null");
}

TEST(DiskFreeSpace, HostDrivesAnswerWhatTheFileSystemHas) {
  const auto truth = std::filesystem::space(DriveCFolder());
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
  EXPECT_EQ(total.QuadPart, truth.capacity);
  // Other processes write while the test runs; a few megabytes of difference are allowed.
  constexpr ULONGLONG kSlack = 64ULL << 20;
  EXPECT_NEAR(static_cast<double>(available.QuadPart), static_cast<double>(truth.available), kSlack);
  EXPECT_NEAR(static_cast<double>(free.QuadPart), static_cast<double>(truth.free), kSlack);

  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA(nullptr, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
  EXPECT_EQ(bytesPerSector, 512U);
  EXPECT_GE(sectorsPerCluster, 1U);
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, nullptr, nullptr));

  ArmLastError();
  EXPECT_FALSE(GetDiskFreeSpaceExA("Q:\\", &available, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ArmLastError();
  EXPECT_FALSE(GetDiskFreeSpaceA("C:\\no such folder\\", nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(DiskFreeSpace, InjectedFreeSpaceAndTheNineXLimit) {
  SetInjectedHostFreeSpace(5ULL << 30);
  ULARGE_INTEGER available{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("Z:\\tmp", &available, nullptr, &free));
  EXPECT_EQ(available.QuadPart, 5ULL << 30);
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, nullptr));
  const ULONGLONG clusterBytes = ULONGLONG{sectorsPerCluster} * bytesPerSector;
  EXPECT_EQ(ULONGLONG{freeClusters} * clusterBytes, free.QuadPart);
  EXPECT_GT(free.QuadPart + clusterBytes, 5ULL << 30);

  // Windows 98 reports at most 2 GB through the old call.
  SetWindowsVersion(WindowsVersion::Win98);
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, nullptr));
  EXPECT_LT(ULONGLONG{freeClusters} * clusterBytes, 2ULL << 30);
  EXPECT_GT(ULONGLONG{freeClusters} * clusterBytes + clusterBytes, (2ULL << 30) - 1);
  SetWindowsVersion(WindowsVersion::Xp);
  SetInjectedHostFreeSpace(std::nullopt);
}

TEST(VolumeInformation, HostDrives) {
  char label[8];
  char system[8];
  std::memset(label, '#', sizeof label);
  DWORD serialC = 0, serialZ = 0, longest = 0, flags = 0;
  ArmLastError();
  ASSERT_TRUE(GetVolumeInformationA("C:\\", label, sizeof label, &serialC, &longest, &flags, system, sizeof system));
  EXPECT_EQ(GetLastError(), kSentinel);
  EXPECT_STREQ(label, "");
  EXPECT_STREQ(system, "NTFS");
  EXPECT_EQ(longest, 255U);
  EXPECT_NE(flags & FILE_CASE_PRESERVED_NAMES, 0U);
  ASSERT_TRUE(GetVolumeInformationA("Z:\\", nullptr, 0, &serialZ, nullptr, nullptr, nullptr, 0));
  EXPECT_NE(serialC, serialZ);
  DWORD again = 0;
  ASSERT_TRUE(GetVolumeInformationA(nullptr, nullptr, 0, &again, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(again, serialC);

  struct Case {
    const char* root;
    DWORD error;
  };
  const Case refused[] = {{"C:", ERROR_INVALID_NAME},
                          {"C:\\Windows\\", ERROR_DIR_NOT_ROOT},
                          {"C:\\Windows", ERROR_INVALID_NAME},
                          {"Q:\\", ERROR_PATH_NOT_FOUND}};
  for (const auto& c : refused) {
    ArmLastError();
    EXPECT_FALSE(GetVolumeInformationA(c.root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) << c.root;
    EXPECT_EQ(GetLastError(), c.error) << c.root;
  }
  // A file-system name buffer too small for "NTFS" gets nothing.
  std::memset(system, '#', sizeof system);
  ArmLastError();
  EXPECT_FALSE(GetVolumeInformationA("C:\\", nullptr, 0, nullptr, nullptr, nullptr, system, 4));
  EXPECT_EQ(GetLastError(), ERROR_BAD_LENGTH);
  EXPECT_EQ(system[0], '#');
}

}  // namespace
}  // namespace win

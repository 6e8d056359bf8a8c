// A FAT card volume on a drive letter, used through the Win32 file services.
#include "platform/machine/fat/fat_card_volume.h"

#include "platform/machine/testing/fat_images.h"
#include "platform/win/devices/card_drives.h"
#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"
#include "platform/win/files/volumes.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace machine {
namespace {

constexpr win::DWORD kSentinel = 0xDEADBEEF;

class FatCardVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = test_support::MakeImage("card.img", test_support::FatKind::Fat16, true);
    const auto source = tarnlok::test_support::TestDataHome() / "photo";
    test_support::WriteHostFile(source, photo_);
    ASSERT_EQ(test_support::RunTool("mmd -i " + test_support::Quote(image_.MtoolsTarget()) + " ::/DCIM").status, 0);
    test_support::PutWithMtools(image_, source, "::/DCIM/Holiday picture.jpeg");
    auto card = ImageFileDevice::Open(image_.path, false);
    ASSERT_TRUE(card.ok());
    std::shared_ptr<SectorDevice> whole = std::move(*card);
    device_ = std::shared_ptr<SectorDevice>(
        new SectorWindow(*whole, test_support::kPartitionStart, whole->SectorCount() - test_support::kPartitionStart),
        [whole](SectorDevice* window) { delete window; });
    volume_ = std::make_shared<FatCardVolume>(device_, test_support::FixedTime);
    win::MountCardDrive('E', volume_);
  }

  void TearDown() override { win::UnmountCardDrive('E'); }

  test_support::TestImage image_;
  std::vector<std::uint8_t> photo_ = test_support::Pattern(70000, 9);
  std::shared_ptr<SectorDevice> device_;
  std::shared_ptr<FatCardVolume> volume_;
};

TEST_F(FatCardVolumeTest, ReadsAFileThroughCreateFile) {
  const win::HANDLE file = win::CreateFileA("E:\\dcim\\HOLIDAY PICTURE.JPEG", win::GENERIC_READ, win::FILE_SHARE_READ,
                                            nullptr, win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE) << win::GetLastError();
  EXPECT_EQ(win::GetFileSize(file, nullptr), photo_.size());
  std::vector<std::uint8_t> bytes(photo_.size() + 100);
  win::DWORD read = 0;
  ASSERT_TRUE(win::ReadFile(file, bytes.data(), static_cast<win::DWORD>(bytes.size()), &read, nullptr));
  EXPECT_EQ(read, photo_.size());
  bytes.resize(read);
  EXPECT_EQ(bytes, photo_);
  // Writing through a handle opened for reading is refused.
  win::SetLastError(kSentinel);
  win::DWORD written = 0;
  EXPECT_FALSE(win::WriteFile(file, bytes.data(), 10, &written, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(win::CloseHandle(file));
}

TEST_F(FatCardVolumeTest, FindsFilesWithLongAndShortNames) {
  win::WIN32_FIND_DATAA found{};
  const win::HANDLE search = win::FindFirstFileA("E:\\DCIM\\*", &found);
  ASSERT_NE(search, win::INVALID_HANDLE_VALUE) << win::GetLastError();
  std::set<std::string> names{found.cFileName};
  std::string alias = found.cAlternateFileName;
  while (win::FindNextFileA(search, &found)) {
    names.insert(found.cFileName);
    if (std::strcmp(found.cFileName, "Holiday picture.jpeg") == 0) alias = found.cAlternateFileName;
  }
  win::FindClose(search);
  EXPECT_TRUE(names.count("Holiday picture.jpeg") == 1) << *names.begin();
  EXPECT_EQ(alias, "HOLIDA~1.JPE");
}

TEST_F(FatCardVolumeTest, FreeSpaceAndVolumeInformationComeFromTheVolume) {
  win::DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  ASSERT_TRUE(win::GetDiskFreeSpaceA("E:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
      << win::GetLastError();
  EXPECT_EQ(bytesPerSector, 512u);
  EXPECT_EQ(std::uint64_t{freeClusters} * sectorsPerCluster * bytesPerSector, test_support::MtoolsFreeBytes(image_));
  char label[32] = {};
  char system[16] = {};
  win::DWORD serial = 0;
  ASSERT_TRUE(
      win::GetVolumeInformationA("E:\\", label, sizeof label, &serial, nullptr, nullptr, system, sizeof system));
  EXPECT_STREQ(label, "TESTVOL");
  EXPECT_STREQ(system, "FAT");
  EXPECT_EQ(serial, 0x1234ABCDu);
}

TEST_F(FatCardVolumeTest, WritesThatMtoolsAndFsckAccept) {
  ASSERT_TRUE(win::CreateDirectoryA("E:\\Saved pictures", nullptr)) << win::GetLastError();
  const win::HANDLE file = win::CreateFileA("E:\\Saved pictures\\A copy of the holiday.jpeg", win::GENERIC_WRITE, 0,
                                            nullptr, win::CREATE_NEW, win::FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE) << win::GetLastError();
  win::DWORD written = 0;
  ASSERT_TRUE(win::WriteFile(file, photo_.data(), static_cast<win::DWORD>(photo_.size()), &written, nullptr));
  EXPECT_EQ(written, photo_.size());
  win::CloseHandle(file);
  ASSERT_TRUE(win::MoveFileA("E:\\DCIM\\Holiday picture.jpeg", "E:\\Saved pictures\\Moved.jpeg"))
      << win::GetLastError();
  EXPECT_EQ(test_support::ReadWithMtools(image_, "::/Saved pictures/A copy of the holiday.jpeg"),
            std::string(photo_.begin(), photo_.end()));
  EXPECT_EQ(test_support::ReadWithMtools(image_, "::/Saved pictures/Moved.jpeg"),
            std::string(photo_.begin(), photo_.end()));
  ASSERT_TRUE(win::DeleteFileA("E:\\Saved pictures\\Moved.jpeg"));
  const auto fsck = test_support::CheckWithFsck(image_);
  EXPECT_EQ(fsck.status, 0) << fsck.output;
}

TEST_F(FatCardVolumeTest, ErrorsAreTheWindowsOnes) {
  win::SetLastError(kSentinel);
  EXPECT_EQ(win::CreateFileA("E:\\DCIM\\missing.jpg", win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING, 0, nullptr),
            win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  win::SetLastError(kSentinel);
  EXPECT_EQ(win::CreateFileA("E:\\NOFOLDER\\a.jpg", win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING, 0, nullptr),
            win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
  win::SetLastError(kSentinel);
  EXPECT_FALSE(win::CreateDirectoryA("E:\\DCIM", nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
  win::SetLastError(kSentinel);
  EXPECT_FALSE(win::RemoveDirectoryA("E:\\DCIM"));
  EXPECT_EQ(win::GetLastError(), win::ERROR_DIR_NOT_EMPTY);
}

TEST_F(FatCardVolumeTest, SharingAndDeleteOnClose) {
  const win::HANDLE first =
      win::CreateFileA("E:\\DCIM\\Holiday picture.jpeg", win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(first, win::INVALID_HANDLE_VALUE);
  win::SetLastError(kSentinel);
  EXPECT_EQ(win::CreateFileA("E:\\DCIM\\HOLIDA~1.JPE", win::GENERIC_READ, win::FILE_SHARE_READ, nullptr,
                             win::OPEN_EXISTING, 0, nullptr),
            win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_SHARING_VIOLATION);
  win::CloseHandle(first);
  const win::HANDLE temporary = win::CreateFileA("E:\\scratch.tmp", win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW,
                                                 win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(temporary, win::INVALID_HANDLE_VALUE);
  EXPECT_NE(win::GetFileAttributesA("E:\\scratch.tmp"), win::INVALID_FILE_ATTRIBUTES);
  win::CloseHandle(temporary);
  EXPECT_EQ(win::GetFileAttributesA("E:\\scratch.tmp"), win::INVALID_FILE_ATTRIBUTES);
}

TEST_F(FatCardVolumeTest, ALockedVolumeRefusesFileServices) {
  volume_->SetLocked(true);
  win::SetLastError(kSentinel);
  EXPECT_EQ(win::CreateFileA("E:\\DCIM\\Holiday picture.jpeg", win::GENERIC_READ, win::FILE_SHARE_READ, nullptr,
                             win::OPEN_EXISTING, 0, nullptr),
            win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  volume_->SetLocked(false);
  const win::HANDLE file = win::CreateFileA("E:\\DCIM\\Holiday picture.jpeg", win::GENERIC_READ, win::FILE_SHARE_READ,
                                            nullptr, win::OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, win::INVALID_HANDLE_VALUE);
  EXPECT_TRUE(volume_->HasOpenFiles());
  win::CloseHandle(file);
  EXPECT_FALSE(volume_->HasOpenFiles());
}

}  // namespace
}  // namespace machine

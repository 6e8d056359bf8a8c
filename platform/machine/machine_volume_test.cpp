// Card volumes on the machine's drive letters: found afresh when cards change, the errors of
// drives without a volume, raw writes seen by the file services at once, and the lock rules.
#include "platform/machine/testing/machine_testing.h"

#include "platform/machine/fat/fat_boot_sector.h"
#include "platform/win/files/file_time.h"
#include "platform/win/system/manual_clock.h"
#include "platform/win/system/system_clock.h"
#include "platform/win/files/volumes.h"

#include <gtest/gtest.h>

#include <ctime>

namespace machine {
namespace {

using test_support::OpenDevice;

constexpr std::uint64_t kPartitionStart = 63;  // where a fresh card's partition starts

class MachineVolume : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::WriteNumberedImage("raw.img", 512);
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":"xp","readers":[
      {"maker":true,"letter":"E","card":{"kind":"cf","image":"fresh.img","sectors":16384}},
      {"letter":"F"},
      {"letter":"G","card":{"kind":"cf","image":"raw.img","sectors":512}}]})"));
    machine_->Install();
  }

  static win::HANDLE Open(const std::string& path, win::DWORD access, win::DWORD disposition) {
    return win::CreateFileA(path.c_str(), access, win::FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
  }

  // Creates a file holding text; true when it worked.
  static bool Put(const std::string& path, const std::string& text) {
    const auto file = Open(path, win::GENERIC_WRITE, win::CREATE_NEW);
    if (file == win::INVALID_HANDLE_VALUE) return false;
    win::DWORD written = 0;
    const bool ok = win::WriteFile(file, text.data(), static_cast<win::DWORD>(text.size()), &written, nullptr);
    win::CloseHandle(file);
    return ok && written == text.size();
  }

  // The error opening an existing file gives; 0 when it opens.
  static win::DWORD OpenError(const std::string& path) {
    const auto file = Open(path, win::GENERIC_READ, win::OPEN_EXISTING);
    if (file == win::INVALID_HANDLE_VALUE) return win::GetLastError();
    win::CloseHandle(file);
    return 0;
  }

  static bool Lock(win::HANDLE volume, win::DWORD code = win::FSCTL_LOCK_VOLUME) {
    win::DWORD returned = 0;
    return win::DeviceIoControl(volume, code, nullptr, 0, nullptr, 0, &returned, nullptr) != win::FALSE;
  }

  std::unique_ptr<Machine> machine_;
};

TEST_F(MachineVolume, LettersShowTheCardsVolumeAndFollowCardChanges) {
  ASSERT_TRUE(Put("E:\\HELLO.TXT", "hello"));
  win::WIN32_FIND_DATAA found{};
  const auto search = win::FindFirstFileA("e:\\*.txt", &found);
  ASSERT_NE(search, win::INVALID_HANDLE_VALUE);
  EXPECT_STREQ(found.cFileName, "HELLO.TXT");
  EXPECT_EQ(found.nFileSizeLow, 5U);
  win::FindClose(search);

  EXPECT_EQ(OpenError("F:\\HELLO.TXT"), win::ERROR_NOT_READY);  // an empty reader
  EXPECT_EQ(OpenError("G:\\HELLO.TXT"), win::ERROR_UNRECOGNIZED_VOLUME);  // a card without a volume

  machine_->SwapCards('E', 'G');
  EXPECT_EQ(OpenError("G:\\HELLO.TXT"), 0U);
  EXPECT_EQ(OpenError("E:\\HELLO.TXT"), win::ERROR_UNRECOGNIZED_VOLUME);
  machine_->RemoveCard('G');
  EXPECT_EQ(OpenError("G:\\HELLO.TXT"), win::ERROR_NOT_READY);
  machine_->InsertCard('F', machine_->Description().readers[0].card);
  EXPECT_EQ(OpenError("F:\\HELLO.TXT"), 0U);

  machine_->Uninstall();
  EXPECT_EQ(win::GetDriveTypeA("F:\\"), win::DRIVE_NO_ROOT_DIR);
}

TEST_F(MachineVolume, RawWritesAreSeenByTheFileServicesAtOnce) {
  ASSERT_TRUE(Put("E:\\HELLO.TXT", "hello"));
  // Rename the file by rewriting its directory entry through the physical drive.
  const auto drive = OpenDevice("PhysicalDrive1");
  ASSERT_NE(drive, win::INVALID_HANDLE_VALUE);
  std::vector<std::uint8_t> boot(512);
  win::DWORD moved = 0;
  win::SetFilePointer(drive, static_cast<win::LONG>(kPartitionStart * 512), nullptr, win::FILE_BEGIN);
  ASSERT_TRUE(win::ReadFile(drive, boot.data(), 512, &moved, nullptr));
  const auto geometry = ParseBootSector(boot, 16384 - kPartitionStart);
  ASSERT_TRUE(geometry.ok());
  const auto rootAt = static_cast<win::LONG>((kPartitionStart + geometry->firstRootDirSector) * 512);
  std::vector<std::uint8_t> root(512);
  win::SetFilePointer(drive, rootAt, nullptr, win::FILE_BEGIN);
  ASSERT_TRUE(win::ReadFile(drive, root.data(), 512, &moved, nullptr));
  ASSERT_EQ(std::string(root.begin(), root.begin() + 11), "HELLO   TXT");
  std::copy_n("WORLD", 5, root.begin());
  win::SetFilePointer(drive, rootAt, nullptr, win::FILE_BEGIN);
  ASSERT_TRUE(win::WriteFile(drive, root.data(), 512, &moved, nullptr));

  EXPECT_EQ(OpenError("E:\\WORLD.TXT"), 0U);
  EXPECT_EQ(OpenError("E:\\HELLO.TXT"), win::ERROR_FILE_NOT_FOUND);
  win::CloseHandle(drive);
}

TEST_F(MachineVolume, LockWaitsForOpenFilesAndShutsFilesOut) {
  ASSERT_TRUE(Put("E:\\HELLO.TXT", "hello"));
  const auto file = Open("E:\\HELLO.TXT", win::GENERIC_READ, win::OPEN_EXISTING);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  const auto volume = OpenDevice("E:");
  win::SetLastError(0);
  EXPECT_FALSE(Lock(volume));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  win::CloseHandle(file);

  ASSERT_TRUE(Lock(volume));
  EXPECT_EQ(OpenError("E:\\HELLO.TXT"), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Lock(volume, win::FSCTL_DISMOUNT_VOLUME));
  EXPECT_EQ(OpenError("E:\\HELLO.TXT"), win::ERROR_ACCESS_DENIED);  // still locked after the dismount
  EXPECT_TRUE(Lock(volume, win::FSCTL_UNLOCK_VOLUME));
  EXPECT_EQ(OpenError("E:\\HELLO.TXT"), 0U);

  ASSERT_TRUE(Lock(volume));
  win::CloseHandle(volume);  // closing the holder releases the lock
  EXPECT_EQ(OpenError("E:\\HELLO.TXT"), 0U);
}

TEST_F(MachineVolume, FilesAreStampedByThePlatformClock) {
  win::ManualClock::Install();
  ASSERT_TRUE(Put("E:\\STAMPED.TXT", "x"));
  win::SetClock(nullptr);
  win::WIN32_FIND_DATAA found{};
  const auto search = win::FindFirstFileA("E:\\STAMPED.TXT", &found);
  ASSERT_NE(search, win::INVALID_HANDLE_VALUE);
  win::FindClose(search);
  // The manual clock's local time is 2004-03-15 10:20:30; FAT keeps local time.
  std::tm local{};
  local.tm_year = 104;
  local.tm_mon = 2;
  local.tm_mday = 15;
  local.tm_hour = 10;
  local.tm_min = 20;
  local.tm_sec = 30;
  local.tm_isdst = -1;
  const win::FILETIME expected = win::FileTimeFromUnix(std::mktime(&local), 0);
  EXPECT_EQ(found.ftLastWriteTime.dwLowDateTime, expected.dwLowDateTime);
  EXPECT_EQ(found.ftLastWriteTime.dwHighDateTime, expected.dwHighDateTime);
}

}  // namespace
}  // namespace machine

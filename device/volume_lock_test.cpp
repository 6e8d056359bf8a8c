#include "device/volume_lock.h"

#include "device/drive_handle.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarnlok {
namespace {

// One of the maker's USB readers on E: holding a fresh card of the kind given ("none": empty).
std::string OneReader(const std::string& kind) {
  std::filesystem::remove(test_support::TestDataHome() / "lock.img");
  const std::string card =
      kind == "none" ? R"({ "kind": "none" })" : R"({ "kind": ")" + kind + R"(", "image": "lock.img" })";
  return R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "letter": "E", "card": )" +
         card + R"( } ] })";
}

class VolumeLockNt : public test_support::MachineDeviceTest {
 protected:
  void StartWith(const std::string& kind, win::BYTE deviceKind) {
    Start(OneReader(kind), kOsWindowsXp);
    entry.driveLetter = 'E';
    entry.deviceKind = deviceKind;
    handle = OpenCardVolume('E');
  }
  void TearDown() override {
    handle = DriveHandle();
    MachineDeviceTest::TearDown();
  }
  bool ReaderLocked() const { return machine_->ReaderAt('E')->ReaderLocked(); }
  // A locked volume refuses every file open; an unlocked one reports the file missing.
  static bool VolumeLocked() {
    const win::HANDLE file =
        win::CreateFileA("E:\\NOSUCH.TXT", win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(file, win::INVALID_HANDLE_VALUE);
    return win::GetLastError() == win::ERROR_ACCESS_DENIED;
  }

  DeviceEntry entry;
  DriveHandle handle;
};

TEST_F(VolumeLockNt, RawFlashCardTakesVolumeAndReaderAndGivesBothBack) {
  StartWith("sm", kSmartMedia);
  win::BYTE volume = 0, second = 0, readerLock = 0;
  EXPECT_EQ(LockMediaVolume(handle.get(), nullptr, &entry, 1, &volume, &second, &readerLock), 1);
  EXPECT_EQ(volume, 1);
  EXPECT_EQ(readerLock, 1);
  EXPECT_EQ(second, 0) << "only Windows 9x takes a second lock";
  EXPECT_TRUE(ReaderLocked());
  EXPECT_TRUE(VolumeLocked());

  EXPECT_EQ(LockMediaVolume(handle.get(), nullptr, &entry, 0, &volume, &second, &readerLock), 1);
  EXPECT_EQ(volume, 0);
  EXPECT_EQ(readerLock, 0);
  EXPECT_FALSE(ReaderLocked());
  EXPECT_FALSE(VolumeLocked());
}

TEST_F(VolumeLockNt, PlainCardsLockNoReaderAndUnsetLocksAreNotGivenBack) {
  StartWith("cf", kCompactFlash);
  win::BYTE volume = 0, readerLock = 0;
  LockMediaVolume(handle.get(), nullptr, &entry, 1, &volume, nullptr, &readerLock);
  EXPECT_EQ(volume, 1);
  EXPECT_EQ(readerLock, 0);
  EXPECT_FALSE(ReaderLocked());

  volume = 0;
  LockMediaVolume(handle.get(), nullptr, &entry, 0, &volume, nullptr, &readerLock);
  EXPECT_TRUE(VolumeLocked()) << "the volume lock byte was 0, so no unlock was sent";
}

TEST_F(VolumeLockNt, ReaderWithoutCardIsNotLocked) {
  StartWith("none", kMemoryStick);
  win::BYTE readerLock = 0;
  LockMediaVolume(handle.get(), nullptr, &entry, 1, nullptr, nullptr, &readerLock);
  EXPECT_EQ(readerLock, 0);
  EXPECT_FALSE(ReaderLocked());
  EXPECT_EQ(LockMediaVolume(handle.get(), nullptr, nullptr, 1, nullptr, nullptr, nullptr), 1)
      << "no entry and no lock bytes";
}

TEST_F(VolumeLockNt, LockVolumeNtModes) {
  StartWith("cf", kCompactFlash);
  EXPECT_TRUE(LockVolumeNt(handle.get(), kLockVolume));
  EXPECT_TRUE(LockVolumeNt(handle.get(), kDismountAndUnlock));
  EXPECT_FALSE(LockVolumeNt(handle.get(), kDismountAndUnlock)) << "nothing left to unlock";
  EXPECT_FALSE(LockVolumeNt(handle.get(), 3));
}

TEST_F(VolumeLockNt, WriteTestCreatesAndDeletesItsFile) {
  StartWith("cf", kCompactFlash);
  win::BYTE stop = 1;
  std::string message = "untouched";
  TestMediaWritable(&entry, &stop, &message);
  EXPECT_EQ(stop, 0);
  EXPECT_EQ(message, "untouched");
  EXPECT_EQ(win::GetFileAttributesA("E:\\Temp.txt"), win::INVALID_FILE_ATTRIBUTES) << "deleted again";
}

TEST_F(VolumeLockNt, WriteTestOnAWriteProtectedCardStops) {
  StartWith("cf", kCompactFlash);
  machine_->SetWriteProtected('E', true);
  win::BYTE stop = 0;
  std::string message = "untouched";
  TestMediaWritable(&entry, &stop, &message);
  EXPECT_EQ(stop, 1);
  EXPECT_EQ(message, "The media is write protected.");
}

TEST_F(VolumeLockNt, ExistingTempFileLeavesEverythingAsItWas) {
  StartWith("cf", kCompactFlash);
  const win::HANDLE file =
      win::CreateFileA("E:\\TEMP.TXT", win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  win::CloseHandle(file);
  win::BYTE stop = 7;
  std::string message = "untouched";
  TestMediaWritable(&entry, &stop, &message);
  EXPECT_EQ(stop, 7);
  EXPECT_EQ(message, "untouched");
  EXPECT_NE(win::GetFileAttributesA("E:\\TEMP.TXT"), win::INVALID_FILE_ATTRIBUTES) << "the user's file stays";
}

TEST_F(VolumeLockNt, DriveLetterPresence) {
  StartWith("cf", kCompactFlash);
  EXPECT_TRUE(IsDriveLetterPresent('E'));
  EXPECT_FALSE(IsDriveLetterPresent('Q'));
  EXPECT_TRUE(IsDriveLetterPresent('e')) << "'e' - 'A' is 36, taken modulo 32";
}

// The machine's file services fail only as a real card does (write-protected, unformatted);
// a stand-in volume gives each error the write test tells the user about.
class WriteTestErrors : public test_support::StandInXpTest {
 protected:
  void SetUp() override {
    StandInXpTest::SetUp();
    machine.Add('E', {});
    entry.driveLetter = 'E';
  }
  DeviceEntry entry;
};

struct WriteTestCase {
  win::DWORD error;
  const char* message;
  win::BYTE stop;
};

TEST_F(WriteTestErrors, EachErrorBecomesItsMessage) {
  const WriteTestCase cases[] = {
      {win::ERROR_WRITE_PROTECT, "The media is write protected.", 1},
      {win::ERROR_DISK_FULL, "There is not enough space on the media.", 0},
      {win::ERROR_UNRECOGNIZED_VOLUME, "The media is not formatted.", 0},
      {win::ERROR_NOT_DOS_DISK, "The specified disk or diskette cannot be accessed.", 1},
      {win::ERROR_DEV_NOT_EXIST, "The specified network resource or device is no longer available.", 1},
      {win::ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process.",
       1},
  };
  for (const auto& c : cases) {
    machine.Volume('E').createError = c.error;
    win::BYTE stop = 0xAA;
    std::string message = "untouched";
    TestMediaWritable(&entry, &stop, &message);
    EXPECT_EQ(message, c.message) << c.error;
    EXPECT_EQ(stop, c.stop) << c.error;
  }
}

}  // namespace
}  // namespace tarnlok

#include "device/volume_lock.h"

#include "device/drive_handle.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_reader.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::StandInMachine;
using test_support::VendorForm;

class VolumeLockNt : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    OsKind = kOsWindowsXp;
    ReaderSetup setup;
    setup.vendorForm = VendorForm::CommandFirst;
    setup.statusWord = 0x200;
    setup.image = NumberedImage(16);
    reader = &machine.Add('E', setup);
    entry.driveLetter = 'E';
    handle = OpenCardVolume('E');
  }
  int VendorCommands(win::BYTE sub) const {
    int count = 0;
    for (const auto& cdb : reader->Cdbs()) count += cdb[0] == 0x20 && cdb[1] == sub ? 1 : 0;
    return count;
  }

  StandInMachine machine{win::WindowsVersion::Xp};
  test_support::StandInReader* reader = nullptr;
  DeviceEntry entry;
  DriveHandle handle;
};

TEST_F(VolumeLockNt, RawFlashCardTakesVolumeAndReaderAndGivesBothBack) {
  entry.deviceKind = kSmartMedia;
  win::BYTE volume = 0, second = 0, readerLock = 0;
  EXPECT_EQ(LockMediaVolume(handle.get(), nullptr, &entry, 1, &volume, &second, &readerLock), 1);
  EXPECT_EQ(volume, 1);
  EXPECT_EQ(readerLock, 1);
  EXPECT_EQ(second, 0) << "only Windows 9x takes a second lock";
  EXPECT_TRUE(reader->Locked());
  EXPECT_EQ(reader->Cdbs().front(), (std::vector<win::BYTE>{0, 0, 0, 0, 0, 0})) << "TEST UNIT READY first";

  EXPECT_EQ(LockMediaVolume(handle.get(), nullptr, &entry, 0, &volume, &second, &readerLock), 1);
  EXPECT_EQ(volume, 0);
  EXPECT_EQ(readerLock, 0);
  EXPECT_FALSE(reader->Locked());
  EXPECT_EQ(reader->Dismounts(), 1);
  EXPECT_EQ(VendorCommands(0x88), 1);
  EXPECT_EQ(VendorCommands(0x89), 1);
}

TEST_F(VolumeLockNt, PlainCardsLockNoReaderAndUnsetLocksAreNotGivenBack) {
  entry.deviceKind = kCompactFlash;
  win::BYTE volume = 0, readerLock = 0;
  LockMediaVolume(handle.get(), nullptr, &entry, 1, &volume, nullptr, &readerLock);
  EXPECT_EQ(volume, 1);
  EXPECT_EQ(readerLock, 0);
  EXPECT_EQ(VendorCommands(0x88), 0);

  volume = 0;
  readerLock = 0;
  const auto codesBefore = reader->Codes().size();
  LockMediaVolume(handle.get(), nullptr, &entry, 0, &volume, nullptr, &readerLock);
  EXPECT_EQ(reader->Codes().size(), codesBefore + 1) << "only the TEST UNIT READY";
  EXPECT_TRUE(reader->Locked()) << "the volume lock byte was 0, so no unlock was sent";
}

TEST_F(VolumeLockNt, ReaderWithoutCardIsNotLocked) {
  entry.deviceKind = kMemoryStick;
  reader->Setup().image.clear();
  win::BYTE readerLock = 0;
  LockMediaVolume(handle.get(), nullptr, &entry, 1, nullptr, nullptr, &readerLock);
  EXPECT_EQ(readerLock, 0);
  EXPECT_EQ(LockMediaVolume(handle.get(), nullptr, nullptr, 1, nullptr, nullptr, nullptr), 1)
      << "no entry and no lock bytes";
}

TEST_F(VolumeLockNt, LockVolumeNtModes) {
  EXPECT_TRUE(LockVolumeNt(handle.get(), kLockVolume));
  EXPECT_TRUE(LockVolumeNt(handle.get(), kDismountAndUnlock));
  EXPECT_FALSE(LockVolumeNt(handle.get(), kDismountAndUnlock)) << "nothing left to unlock";
  EXPECT_FALSE(LockVolumeNt(handle.get(), 3));
}

struct WriteTestCase {
  win::DWORD error;
  const char* message;
  win::BYTE stop;
};

TEST_F(VolumeLockNt, WriteTestTurnsEachErrorIntoItsMessage) {
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

TEST_F(VolumeLockNt, WriteTestCreatesAndDeletesItsFile) {
  win::BYTE stop = 1;
  std::string message = "untouched";
  TestMediaWritable(&entry, &stop, &message);
  EXPECT_EQ(stop, 0);
  EXPECT_EQ(message, "untouched");
  EXPECT_EQ(machine.Volume('E').created, (std::vector<std::string>{"\\Temp.txt"}));
  EXPECT_EQ(machine.Volume('E').deleted, (std::vector<std::string>{"\\Temp.txt"}));
}

TEST_F(VolumeLockNt, ExistingTempFileLeavesEverythingAsItWas) {
  machine.Volume('E').existing = {"\\TEMP.TXT"};
  win::BYTE stop = 7;
  std::string message = "untouched";
  TestMediaWritable(&entry, &stop, &message);
  EXPECT_EQ(stop, 7);
  EXPECT_EQ(message, "untouched");
  EXPECT_TRUE(machine.Volume('E').deleted.empty()) << "the user's file stays";
}

TEST_F(VolumeLockNt, DriveLetterPresence) {
  EXPECT_TRUE(IsDriveLetterPresent('E'));
  EXPECT_FALSE(IsDriveLetterPresent('Q'));
  EXPECT_TRUE(IsDriveLetterPresent('e')) << "'e' - 'A' is 36, taken modulo 32";
}

}  // namespace
}  // namespace tarnlok

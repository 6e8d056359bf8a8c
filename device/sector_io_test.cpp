#include "device/sector_io.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_reader.h"
#include "device/volume_lock.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnlok {
namespace {

using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::StandInMachine;

class SectorIoNt : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    OsKind = kOsWindowsXp;
    ReaderSetup setup;
    setup.image = NumberedImage(32);
    reader = &machine.Add('E', setup);
    handle = OpenCardVolume('E');
  }
  StandInMachine machine{win::WindowsVersion::Xp};
  test_support::StandInReader* reader = nullptr;
  DriveHandle handle;
};

TEST_F(SectorIoNt, ReadsAndWritesWholeSectorsThroughTheVolumeHandle) {
  std::vector<win::BYTE> buffer(3 * 512, 0);
  ASSERT_EQ(AbsoluteSectorIo({handle.get(), 7, 3, buffer.data(), kSectorRead}), 0);
  EXPECT_EQ(buffer[0], 7);
  EXPECT_EQ(buffer[1024], 9);
  std::fill(buffer.begin(), buffer.end(), 0x5A);
  ASSERT_EQ(AbsoluteSectorIo({handle.get(), 30, 2, buffer.data(), kSectorWrite}), 0);
  EXPECT_EQ(reader->Setup().image[30 * 512], 0x5A);
  EXPECT_EQ(reader->Setup().image[32 * 512 - 1], 0x5A);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 0, 1, buffer.data(), 42}), 0) << "anything but 128 reads";
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(SectorIoNt, FailuresAreReported) {
  std::vector<win::BYTE> buffer(4 * 512, 0);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 0, 0, buffer.data(), kSectorRead}), 1) << "nothing moved";
  EXPECT_EQ(AbsoluteSectorIo({win::INVALID_HANDLE_VALUE, 0, 1, buffer.data(), kSectorRead}), 1);
  EXPECT_EQ(AbsoluteSectorIo({nullptr, 0, 1, buffer.data(), kSectorRead}), 1);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 30, 4, buffer.data(), kSectorRead}), 1)
      << "two of four sectors lie past the card: a short read is no success";
  reader->Setup().writeProtected = true;
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 0, 1, buffer.data(), kSectorWrite}), 1);
  reader->Setup().failReads = true;
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 0, 1, buffer.data(), kSectorRead}), 1);
}

class Windows98 : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    OsKind = kOsWindows98;
    image = NumberedImage(32);
    machine.Vwin32().drives['E'] = &image;
    vwin32 = win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(vwin32, win::INVALID_HANDLE_VALUE);
    CardDriveLetter = 'E';
  }
  void TearDown() override {
    win::CloseHandle(vwin32);
    DeviceStateTest::TearDown();
  }
  StandInMachine machine{win::WindowsVersion::Win98};
  std::vector<win::BYTE> image;
  win::HANDLE vwin32 = win::INVALID_HANDLE_VALUE;
};

TEST_F(Windows98, SectorsMoveThroughTheAbsoluteDiskServices) {
  std::vector<win::BYTE> buffer(2 * 512, 0);
  ASSERT_EQ(AbsoluteSectorIo({vwin32, 4, 2, buffer.data(), kSectorRead}), 0);
  EXPECT_EQ(buffer[0], 4);
  EXPECT_EQ(buffer[512], 5);
  const auto& read = machine.Vwin32().requests.back();
  EXPECT_EQ(read[2], 0xFFFFFFFFu) << "ECX";
  EXPECT_EQ(read[3], 4u) << "EAX: drive E";
  EXPECT_EQ(read[6], 1u) << "Flags 1 for a read";
  EXPECT_EQ(machine.Vwin32().codes.back(), win::VWIN32_DIOC_DOS_INT25);

  std::fill(buffer.begin(), buffer.end(), 0xA5);
  ASSERT_EQ(AbsoluteSectorIo({vwin32, 10, 1, buffer.data(), kSectorWrite}), 0);
  EXPECT_EQ(image[10 * 512], 0xA5);
  EXPECT_EQ(image[11 * 512], 11) << "one sector only";
  EXPECT_EQ(machine.Vwin32().codes.back(), win::VWIN32_DIOC_DOS_INT26);
  EXPECT_EQ(machine.Vwin32().requests.back()[6], 0u);
}

TEST_F(Windows98, ServiceErrorsAreReportedUnlessTheDriveLetterRoadIsUsed) {
  std::vector<win::BYTE> buffer(512, 0);
  EXPECT_EQ(AbsoluteSectorIo({vwin32, 40, 1, buffer.data(), kSectorRead}), 1) << "past the card";
  UseDriveLetterIo = 1;
  EXPECT_EQ(AbsoluteSectorIo({vwin32, 40, 1, buffer.data(), kSectorRead}), 0)
      << "the drive-letter road looks at the call's result only";
}

TEST_F(Windows98, VolumeLockFallsBackToTheOlderForm) {
  machine.Vwin32().refuseExtendedLock = true;
  EXPECT_TRUE(LockVolume9x(vwin32, 5, 0, 2));
  const auto& requests = machine.Vwin32().requests;
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0][2], 0x484Au);
  EXPECT_EQ(requests[1][2], 0x084Au);
  EXPECT_EQ(requests[1][0], 5u) << "EBX: lock level 0, drive 5";
  EXPECT_EQ(requests[1][1], 2u) << "EDX: permissions";
  EXPECT_EQ(requests[1][3], 0x440Du);
  machine.Vwin32().refuseLocks = true;
  EXPECT_FALSE(UnlockVolume9x(vwin32, 5));
  EXPECT_EQ(requests[2][2], 0x486Au);
  EXPECT_EQ(requests[3][2], 0x086Au);
}

TEST_F(Windows98, MediaVolumeTakesBothLocksAndGivesBackOnlyThoseHeld) {
  DeviceEntry entry;
  entry.driveLetter = 'E';
  entry.deviceKind = kCompactFlash;
  entry.hostAdapter = entry.target = entry.lun = kNoAspiAddress;
  win::BYTE volume = 0, second = 0;
  LockMediaVolume(nullptr, vwin32, &entry, 1, &volume, &second, nullptr);
  EXPECT_EQ(volume, 1);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(machine.Vwin32().requests[0][0], 5u) << "drive number of E";
  EXPECT_EQ(machine.Vwin32().requests[1][1], 4u) << "the second lock's permissions";
  second = 0;
  LockMediaVolume(nullptr, vwin32, &entry, 0, &volume, &second, nullptr);
  EXPECT_EQ(volume, 0);
  EXPECT_EQ(machine.Vwin32().requests.size(), 3u) << "one unlock, for the one lock still held";
}

}  // namespace
}  // namespace tarnlok

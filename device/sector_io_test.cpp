#include "device/sector_io.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "device/volume_lock.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/files/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnlok {
namespace {

using machine::test_support::SectorMark;
using machine::test_support::WriteNumberedImage;

// One CompactFlash reader on E: with a card of 32 numbered sectors and no partition table, so
// the volume's sectors are the card's.
std::string OneReader(const std::string& windows, const std::string& faults = "[]") {
  WriteNumberedImage("card.img", 32);
  return R"({ "version": 1, "windows": ")" + windows + R"(", "readers": [
    { "bus": "usb", "maker": true, "letter": "E",
      "card": { "kind": "cf", "image": "card.img", "sectors": 32, "faults": )" +
         faults + R"( } } ] })";
}

class SectorIoNt : public test_support::MachineDeviceTest {
 protected:
  void StartXp(const std::string& faults = "[]") {
    Start(OneReader("xp", faults), kOsWindowsXp);
    handle = OpenCardVolume('E');
  }
  void TearDown() override {
    handle = DriveHandle();
    MachineDeviceTest::TearDown();
  }
  DriveHandle handle;
};

TEST_F(SectorIoNt, ReadsAndWritesWholeSectorsThroughTheVolumeHandle) {
  StartXp();
  std::vector<win::BYTE> buffer(3 * 512, 0);
  ASSERT_EQ(AbsoluteSectorIo({handle.get(), 7, 3, buffer.data(), kSectorRead}), 0);
  EXPECT_EQ(SectorMark(buffer), 7u);
  EXPECT_EQ(SectorMark(buffer, 1024), 9u);
  std::fill(buffer.begin(), buffer.end(), 0x5A);
  ASSERT_EQ(AbsoluteSectorIo({handle.get(), 30, 2, buffer.data(), kSectorWrite}), 0);
  std::vector<win::BYTE> back(3 * 512, 0);
  ASSERT_EQ(AbsoluteSectorIo({handle.get(), 29, 3, back.data(), kSectorRead}), 0);
  EXPECT_EQ(SectorMark(back), 29u) << "the sector before stays";
  EXPECT_EQ(back[512], 0x5A);
  EXPECT_EQ(back[3 * 512 - 1], 0x5A);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 0, 1, buffer.data(), 42}), 0) << "anything but 128 reads";
  EXPECT_EQ(SectorMark(buffer), 0u);
}

TEST_F(SectorIoNt, FailuresAreReported) {
  StartXp(R"([ { "op": "read", "sector": 3, "times": "always" } ])");
  std::vector<win::BYTE> buffer(4 * 512, 0);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 0, 0, buffer.data(), kSectorRead}), 1) << "nothing moved";
  EXPECT_EQ(AbsoluteSectorIo({win::INVALID_HANDLE_VALUE, 0, 1, buffer.data(), kSectorRead}), 1);
  EXPECT_EQ(AbsoluteSectorIo({nullptr, 0, 1, buffer.data(), kSectorRead}), 1);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 30, 4, buffer.data(), kSectorRead}), 1) << "past the card";
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 3, 1, buffer.data(), kSectorRead}), 1) << "a sector that fails";
  machine_->SetWriteProtected('E', true);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 0, 1, buffer.data(), kSectorWrite}), 1);
}

// The machine's handles move all that is asked or fail; only a stand-in reader moves less and
// calls it success, as a volume handle does at the end of its volume.
using SectorIoShortTransfer = test_support::StandInXpTest;

TEST_F(SectorIoShortTransfer, AShortReadIsNoSuccess) {
  test_support::ReaderSetup setup;
  setup.image = test_support::NumberedImage(32);
  machine.Add('E', setup);
  const DriveHandle handle = OpenCardVolume('E');
  std::vector<win::BYTE> buffer(4 * 512, 0);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 30, 4, buffer.data(), kSectorRead}), 1)
      << "two of four sectors lie past the card";
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 28, 4, buffer.data(), kSectorRead}), 0);
}

// On Windows 9x sectors and locks go through "\\.\vwin32"; drive numbers count A: as 1 for the
// locks and as 0 for the sector services.
class SectorIo9x : public test_support::MachineDeviceTest {
 protected:
  void Start9x(const std::string& windows, win::BYTE osKind) {
    Start(OneReader(windows), osKind);
    vwin32 = win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(vwin32, win::INVALID_HANDLE_VALUE);
    CardDriveLetter = 'E';
  }
  void TearDown() override {
    if (vwin32 != win::INVALID_HANDLE_VALUE) win::CloseHandle(vwin32);
    MachineDeviceTest::TearDown();
  }
  win::HANDLE vwin32 = win::INVALID_HANDLE_VALUE;
};

constexpr win::BYTE kDriveE = 5;

TEST_F(SectorIo9x, SectorsMoveThroughTheAbsoluteDiskServices) {
  Start9x("98", kOsWindows98);
  std::vector<win::BYTE> buffer(2 * 512, 0);
  ASSERT_EQ(AbsoluteSectorIo({vwin32, 4, 2, buffer.data(), kSectorRead}), 0);
  EXPECT_EQ(SectorMark(buffer), 4u);
  EXPECT_EQ(SectorMark(buffer, 512), 5u);

  std::fill(buffer.begin(), buffer.end(), 0xA5);
  ASSERT_EQ(AbsoluteSectorIo({vwin32, 10, 1, buffer.data(), kSectorWrite}), 0);
  std::vector<win::BYTE> back(2 * 512, 0);
  ASSERT_EQ(AbsoluteSectorIo({vwin32, 10, 2, back.data(), kSectorRead}), 0);
  EXPECT_EQ(back[0], 0xA5);
  EXPECT_EQ(SectorMark(back, 512), 11u) << "one sector only";
}

TEST_F(SectorIo9x, ServiceErrorsAreReportedUnlessTheDriveLetterRoadIsUsed) {
  Start9x("98", kOsWindows98);
  std::vector<win::BYTE> buffer(512, 0);
  EXPECT_EQ(AbsoluteSectorIo({vwin32, 40, 1, buffer.data(), kSectorRead}), 1) << "past the card";
  UseDriveLetterIo = 1;
  EXPECT_EQ(AbsoluteSectorIo({vwin32, 40, 1, buffer.data(), kSectorRead}), 0)
      << "the drive-letter road looks at the call's result only";
}

TEST_F(SectorIo9x, VolumeLockFallsBackToTheOlderFormOnWindows95) {
  Start9x("95", kOsWindows95);
  EXPECT_TRUE(LockVolume9x(vwin32, kDriveE, 0, 2)) << "Windows 95 knows only the older form";
  EXPECT_TRUE(UnlockVolume9x(vwin32, kDriveE));
  EXPECT_FALSE(UnlockVolume9x(vwin32, kDriveE)) << "nothing left to unlock in either form";
}

TEST_F(SectorIo9x, MediaVolumeTakesBothLocksAndGivesBackOnlyThoseHeld) {
  Start9x("98", kOsWindows98);
  DeviceEntry entry;
  entry.driveLetter = 'E';
  entry.deviceKind = kCompactFlash;
  entry.hostAdapter = entry.target = entry.lun = kNoAspiAddress;
  win::BYTE volume = 0, second = 0;
  LockMediaVolume(nullptr, vwin32, &entry, 1, &volume, &second, nullptr);
  EXPECT_EQ(volume, 1);
  EXPECT_EQ(second, 1);
  second = 0;
  LockMediaVolume(nullptr, vwin32, &entry, 0, &volume, &second, nullptr);
  EXPECT_EQ(volume, 0);
  EXPECT_TRUE(UnlockVolume9x(vwin32, kDriveE)) << "the second lock is still held on E:";
  EXPECT_FALSE(UnlockVolume9x(vwin32, kDriveE));
}

}  // namespace
}  // namespace tarnlok

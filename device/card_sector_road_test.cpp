// The one road plain sectors take to a card, for reads and writes alike: the road per bus kind,
// Windows version and run flags, and the pieces and handles the roads move sectors with on a
// described machine.
#include "device/card_sector_road.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_nt.h"
#include "device/sector_io.h"
#include "device/testing/machine_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/files/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnlok {
namespace {

using machine::test_support::SectorMark;
using machine::test_support::WriteNumberedImage;
using test_support::EntryAt;

struct RoadCase {
  win::BYTE busKind;
  win::BYTE osKind;
  win::DWORD plainSectors;
  win::DWORD driveLetter;
  SectorRoad road;
};

// The conditions are tested in order: the drive-letter road of the ATA buses, ATA commands
// below Windows 2000, floppy drives and plain sector access, then READ(10) and WRITE(10).
constexpr RoadCase kRoads[] = {
    {kBusIde, kOsWindows98, 0, 1, SectorRoad::kDriveLetter},
    {kBusPcmcia, kOsWindowsXp, 1, 1, SectorRoad::kDriveLetter},
    {kBusIde, kOsWindows95, 0, 0, SectorRoad::kAta},
    {kBusPcmcia, kOsWindowsMe, 1, 0, SectorRoad::kAta},
    {kBusIde, kOsWindowsNt4, 0, 0, SectorRoad::kAta},
    {kBusIde, kOsWindows2000, 0, 0, SectorRoad::kScsi},
    {kBusPcmcia, kOsWindowsXp, 1, 0, SectorRoad::kAbsolute},
    {kBusUsb, kOsWindows98, 0, 0, SectorRoad::kScsi},
    {kBusUsb, kOsWindowsXp, 0, 1, SectorRoad::kScsi},
    {kBusUsb, kOsWindowsXp, 1, 0, SectorRoad::kAbsolute},
    {kBusUsb, kOsWindowsNt4, 1, 0, SectorRoad::kAbsolute},
    {kBusFloppy, kOsWindows98, 0, 0, SectorRoad::kAbsolute},
    {kBusFloppy, kOsWindowsXp, 0, 1, SectorRoad::kAbsolute},
    {kBusLs120, kOsWindowsXp, 0, 0, SectorRoad::kScsi},
    {kBusOther, kOsWindows2000, 1, 0, SectorRoad::kAbsolute},
};

class SectorRoadChoice : public test_support::DeviceStateTest {};

TEST_F(SectorRoadChoice, EachBusAndSystemTakesItsRoad) {
  for (const RoadCase& row : kRoads) {
    DeviceEntry entry;
    entry.busKind = row.busKind;
    OsKind = row.osKind;
    // Operations set the bus flags from the entry's bus kind when they open the card.
    CardOnIdeBus = row.busKind == kBusIde ? 1 : 0;
    CardOnPcmciaBus = row.busKind == kBusPcmcia ? 1 : 0;
    UsePlainSectorIo = row.plainSectors;
    UseDriveLetterIo = row.driveLetter;
    EXPECT_EQ(SectorRoadFor(entry), row.road) << "bus " << int{row.busKind} << " on OsKind " << int{row.osKind}
                                              << ", plain " << row.plainSectors << ", letter " << row.driveLetter;
  }
}

// A USB reader on E: whose card has numbered sectors.
std::string UsbReader(const std::string& windows, int sectors) {
  WriteNumberedImage("road-card.img", static_cast<std::uint64_t>(sectors));
  return test_support::MachineJson(windows, R"({ "bus": "usb", "maker": true, "letter": "E",
      "card": { "kind": "cf", "image": "road-card.img", "sectors": )" +
                                                std::to_string(sectors) + " } }");
}

class SectorRoadOnMachine : public test_support::MachineDeviceTest {};

TEST_F(SectorRoadOnMachine, ALongReadIsCutIntoTransfersThePassThroughCarries) {
  Start(UsbReader("xp", 400), kOsWindowsXp);
  ASSERT_EQ(EnumDevicesNt(), 1);
  const DriveHandle card = OpenCardVolume('E');
  constexpr win::DWORD kSectors = 300;  // more than one pass-through area and than a count byte
  std::vector<win::BYTE> buffer(kSectors * kCardSectorBytes, 0);
  ASSERT_TRUE(ReadCardSectors(card.get(), *EntryAt('E'), 50, kSectors, kCardSectorBytes, buffer.data()));
  for (win::DWORD n = 0; n < kSectors; n += 37) EXPECT_EQ(SectorMark(buffer, n * kCardSectorBytes), 50 + n) << n;
  EXPECT_EQ(SectorMark(buffer, (kSectors - 1) * kCardSectorBytes), 50 + kSectors - 1);
}

// On Windows 9x the drive-letter road moves sectors through the handle the run opened for the
// card, for writes as for reads, whatever Vwin32Handle holds.
TEST_F(SectorRoadOnMachine, TheDriveLetterRoadWritesThroughTheCardHandle) {
  Start(UsbReader("98", 64), kOsWindows98);
  const win::HANDLE vwin32 = win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(vwin32, win::INVALID_HANDLE_VALUE);
  CardDriveLetter = 'E';
  CardOnIdeBus = 1;
  UseDriveLetterIo = 1;
  DeviceEntry entry;
  entry.busKind = kBusIde;
  entry.driveLetter = 'E';

  const std::vector<win::BYTE> data(2 * kCardSectorBytes, 0x6B);
  EXPECT_TRUE(WriteCardSectors(vwin32, entry, 20, data));
  std::vector<win::BYTE> back(3 * kCardSectorBytes, 0);
  EXPECT_TRUE(ReadCardSectors(vwin32, entry, 20, 3, kCardSectorBytes, back.data()));
  EXPECT_EQ(back[0], 0x6B);
  EXPECT_EQ(back[2 * kCardSectorBytes - 1], 0x6B);
  EXPECT_EQ(SectorMark(back, 2 * kCardSectorBytes), 22u) << "the sector after stays";
  win::CloseHandle(vwin32);
}

// A card that reports sectors shorter than 512 bytes, read by the absolute services (which
// always move 512), is refused rather than read past the end of a buffer sized by its sectors.
TEST_F(SectorRoadOnMachine, TheAbsoluteRoadRefusesSectorsShorterThanItsOwn) {
  Start(UsbReader("xp", 64), kOsWindowsXp);
  ASSERT_EQ(EnumDevicesNt(), 1);
  const DriveHandle card = OpenCardVolume('E');
  UsePlainSectorIo = 1;
  constexpr win::DWORD kSectors = 4;
  constexpr win::DWORD kShortSector = 256;
  constexpr win::BYTE kGuard = 0xEE;
  std::vector<win::BYTE> buffer(2 * kSectors * kShortSector, kGuard);
  EXPECT_FALSE(ReadCardSectors(card.get(), *EntryAt('E'), 8, kSectors, kShortSector, buffer.data()));
  for (std::size_t at = kSectors * kShortSector; at < buffer.size(); ++at) ASSERT_EQ(buffer[at], kGuard) << at;
  EXPECT_TRUE(ReadCardSectors(card.get(), *EntryAt('E'), 8, 1, kCardSectorBytes, buffer.data()));
  EXPECT_EQ(SectorMark(buffer, 0), 8u);
}

}  // namespace
}  // namespace tarnlok

#include "device/media_capacity.h"
#include "device/volume_lock.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/reader_commands.h"
#include "device/testing/blank_images.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/files/volumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarnlok {
namespace {

using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::VendorForm;
using test_support::WriteBlankImage;

struct Measured {
  int result = -1;
  win::DWORD sizeOrCode = 0xDEAD, sectorsOrBlocks = 0xDEAD, sectorsPerBlock = 0xDEAD, bytesPerSector = 0xDEAD;
  win::BYTE writeProtected = 0;
};

Measured MeasureWith(win::HANDLE handle, DeviceEntry& entry) {
  Measured m;
  m.result = GetMediaCapacity(handle, &entry, &m.sizeOrCode, &m.sectorsOrBlocks, &m.sectorsPerBlock, &m.writeProtected,
                              &m.bytesPerSector);
  return m;
}

// The maker's USB reader on E: with a card (a JSON object).
std::string MakersReader(const std::string& card) {
  return R"({"bus":"usb","maker":true,"letter":"E","card":)" + card + "}";
}

// Each case describes its machine, lists the entry as the device list would with the kind
// given, and measures the card through the volume handle (on Windows 9x through ASPI).
class MediaCapacity : public test_support::MachineDeviceTest {
 protected:
  Measured Measure(const std::string& json, win::BYTE deviceKind, win::BYTE osKind = kOsWindowsXp) {
    Stop();
    Start(json, osKind);
    entry.deviceKind = deviceKind;
    entry.driveLetter = 'E';
    DriveHandle handle = OpenCardVolume('E');
    return MeasureWith(handle.get(), entry);
  }
  // The card (a JSON object) in the maker's USB reader on E: of an XP machine.
  Measured MeasureOnXp(const std::string& card, win::BYTE deviceKind) {
    return Measure(test_support::MachineJson("xp", MakersReader(card)), deviceKind);
  }
  DeviceEntry entry;
};

TEST_F(MediaCapacity, PlainCardCountsEverySectorOfTheCard) {
  WriteBlankImage("capacity-cf.img", 2048);
  const Measured c = MeasureOnXp(R"({"kind":"cf","image":"capacity-cf.img","sectors":2048})", kCompactFlash);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sectorsOrBlocks, 2048u) << "the last sector belongs to the card";
  EXPECT_EQ(c.bytesPerSector, 512u);
  EXPECT_EQ(c.sectorsPerBlock, 63u);
  EXPECT_EQ(c.sizeOrCode, 2048u / 1953);
  EXPECT_EQ(c.writeProtected, 0);
  EXPECT_EQ(entry.deviceKind, kMmcSd) << "a kind whose status was not asked becomes MMC/SD";
  EXPECT_EQ(UsePlainSectorIo, 0u);
}

TEST_F(MediaCapacity, SizeIsCountedInMillionsOfBytes) {
  WriteBlankImage("capacity-cf.img", 125440);
  const Measured c = MeasureOnXp(R"({"kind":"cf","image":"capacity-cf.img","sectors":125440})", kCompactFlash);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sectorsOrBlocks, 125440u);
  EXPECT_EQ(c.sizeOrCode, 64u) << "not 61 binary megabytes";
}

TEST_F(MediaCapacity, WriteProtectionFromModeSenseOrTheReaderStatus) {
  WriteBlankImage("capacity-cf.img", 2048);
  EXPECT_EQ(MeasureOnXp(R"({"kind":"cf","image":"capacity-cf.img","sectors":2048,
                                                     "writeProtected":true})",
                        kCompactFlash)
                .writeProtected,
            1)
      << "MODE SENSE tells";

  // A SmartMedia entry skips MODE SENSE: the status word's bit tells.
  const Measured c = Measure(
      test_support::MachineJson(
          "xp", MakersReader(R"({"kind":"sm","image":"capacity-sm.img","deviceCode":115,"writeProtected":true})")),
      kSmartMedia);
  EXPECT_EQ(c.writeProtected, 1);
  EXPECT_EQ(c.result, 1);
}

TEST_F(MediaCapacity, SmartMediaGeometryFromTheCardId) {
  const Measured c = MeasureOnXp(R"({"kind":"sm","image":"capacity-sm.img","deviceCode":115})", kSmartMediaReader);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sizeOrCode, 5u);
  EXPECT_EQ(c.sectorsPerBlock, 32u);
  EXPECT_EQ(c.sectorsOrBlocks, 1024u);
  EXPECT_EQ(c.bytesPerSector, 512u);
  EXPECT_EQ(entry.deviceKind, kSmartMedia);

  const Measured large = MeasureOnXp(R"({"kind":"sm","image":"capacity-large.img","deviceCode":113})", kSmartMedia);
  EXPECT_EQ(large.result, 1);
  EXPECT_EQ(large.sizeOrCode, 9u) << "capacity knows the codes above 8";
}

TEST_F(MediaCapacity, MemoryStickGeometryOrTheProAsADisk) {
  const Measured c =
      Measure(test_support::MachineJson(
                  "xp", MakersReader(R"({"kind":"ms","image":"capacity-ms.img","blocks":512,"pagesPerBlock":16})")),
              kMemoryStick);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sizeOrCode, 32u);
  EXPECT_EQ(c.sectorsOrBlocks, 512u);
  EXPECT_EQ(c.sectorsPerBlock, 16u);
  EXPECT_EQ(entry.deviceKind, kMemoryStick);

  WriteBlankImage("capacity-pro.img", 4096);
  const Measured pro = MeasureOnXp(R"({"kind":"mspro","image":"capacity-pro.img","sectors":4096})", kMemoryStickReader);
  EXPECT_EQ(pro.result, 1) << "a Pro that tells no geometry is measured as a disk";
  EXPECT_EQ(pro.sectorsOrBlocks, 4096u);
  EXPECT_EQ(entry.deviceKind, kMemoryStickPro);
}

TEST_F(MediaCapacity, NoCardNoCapacity) {
  EXPECT_EQ(MeasureOnXp(R"({"kind":"none"})", kSmartMedia).result, 0);
  EXPECT_EQ(MeasureOnXp(R"({"kind":"none"})", kCompactFlash).result, 0) << "READ CAPACITY without a card moves nothing";
}

// A floppy drive listed as a card reader has no SCSI road: its disk geometry stands in for
// READ CAPACITY, and the card's sectors are moved without commands from then on.
TEST_F(MediaCapacity, DiskGeometryStandsInForReadCapacity) {
  machine::test_support::WriteNumberedImage("capacity-a.img", 2880);
  const std::string floppy = R"({"bus":"floppy","letter":"E","card":{"kind":"floppy","image":"capacity-a.img"}})";
  const Measured c = Measure(test_support::MachineJson("xp", floppy), kCompactFlash);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sectorsOrBlocks, 2880u);
  EXPECT_EQ(UsePlainSectorIo, 1u);

  EXPECT_EQ(
      Measure(test_support::MachineJson("xp", R"({"bus":"floppy","letter":"E","card":{"kind":"none"}})"), kCompactFlash)
          .result,
      0)
      << "no disk, no geometry";
}

// Another maker's reader: the size comes from the volume on the letter, not from the sectors.
TEST_F(MediaCapacity, OtherMakersReaderTakesTheVolumeSize) {
  entry.otherMakerFlag = 1;
  const Measured c = Measure(
      test_support::MachineJson(
          "xp", R"({"bus":"usb","letter":"E","card":{"kind":"mmcsd","image":"capacity-sd.img","sectors":16384}})"),
      kCompactFlash);
  win::ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(win::GetDiskFreeSpaceExA("E:\\", &available, &total, &free));
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sizeOrCode, total.QuadPart >> 20);
  EXPECT_NE(c.sizeOrCode, 16384u / 1953) << "not the card's sectors";
  EXPECT_EQ(c.sectorsOrBlocks, 16384u);
  EXPECT_EQ(entry.deviceKind, kMmcSd);
}

// Another maker's reader listed with a raw flash kind skips the first MODE SENSE; its card is
// measured as a plain one and asked again.
TEST_F(MediaCapacity, OtherMakersReaderAsksModeSenseForWriteProtection) {
  entry.otherMakerFlag = 1;
  const Measured c = Measure(
      test_support::MachineJson("xp", R"({"bus":"usb","letter":"E","card":{"kind":"mmcsd","image":"capacity-sd.img",
                                                  "sectors":16384,"writeProtected":true}})"),
      kSmartMedia);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(entry.deviceKind, kMmcSd);
  EXPECT_EQ(c.writeProtected, 1);
}

TEST_F(MediaCapacity, WindowsNt4AsksThroughPassThroughLikeTheRestOfTheNtFamily) {
  WriteBlankImage("capacity-cf.img", 2048);
  const std::string reader = MakersReader(R"({"kind":"cf","image":"capacity-cf.img","sectors":2048})");
  const Measured nt4 = Measure(test_support::MachineJson("nt4", reader), kCompactFlash, kOsWindowsNt4);
  EXPECT_EQ(nt4.result, 1) << "an NT entry has no ASPI address to ask";
  EXPECT_EQ(nt4.sectorsOrBlocks, 2048u);
  const Measured w2k = Measure(test_support::MachineJson("2000", reader), kCompactFlash, kOsWindows2000);
  EXPECT_EQ(w2k.result, 1);
  EXPECT_EQ(w2k.sectorsOrBlocks, 2048u);
}

TEST_F(MediaCapacity, MissingOutputsFail) {
  WriteBlankImage("capacity-cf.img", 2048);
  Start(test_support::MachineJson("xp", MakersReader(R"({"kind":"cf","image":"capacity-cf.img","sectors":2048})")),
        kOsWindowsXp);
  DriveHandle handle = OpenCardVolume('E');
  entry.deviceKind = kCompactFlash;
  win::DWORD value = 0;
  EXPECT_EQ(GetMediaCapacity(handle.get(), &entry, nullptr, &value, &value, nullptr, nullptr), 0);
  EXPECT_EQ(GetMediaCapacity(handle.get(), &entry, &value, nullptr, &value, nullptr, nullptr), 0);
  EXPECT_EQ(GetMediaCapacity(handle.get(), &entry, &value, &value, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(GetMediaCapacity(handle.get(), nullptr, &value, &value, &value, nullptr, nullptr), 0);
  EXPECT_EQ(GetMediaCapacity(handle.get(), &entry, &value, &value, &value, nullptr, nullptr), 1)
      << "write protection and sector size may be left out";
}

// On Windows 9x the commands travel through ASPI to the entry's address.
TEST_F(MediaCapacity, PlainCardThroughAspi) {
  WriteBlankImage("capacity-cf.img", 125440);
  const Measured c = Measure(
      test_support::MachineJson("98", MakersReader(R"({"kind":"cf","image":"capacity-cf.img","sectors":125440})")),
      kCompactFlash, kOsWindows98);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sectorsOrBlocks, 125440u);
  EXPECT_EQ(c.sizeOrCode, 64u);
  EXPECT_EQ(UsePlainSectorIo, 0u);
}

TEST_F(MediaCapacity, RawFlashThroughAspi) {
  const Measured c = Measure(
      test_support::MachineJson("98", MakersReader(R"({"kind":"sm","image":"capacity-sm.img","deviceCode":115})")),
      kSmartMedia, kOsWindows98);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sizeOrCode, 5u);
  EXPECT_EQ(
      Measure(test_support::MachineJson("98", MakersReader(R"({"kind":"none"})")), kSmartMedia, kOsWindows98).result, 0)
      << "no card";
}

// A drive that takes no commands is measured by its volume's own count. Its card leaves after
// one command, so a command sent to it would show as a pulled card.
TEST_F(MediaCapacity, DriveWithoutCommandsTakesTheVolumeCount) {
  WriteBlankImage("capacity-cf.img", 2048);
  entry.noCommandFlag = 1;
  entry.volumeSectorCount = 4000;
  const Measured c = Measure(
      test_support::MachineJson(
          "98", MakersReader(R"({"kind":"cf","image":"capacity-cf.img","sectors":2048,"pulledAfterCommands":1})")),
      kCompactFlash, kOsWindows98);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sectorsOrBlocks, 4000u) << "the volume's own count, taken as it is";
  EXPECT_EQ(UsePlainSectorIo, 1u);
  const auto held = machine_->ReaderAt('E')->Held();
  ASSERT_TRUE(held.has_value());
  EXPECT_TRUE(held->reachable) << "nothing was sent";
  entry.volumeSectorCount = 0;
  EXPECT_EQ(MeasureWith(nullptr, entry).result, 0);
}

// On Windows 9x a floppy drive's size is its disk's geometry, as on the NT family: the
// free-space query counts only the data clusters (2847 of 2880 sectors) and gives nothing while
// the volume is locked.
TEST_F(MediaCapacity, FloppyDriveFromItsGeometryOn9x) {
  std::filesystem::remove(test_support::TestDataHome() / "capacity-floppy.img");
  const std::string floppy = R"({"bus":"floppy","letter":"E","card":{"kind":"floppy","image":"capacity-floppy.img"}})";
  entry.busKind = kBusFloppy;
  Stop();
  Start(test_support::MachineJson("98", floppy), kOsWindows98);
  entry.deviceKind = kMmcSd;
  entry.driveLetter = 'E';
  Vwin32Handle = win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Vwin32Handle, win::INVALID_HANDLE_VALUE);
  ASSERT_TRUE(LockVolume9x(Vwin32Handle, 5, 0, 2)) << "a whole backup holds the volume locked";
  const Measured c = MeasureWith(win::INVALID_HANDLE_VALUE, entry);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sectorsOrBlocks, 2880u) << "every sector of the disk";
  EXPECT_EQ(c.sizeOrCode, 1u);
  EXPECT_EQ(c.sectorsPerBlock, 1u);
  EXPECT_EQ(c.bytesPerSector, 512u);
  EXPECT_EQ(entry.deviceKind, 0);
  EXPECT_TRUE(UnlockVolume9x(Vwin32Handle, 5));

  // The refresh of a page hands its own vwin32 handle.
  const win::HANDLE own = win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(MeasureWith(own, entry).sectorsOrBlocks, 2880u);
  win::CloseHandle(own);

  EXPECT_EQ(Measure(test_support::MachineJson("98", R"({"bus":"floppy","letter":"E","card":{"kind":"none"}})"), kMmcSd,
                    kOsWindows98)
                .result,
            0)
      << "no disk";
}

// Replies no reader of the machine gives: nonsense block lengths, a last block of 0xFFFFFFFF,
// unknown card ids and Memory Stick geometries beyond the card format; and the record of the
// commands a reader got.
class MediaCapacityStandIn : public test_support::StandInXpTest {
 protected:
  Measured Measure(win::BYTE deviceKind) {
    entry.deviceKind = deviceKind;
    entry.driveLetter = 'E';
    DriveHandle handle = OpenCardVolume('E');
    return MeasureWith(handle.get(), entry);
  }
  test_support::StandInReader& Reader(ReaderSetup setup) { return machine.Add('E', std::move(setup)); }

  DeviceEntry entry;
};

ReaderSetup PlainCard(std::size_t sectors) {
  ReaderSetup setup;
  setup.image = NumberedImage(sectors);
  return setup;
}

ReaderSetup RawFlash(win::DWORD status, std::array<win::BYTE, 4> geometry) {
  ReaderSetup setup;
  setup.vendorForm = VendorForm::CommandFirst;
  setup.statusWord = status;
  setup.geometryReply = geometry;
  setup.image = NumberedImage(16);
  return setup;
}

TEST_F(MediaCapacityStandIn, NonsenseBlockLengthsFailCleanly) {
  for (const win::DWORD length : {win::DWORD{0}, win::DWORD{2000000}, win::DWORD{0xFFFFFFFF}}) {
    ReaderSetup setup = PlainCard(4);
    setup.readCapacityReply = {{100, length}};
    Reader(setup);
    EXPECT_EQ(Measure(kCompactFlash).result, 0) << length;
  }
  ReaderSetup zeroSectors = PlainCard(4);
  zeroSectors.readCapacityReply = {{0xFFFFFFFF, 512}};
  Reader(zeroSectors);
  EXPECT_EQ(Measure(kCompactFlash).result, 0) << "a last block of 0xFFFFFFFF names no countable card";
}

TEST_F(MediaCapacityStandIn, UnknownCardIdsAndGeometriesFail) {
  Reader(RawFlash(kStatusSmartMedia, {0, 0x42, 0, 0}));
  EXPECT_EQ(Measure(kSmartMedia).result, 0) << "unknown card id";
  Reader(RawFlash(kStatusMemoryStick, {0x00, 0x02, 33, 0}));
  EXPECT_EQ(Measure(kMemoryStick).result, 0) << "33 pages per block";
  Reader(RawFlash(kStatusMemoryStick, {0xFF, 0xFF, 16, 0}));
  EXPECT_EQ(Measure(kMemoryStick).result, 0) << "65535 blocks";
  Reader(RawFlash(kStatusMemoryStick, {0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Measure(kMemoryStickReader).result, 0) << "a plain Memory Stick must tell its geometry";
  Reader(RawFlash(kStatusMemoryStickPro | kStatusMemoryStick, {0x00, 0x20, 32, 0}));
  EXPECT_EQ(Measure(kMemoryStickReader).result, 1);
  EXPECT_EQ(entry.deviceKind, kMemoryStick) << "a Memory Stick Pro that tells a geometry is counted as a Memory Stick";
}

TEST_F(MediaCapacityStandIn, NoCardEndsBeforeAnyGeometryCommand) {
  auto& reader = Reader(RawFlash(kStatusSmartMedia, {0, 0x73, 0, 0}));
  reader.Setup().image.clear();
  EXPECT_EQ(Measure(kSmartMedia).result, 0);
  ASSERT_FALSE(reader.Cdbs().empty());
  for (const auto& cdb : reader.Cdbs()) {
    EXPECT_FALSE(cdb[0] == win::kScsiVendorCommand && cdb[1] == kVendorGeometry) << "no geometry command";
  }
}

}  // namespace
}  // namespace tarnlok

#include "device/media_capacity.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_aspi.h"
#include "device/testing/stand_in_reader.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::StandInMachine;
using test_support::VendorForm;

struct Capacity {
  int result = -1;
  win::DWORD sizeOrCode = 0xDEAD, sectorsOrBlocks = 0xDEAD, sectorsPerBlock = 0xDEAD, bytesPerSector = 0xDEAD;
  win::BYTE writeProtected = 0;
};

class MediaCapacity : public test_support::DeviceStateTest {
 protected:
  Capacity Measure(win::BYTE deviceKind, win::WindowsVersion version = win::WindowsVersion::Xp) {
    win::SetWindowsVersion(version);
    OsKind = version == win::WindowsVersion::Xp ? 7 : version == win::WindowsVersion::Win2000 ? 6 : 5;
    entry.deviceKind = deviceKind;
    entry.driveLetter = 'E';
    DriveHandle handle = OpenCardVolume('E');
    Capacity c;
    c.result = GetMediaCapacity(handle.get(), &entry, &c.sizeOrCode, &c.sectorsOrBlocks, &c.sectorsPerBlock,
                                &c.writeProtected, &c.bytesPerSector);
    return c;
  }
  test_support::StandInReader& Reader(ReaderSetup setup) { return machine.Add('E', std::move(setup)); }

  StandInMachine machine{win::WindowsVersion::Xp};
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

TEST_F(MediaCapacity, PlainCardCountsEverySectorOfTheCard) {
  Reader(PlainCard(2048));
  const Capacity c = Measure(kCompactFlash);
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
  ReaderSetup setup = PlainCard(4);
  setup.readCapacityReply = {{0x0001E9FF, 512}};
  Reader(setup);
  const Capacity c = Measure(kCompactFlash);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sectorsOrBlocks, 125440u);
  EXPECT_EQ(c.sizeOrCode, 64u);
}

TEST_F(MediaCapacity, NonsenseBlockLengthsFailCleanly) {
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

TEST_F(MediaCapacity, WriteProtectionFromModeSenseOrTheReaderStatus) {
  ReaderSetup plain = PlainCard(64);
  plain.writeProtected = true;
  Reader(plain);
  EXPECT_EQ(Measure(kCompactFlash).writeProtected, 1);

  ReaderSetup flash = RawFlash(0x200, {0, 0x73, 0, 0});
  flash.writeProtected = true;
  Reader(flash);
  const Capacity c = Measure(kSmartMedia);
  EXPECT_EQ(c.writeProtected, 1);
  EXPECT_EQ(c.result, 1);
}

TEST_F(MediaCapacity, SmartMediaGeometryFromTheCardId) {
  Reader(RawFlash(0x200, {0, 0x73, 0, 0}));
  const Capacity c = Measure(kSmartMediaReader);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sizeOrCode, 5u);
  EXPECT_EQ(c.sectorsPerBlock, 32u);
  EXPECT_EQ(c.sectorsOrBlocks, 1024u);
  EXPECT_EQ(c.bytesPerSector, 512u);
  EXPECT_EQ(entry.deviceKind, kSmartMedia);

  Reader(RawFlash(0x200, {0, 0xD5, 0, 0}));
  EXPECT_EQ(Measure(kSmartMedia).sizeOrCode, 12u) << "capacity knows the large codes";
  Reader(RawFlash(0x200, {0, 0x42, 0, 0}));
  EXPECT_EQ(Measure(kSmartMedia).result, 0) << "unknown card id";
}

TEST_F(MediaCapacity, MemoryStickGeometryIsChecked) {
  Reader(RawFlash(0x400, {0x00, 0x02, 16, 0}));
  const Capacity c = Measure(kMemoryStick);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sizeOrCode, 32u);
  EXPECT_EQ(c.sectorsOrBlocks, 512u);
  EXPECT_EQ(c.sectorsPerBlock, 16u);

  Reader(RawFlash(0x400, {0x00, 0x02, 33, 0}));
  EXPECT_EQ(Measure(kMemoryStick).result, 0) << "33 pages per block";
  Reader(RawFlash(0x400, {0xFF, 0xFF, 16, 0}));
  EXPECT_EQ(Measure(kMemoryStick).result, 0) << "65535 blocks";
  Reader(RawFlash(0x20000400, {0x00, 0x20, 32, 0}));
  const Capacity pro = Measure(kMemoryStickReader);
  EXPECT_EQ(pro.result, 1);
  EXPECT_EQ(entry.deviceKind, kMemoryStick) << "a Memory Stick Pro is counted as a Memory Stick";
  Reader(RawFlash(0x20000400, {0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Measure(kMemoryStickReader).result, 1) << "a Pro that tells no geometry is measured as a disk";
  EXPECT_EQ(entry.deviceKind, kMemoryStickPro);
  Reader(RawFlash(0x400, {0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Measure(kMemoryStickReader).result, 0) << "a plain Memory Stick must tell its geometry";
}

TEST_F(MediaCapacity, NoCardEndsBeforeAnyGeometryCommand) {
  auto& reader = Reader(RawFlash(0x200, {0, 0x73, 0, 0}));
  reader.Setup().image.clear();
  EXPECT_EQ(Measure(kSmartMedia).result, 0);
  for (const auto& cdb : reader.Cdbs()) {
    EXPECT_FALSE(cdb[0] == 0x20 && cdb[1] == 0x84) << "no geometry command";
  }
  Reader(PlainCard(0));
  EXPECT_EQ(Measure(kCompactFlash).result, 0) << "READ CAPACITY without a card moves nothing";
}

TEST_F(MediaCapacity, DiskGeometryStandsInForReadCapacity) {
  ReaderSetup setup = PlainCard(64);
  setup.refusesPassThrough = true;
  setup.diskGeometry = {{10, 4, 32, 512}};
  Reader(setup);
  const Capacity c = Measure(kCompactFlash);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sectorsOrBlocks, 10u * 4 * 32);
  EXPECT_EQ(UsePlainSectorIo, 1u);

  setup.diskGeometry.reset();
  Reader(setup);
  EXPECT_EQ(Measure(kCompactFlash).result, 0);
}

TEST_F(MediaCapacity, OtherMakersReaderTakesTheVolumeSize) {
  Reader(PlainCard(64));
  machine.Volume('E').totalBytes = 64ULL << 20;
  entry.otherMakerFlag = 1;
  const Capacity c = Measure(kCompactFlash);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sizeOrCode, 64u);
  EXPECT_EQ(entry.deviceKind, kMmcSd);
}

// Another maker's reader listed with a raw flash kind skips the first MODE SENSE; its card is
// measured as a plain one and asked again.
TEST_F(MediaCapacity, OtherMakersReaderAsksModeSenseForWriteProtection) {
  ReaderSetup plain = PlainCard(64);
  plain.writeProtected = true;
  Reader(plain);
  machine.Volume('E').totalBytes = 64ULL << 20;
  entry.otherMakerFlag = 1;
  const Capacity c = Measure(kSmartMedia);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(entry.deviceKind, kMmcSd);
  EXPECT_EQ(c.writeProtected, 1);
}

TEST_F(MediaCapacity, FloppyDriveFromItsFreeSpaceQuery) {
  Reader(PlainCard(64));
  machine.Volume('E').totalBytes = 1474560;
  entry.busKind = kBusFloppy;
  const Capacity c = Measure(kMmcSd);
  ASSERT_EQ(c.result, 1);
  EXPECT_EQ(c.sizeOrCode, 1u);
  EXPECT_EQ(c.sectorsOrBlocks, 2880u);
  EXPECT_EQ(c.sectorsPerBlock, 1u);
  EXPECT_EQ(entry.deviceKind, 0);
  machine.Volume('E').totalBytes = 0;
  EXPECT_EQ(Measure(kMmcSd).result, 0);
}

TEST_F(MediaCapacity, WindowsNt4AsksThroughPassThroughLikeTheRestOfTheNtFamily) {
  Reader(PlainCard(64));
  const Capacity nt4 = Measure(kCompactFlash, win::WindowsVersion::Nt4);
  EXPECT_EQ(nt4.result, 1) << "an NT entry has no ASPI address to ask";
  EXPECT_EQ(nt4.sectorsOrBlocks, 64u);
  const Capacity w2k = Measure(kCompactFlash, win::WindowsVersion::Win2000);
  EXPECT_EQ(w2k.result, 1);
  EXPECT_EQ(w2k.sectorsOrBlocks, 64u);
}

TEST_F(MediaCapacity, MissingOutputsFail) {
  Reader(PlainCard(64));
  DriveHandle handle = OpenCardVolume('E');
  win::DWORD value = 0;
  EXPECT_EQ(GetMediaCapacity(handle.get(), &entry, nullptr, &value, &value, nullptr, nullptr), 0);
  EXPECT_EQ(GetMediaCapacity(handle.get(), nullptr, &value, &value, &value, nullptr, nullptr), 0);
  OsKind = kOsWindowsXp;
  entry.deviceKind = kCompactFlash;
  EXPECT_EQ(GetMediaCapacity(handle.get(), &entry, &value, &value, &value, nullptr, nullptr), 1)
      << "write protection and sector size may be left out";
}

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

class MediaCapacity98 : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    win::SetWindowsVersion(win::WindowsVersion::Win98);
    OsKind = kOsWindows98;
    entry.hostAdapter = 0;
    entry.target = 1;
    entry.lun = 0;
  }
  int Measure() { return GetMediaCapacity(nullptr, &entry, &size, &sectors, &perBlock, &writeProtected, &bytes); }

  test_support::StandInAspi aspi;
  DeviceEntry entry;
  win::DWORD size = 0, sectors = 0, perBlock = 0, bytes = 0;
  win::BYTE writeProtected = 0;
};

TEST_F(MediaCapacity98, PlainCardThroughAspi) {
  test_support::AspiDevice device;
  device.sectors = 125440;
  aspi.Add(0, 1, 0, device);
  entry.deviceKind = kCompactFlash;
  ASSERT_EQ(Measure(), 1);
  EXPECT_EQ(sectors, 125440u);
  EXPECT_EQ(size, 64u);
  EXPECT_EQ(UsePlainSectorIo, 0u);
}

TEST_F(MediaCapacity98, RawFlashStatusThroughAspi) {
  test_support::AspiDevice device;
  device.vendorCommands = true;
  aspi.Add(0, 1, 0, device);
  entry.deviceKind = kSmartMedia;
  EXPECT_EQ(Measure(), 0) << "no card";
}

TEST_F(MediaCapacity98, DriveWithoutCommandsTakesTheVolumeCount) {
  entry.noCommandFlag = 1;
  entry.volumeSectorCount = 4000;
  ASSERT_EQ(Measure(), 1);
  EXPECT_EQ(sectors, 4000u) << "the volume's own count, taken as it is";
  EXPECT_EQ(UsePlainSectorIo, 1u);
  EXPECT_EQ(aspi.requests, 0) << "nothing was sent";
  entry.volumeSectorCount = 0;
  EXPECT_EQ(Measure(), 0);
}

}  // namespace
}  // namespace tarnlok

#include "device/ata_transport.h"
#include "device/card_driver.h"
#include "device/card_reads.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/reader_commands.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "tests/support/test_data_folder.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/layouts/identify_layout.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

using machine::test_support::SectorMark;
using machine::test_support::WriteNumberedImage;
using test_support::NumberedImage;

TEST(AtaTaskFile, LayoutsByRoadKindAndCommand) {
  const TaskFile writeSetup =
      BuildAtaTaskFile(true, kMemoryStick, kAtaMaster, kVendorWritePages, 0x1234, 0, 0x0102, 0x05);
  EXPECT_EQ(writeSetup.features, 0x34);
  EXPECT_EQ(writeSetup.sectorCount, 0);
  EXPECT_EQ(writeSetup.sectorNumber, 0x02);
  EXPECT_EQ(writeSetup.cylinderLow, 0x81);
  EXPECT_EQ(writeSetup.cylinderHigh, 0x45);
  EXPECT_EQ(writeSetup.deviceHead, 0xE0);

  const TaskFile read = BuildAtaTaskFile(true, kCompactFlash, kAtaSlave, kAtaReadSectors, 0x0ABCDEF1, 2048, 0, 0);
  EXPECT_EQ(read.sectorCount, 4);
  EXPECT_EQ(read.sectorNumber, 0xF1);
  EXPECT_EQ(read.cylinderLow, 0xDE);
  EXPECT_EQ(read.cylinderHigh, 0xBC);
  EXPECT_EQ(read.deviceHead, 0x40 | 0xB0 | 0x0A);

  const TaskFile status = BuildAtaTaskFile(true, kSmartMedia, kAtaSlave, kVendorStatus, 99, 512, 0, 0);
  EXPECT_EQ(status.sectorCount, 1);
  EXPECT_EQ(status.deviceHead, kAtaSlave);

  const TaskFile flash =
      BuildAtaTaskFile(true, kSmartMedia, kAtaMaster, kVendorWritePages, 0x20, 0, win::kVendorBadBlockMark, 0);
  EXPECT_EQ(flash.features, 0x40) << "(hi AND 0xC0) OR lo";
  EXPECT_EQ(flash.sectorCount, 0x40) << "the mark shows in the count too, apart from logical block 64";
  const TaskFile highLogical = BuildAtaTaskFile(false, kSmartMedia, kAtaMaster, kVendorWritePages, 0x20, 0, 999, 0);
  EXPECT_EQ((highLogical.sectorCount << 8) | highLogical.features, 999) << "no bit of the logical block lost";
  const TaskFile erase = BuildAtaTaskFile(false, kMemoryStick, kAtaMaster, kVendorEraseBlock, 0x0304, 0, 0x0201, 0x07);
  EXPECT_EQ(erase.features, 0x01);
  EXPECT_EQ(erase.sectorCount, 0x07);
  EXPECT_EQ(erase.sectorNumber, 0x02);
  EXPECT_EQ(erase.cylinderLow, 0x04);
  EXPECT_EQ(erase.cylinderHigh, 0x03);
  EXPECT_EQ(BuildAtaTaskFile(false, kCompactFlash, kAtaMaster, kAtaIdentify, 5, 0, 0, 0).sectorCount, 1)
      << "Windows 9x sends IDENTIFY in the status layout";
  EXPECT_EQ(BuildAtaTaskFile(true, kMemoryStick, kAtaMaster, kAtaIdentify, 5, 512, 0x0009, 3).cylinderLow, 3);
  EXPECT_EQ(
      BuildAtaTaskFile(false, kCompactFlash, kAtaMaster, kVendorWritePages, 0x30, 512, win::kVendorBadBlockMark, 0)
          .features,
      0)
      << "plain cards write in the LBA layout on Windows 9x";
}

// A machine with the maker's IDE CompactFlash reader on E: holding 64 numbered sectors.
std::string IdeReader(const std::string& windows) {
  WriteNumberedImage("ata.img", 64);
  return R"({"version":1,"windows":")" + windows + R"(","readers":[
    {"bus":"ide","maker":true,"letter":"E","card":{"kind":"cf","image":"ata.img","sectors":64}}]})";
}

// An XP machine's IDE reader on E:, reached through its volume handle with an entry of the kind given.
class AtaXp : public test_support::MachineDeviceTest {
 protected:
  void StartXp(const std::string& json, win::BYTE deviceKind) {
    Start(json, kOsWindowsXp);
    handle = OpenCardVolume('E');
    entry.deviceKind = deviceKind;
    entry.ataDriveSelect = kAtaMaster;
  }
  void TearDown() override {
    handle = DriveHandle();
    MachineDeviceTest::TearDown();
  }
  DriveHandle handle;
  DeviceEntry entry;
};

class AtaNt : public AtaXp {
 protected:
  void SetUp() override { StartXp(IdeReader("xp"), kSmartMedia); }
};

TEST_F(AtaNt, StatusCommandGivesOnlyItsFourBytes) {
  std::array<win::BYTE, 8> reply{};
  reply.fill(0xEE);
  ASSERT_TRUE(ExecAtaCommand(handle.get(), &entry, kVendorStatus, 0, reply.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(win::ReadLe32(reply, 0), kStatusCompactFlash);
  EXPECT_EQ(reply[4], 0xEE) << "byte 4 on is the caller's";
}

TEST_F(AtaNt, ReadSectorsAndShortReplies) {
  std::vector<win::BYTE> sector(512, 0);
  ASSERT_TRUE(ExecAtaCommand(handle.get(), &entry, kAtaReadSectors, 9, sector.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(SectorMark(sector), 9u);
  EXPECT_FALSE(ExecAtaCommand(handle.get(), &entry, kAtaReadSectors, 64, sector.data(), 512, kAtaDataIn, 0, 0))
      << "a read that returned no data fails";
  entry.deviceKind = kMemoryStick;
  EXPECT_FALSE(ExecAtaCommand(handle.get(), &entry, kAtaReadSectors, 64, sector.data(), 512, kAtaDataIn, 0, 0))
      << "a Memory Stick read that returned no data fails too";
  std::vector<win::BYTE> big(16384 + 512, 0);
  EXPECT_FALSE(ExecAtaCommand(handle.get(), &entry, kAtaReadSectors, 0, big.data(), 16384 + 512, kAtaDataIn, 0, 0))
      << "more than the request's data area";
  EXPECT_FALSE(ExecAtaCommand(handle.get(), nullptr, kAtaReadSectors, 0, sector.data(), 512, kAtaDataIn, 0, 0));
}

// A Memory Stick in the maker's IDE reader on XP whose block 4 cannot be read and whose block 6
// cannot be erased: the reader sets ERR, and neither command may pass for done.
class AtaMemoryStickXp : public AtaXp {
 protected:
  void SetUp() override {
    std::filesystem::remove(test_support::TestDataHome() / "ata-ms-faults.img");
    StartXp(R"({"version":1,"windows":"xp","readers":[{"bus":"ide","maker":true,"letter":"E","card":{"kind":"ms",
      "image":"ata-ms-faults.img","blocks":512,"pagesPerBlock":16,"failingBlocks":[6],
      "faults":[{"op":"read","block":4,"times":"always"}]}}]})",
            kMemoryStick);
  }
  bool ReadBlock(win::WORD block, std::vector<win::BYTE>& pages) {
    return ExecAtaCommand(handle.get(), &entry, kVendorReadPages, 0, pages.data(),
                          static_cast<win::DWORD>(pages.size()), kAtaDataIn, block, 0);
  }
};

TEST_F(AtaMemoryStickXp, StatusErrorFailsTheCommand) {
  std::vector<win::BYTE> pages(16 * 512, 0);
  EXPECT_TRUE(ReadBlock(3, pages));
  EXPECT_FALSE(ReadBlock(4, pages)) << "a block the card cannot read is no block of zeros";
  EXPECT_FALSE(ExecAtaCommand(handle.get(), &entry, kVendorEraseBlock, 0, nullptr, 0, kAtaNoData, 6, 0))
      << "a failed erase moves no data but fails";
  EXPECT_TRUE(ExecAtaCommand(handle.get(), &entry, kVendorEraseBlock, 0, nullptr, 0, kAtaNoData, 7, 0));
}

// Windows 98: the reader is reached through the card driver by the address of its node.
class Ata98 : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    Start(IdeReader("98"), kOsWindows98);
    const auto nodes = machine::test_support::DriverNodes(driver_);
    ASSERT_EQ(nodes.size(), 1u);
    entry.deviceReference = nodes[0];
    entry.deviceKind = kCompactFlash;
    entry.ataDriveSelect = kAtaMaster;
  }
  DeviceEntry entry;
};

// The driver moves a whole sector for IDENTIFY: a caller's buffer smaller than that gets what
// it holds, and nothing is written past it.
TEST_F(Ata98, IdentifyAlwaysMovesASectorButGivesTheCallerOnlyWhatItHolds) {
  std::vector<win::BYTE> head(win::identify_layout::kTotalSectors * 2 + 4, 0);
  ASSERT_TRUE(ExecAtaCommand(driver_, &entry, win::kAtaIdentify, 0, head.data(), static_cast<win::DWORD>(head.size()),
                             kAtaDataIn, 0, 0));
  EXPECT_EQ(win::ReadLe32(head, win::identify_layout::kTotalSectors * 2), 64u) << "the card's sectors";

  std::array<win::BYTE, 4> status{};
  ASSERT_TRUE(ExecAtaCommand(driver_, &entry, kVendorStatus, 0, status.data(), 4, kAtaDataIn, 0, 0));
  EXPECT_EQ(win::ReadLe32(status, 0), kStatusCompactFlash);
}

// A command of the status layout that the reader answers with ERR (a CompactFlash card has no
// raw flash geometry) is no reply: nothing reaches the caller's buffer.
TEST_F(Ata98, AStatusLayoutReplyWithTheErrorBitFails) {
  std::array<win::BYTE, 4> geometry{};
  geometry.fill(0xEE);
  EXPECT_FALSE(ExecAtaCommand(driver_, &entry, kVendorGeometry, 0, geometry.data(), 4, kAtaDataIn, 0, 0));
  EXPECT_EQ(geometry, (std::array<win::BYTE, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(Ata98, SectorsMoveIntoTheCallersBuffer) {
  std::vector<win::BYTE> sector(512, 0);
  ASSERT_TRUE(ExecAtaCommand(driver_, &entry, kAtaReadSectors, 3, sector.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(SectorMark(sector), 3u);
  EXPECT_FALSE(ExecAtaCommand(driver_, &entry, kAtaReadSectors, 64, sector.data(), 512, kAtaDataIn, 0, 0))
      << "status ERR";
}

// More sectors than one command carries go in several commands, each at its own sectors.
TEST_F(Ata98, ALongReadOfAnIdeCardReadsEverySectorInItsPlace) {
  CardOnIdeBus = 1;
  entry.busKind = kBusIde;
  std::vector<win::BYTE> sectors(40 * 512, 0);
  ASSERT_TRUE(ReadCardSectors(driver_, entry, 3, 40, 512, sectors.data()));
  for (win::DWORD index = 0; index < 40; ++index) EXPECT_EQ(SectorMark(sectors, index * 512), 3 + index) << index;
}

TEST_F(Ata98, CardsTheDriverDoesNotKnowAreNotReportedAsRead) {
  entry.deviceKind = kMemoryStickPro;
  std::vector<win::BYTE> sector(512, 0xEE);
  EXPECT_FALSE(ExecAtaCommand(driver_, &entry, kAtaReadSectors, 3, sector.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(sector[0], 0xEE) << "nothing was read";
}

// The transfer flag of a request that moves no data shows only in the request the stand-in
// driver records.
using AtaStandIn98 = test_support::StandIn98Test;

using AtaStandInXp = test_support::StandInXpTest;

TEST_F(AtaStandInXp, AReadThatMovesFewerBytesThanAskedFails) {
  test_support::ReaderSetup setup;
  setup.image = NumberedImage(16);
  setup.shortReads = true;
  test_support::StandInReader& reader = machine.Add('E', setup);
  const win::HANDLE handle =
      win::CreateFileA("\\\\.\\E:", win::GENERIC_READ | win::GENERIC_WRITE,
                       win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, win::INVALID_HANDLE_VALUE);
  DeviceEntry entry;
  entry.deviceKind = kCompactFlash;
  entry.ataDriveSelect = kAtaMaster;
  std::vector<win::BYTE> sectors(1024, 0);
  EXPECT_FALSE(ExecAtaCommand(handle, &entry, kAtaReadSectors, 3, sectors.data(), 1024, kAtaDataIn, 0, 0))
      << "a sector short";
  reader.Setup().shortReads = false;
  EXPECT_TRUE(ExecAtaCommand(handle, &entry, kAtaReadSectors, 3, sectors.data(), 1024, kAtaDataIn, 0, 0));
  EXPECT_EQ(SectorMark(sectors), 3u);
  win::CloseHandle(handle);
}

TEST_F(AtaStandIn98, MemoryStickEraseMovesNoData) {
  machine.Driver().cards[0x1000].image = NumberedImage(16);
  DeviceEntry entry;
  entry.deviceReference = 0x1000;
  entry.deviceKind = kMemoryStick;
  entry.ataDriveSelect = kAtaMaster;
  ExecAtaCommand(driver, &entry, kVendorEraseBlock, 0x0304, nullptr, 0, kAtaDataIn, 0x0201, 0x07);
  ASSERT_FALSE(machine.Driver().requests.empty());
  EXPECT_EQ(win::ReadLe32(machine.Driver().requests.back(), win::card_driver_layout::ata_request::kTransfer), 0u)
      << "transfer flag forced to none";
}

TEST_F(AtaStandIn98, IdentifyAnsweredWithTheErrorBitFailsUntilTheReaderAnswers) {
  auto& card = machine.Driver().cards[0x1000];
  card.image = NumberedImage(16);
  card.identify = test_support::IdentifyWith(0, 16);
  card.identifyFailures = 1;
  DeviceEntry entry;
  entry.deviceReference = 0x1000;
  entry.deviceKind = kCompactFlash;
  entry.ataDriveSelect = kAtaMaster;
  std::vector<win::BYTE> identify(512, 0xEE);
  EXPECT_FALSE(ExecAtaCommand(driver, &entry, win::kAtaIdentify, 0, identify.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(identify, std::vector<win::BYTE>(512, 0xEE)) << "a refused IDENTIFY leaves the buffer alone";
  ASSERT_TRUE(ExecAtaCommand(driver, &entry, win::kAtaIdentify, 0, identify.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(win::ReadLe32(identify, win::identify_layout::kTotalSectors * 2), 16u);
}

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

TEST(CardDriverRequests, FieldsLieWhereTheDriverReadsThem) {
  const auto bytes = EncodeDriverAtaRequest({0x11223344, {1, 2, 3, 4, 5, 6, 0x20}, 0xA0B0C0D0, 512, kAtaDataIn});
  EXPECT_EQ((std::vector<win::BYTE>(bytes.begin(), bytes.end())),
            (std::vector<win::BYTE>{0x44, 0x33, 0x22, 0x11, 1, 2, 3, 4, 5,    6, 0x20, 0xD0, 0xC0,
                                    0xB0, 0xA0, 0x00, 0x02, 0, 0, 0, 0, 0x20, 0, 0,    0,    0}));
  DriverPortIdentifyRequest port;
  port.driveSelect = kAtaSlave;
  const auto portBytes = EncodeDriverPortIdentifyRequest(port);
  EXPECT_EQ((std::vector<win::BYTE>(portBytes.begin(), portBytes.end())),
            (std::vector<win::BYTE>{0xF0, 0x01, 0xF6, 0x03, 0xB0, 0, 0, 0}));
}

}  // namespace
}  // namespace tarnlok

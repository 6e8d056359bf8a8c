#include "device/ata_transport.h"
#include "device/card_driver.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_reader.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace tarnlok {
namespace {

using test_support::IdentifyWith;
using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::StandInMachine;

TEST(AtaTaskFile, LayoutsByRoadKindAndCommand) {
  const TaskFile writeSetup = BuildAtaTaskFile(true, kMemoryStick, kAtaMaster, 0x86, 0x1234, 0, 0x0102, 0x05);
  EXPECT_EQ(writeSetup.features, 0x34);
  EXPECT_EQ(writeSetup.sectorCount, 0);
  EXPECT_EQ(writeSetup.sectorNumber, 0x02);
  EXPECT_EQ(writeSetup.cylinderLow, 0x81);
  EXPECT_EQ(writeSetup.cylinderHigh, 0x45);
  EXPECT_EQ(writeSetup.deviceHead, 0xE0);

  const TaskFile read = BuildAtaTaskFile(true, kCompactFlash, kAtaSlave, 0x20, 0x0ABCDEF1, 2048, 0, 0);
  EXPECT_EQ(read.sectorCount, 4);
  EXPECT_EQ(read.sectorNumber, 0xF1);
  EXPECT_EQ(read.cylinderLow, 0xDE);
  EXPECT_EQ(read.cylinderHigh, 0xBC);
  EXPECT_EQ(read.deviceHead, 0x40 | 0xB0 | 0x0A);

  const TaskFile status = BuildAtaTaskFile(true, kSmartMedia, kAtaSlave, 0x80, 99, 512, 0, 0);
  EXPECT_EQ(status.sectorCount, 1);
  EXPECT_EQ(status.deviceHead, kAtaSlave);

  const TaskFile flash = BuildAtaTaskFile(true, kSmartMedia, kAtaMaster, 0x86, 0x20, 0, 0x4000, 0);
  EXPECT_EQ(flash.features, 0x40) << "(hi AND 0xC0) OR lo";
  EXPECT_EQ(flash.sectorCount, 0x40) << "the mark shows in the count too, apart from logical block 64";
  const TaskFile highLogical = BuildAtaTaskFile(false, kSmartMedia, kAtaMaster, 0x86, 0x20, 0, 999, 0);
  EXPECT_EQ((highLogical.sectorCount << 8) | highLogical.features, 999) << "no bit of the logical block lost";
  const TaskFile erase = BuildAtaTaskFile(false, kMemoryStick, kAtaMaster, 0x83, 0x0304, 0, 0x0201, 0x07);
  EXPECT_EQ(erase.features, 0x01);
  EXPECT_EQ(erase.sectorCount, 0x07);
  EXPECT_EQ(erase.sectorNumber, 0x02);
  EXPECT_EQ(erase.cylinderLow, 0x04);
  EXPECT_EQ(erase.cylinderHigh, 0x03);
  EXPECT_EQ(BuildAtaTaskFile(false, kCompactFlash, kAtaMaster, 0xEC, 5, 0, 0, 0).sectorCount, 1)
      << "Windows 9x sends IDENTIFY in the status layout";
  EXPECT_EQ(BuildAtaTaskFile(true, kMemoryStick, kAtaMaster, 0xEC, 5, 512, 0x0009, 3).cylinderLow, 3);
  EXPECT_EQ(BuildAtaTaskFile(false, kCompactFlash, kAtaMaster, 0x86, 0x30, 512, 0x4000, 0).features, 0)
      << "plain cards write in the LBA layout on Windows 9x";
}

class AtaNt : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    OsKind = kOsWindowsXp;
    ReaderSetup setup = {};
    setup.storageBusType = 3;
    setup.identify = IdentifyWith(0x200, 4000);
    setup.statusWord = 0x200;
    setup.image = NumberedImage(64);
    reader = &machine.Add('E', setup);
    handle = OpenCardVolume('E');
    entry.deviceKind = kSmartMedia;
    entry.ataDriveSelect = kAtaMaster;
  }
  StandInMachine machine{win::WindowsVersion::Xp};
  test_support::StandInReader* reader = nullptr;
  DriveHandle handle;
  DeviceEntry entry;
};

TEST_F(AtaNt, StatusCommandGivesOnlyItsFourBytes) {
  std::array<win::BYTE, 8> reply{};
  reply.fill(0xEE);
  ASSERT_TRUE(ExecAtaCommand(handle.get(), &entry, 0x80, 0, reply.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(reply[1], 0x02);
  EXPECT_EQ(reply[4], 0xEE) << "byte 4 on is the caller's";
}

TEST_F(AtaNt, ReadSectorsAndShortReplies) {
  std::vector<win::BYTE> sector(512, 0);
  ASSERT_TRUE(ExecAtaCommand(handle.get(), &entry, 0x20, 9, sector.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(sector[0], 9);
  EXPECT_FALSE(ExecAtaCommand(handle.get(), &entry, 0x20, 4000, sector.data(), 512, kAtaDataIn, 0, 0))
      << "a read that returned no data fails";
  entry.deviceKind = kMemoryStick;
  EXPECT_TRUE(ExecAtaCommand(handle.get(), &entry, 0x20, 4000, sector.data(), 512, kAtaDataIn, 0, 0))
      << "Memory Stick replies are not counted";
  std::vector<win::BYTE> big(16384 + 512, 0);
  EXPECT_FALSE(ExecAtaCommand(handle.get(), &entry, 0x20, 0, big.data(), 16384 + 512, kAtaDataIn, 0, 0))
      << "more than the request's data area";
  EXPECT_FALSE(ExecAtaCommand(handle.get(), nullptr, 0x20, 0, sector.data(), 512, kAtaDataIn, 0, 0));
}

class Ata98 : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    OsKind = kOsWindows98;
    StandInCardDriverCard();
    driver = win::CreateFileA("\\\\.\\TARNLOK.VXD", win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
                              win::OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(driver, win::INVALID_HANDLE_VALUE);
    entry.deviceReference = 0x1000;
    entry.deviceKind = kCompactFlash;
    entry.ataDriveSelect = kAtaMaster;
  }
  void StandInCardDriverCard() {
    auto& card = machine.Driver().cards[0x1000];
    card.image = NumberedImage(16);
    card.identify = IdentifyWith(0x100, 16);
    card.statusWord = 0x100;
  }
  void TearDown() override {
    win::CloseHandle(driver);
    DeviceStateTest::TearDown();
  }
  StandInMachine machine{win::WindowsVersion::Win98};
  win::HANDLE driver = win::INVALID_HANDLE_VALUE;
  DeviceEntry entry;
};

TEST_F(Ata98, IdentifyAlwaysMovesASectorButGivesTheCallerOnlyWhatItHolds) {
  std::array<win::BYTE, 4> small{};
  ASSERT_TRUE(ExecAtaCommand(driver, &entry, 0xEC, 0, small.data(), 4, kAtaDataIn, 0, 0));
  const auto& request = machine.Driver().requests.back();
  EXPECT_EQ(request[15], 0x00);
  EXPECT_EQ(request[16], 0x02) << "512 bytes asked of the driver";
  EXPECT_EQ(request[21], 0x20) << "data in";
  EXPECT_EQ(request[5], 1) << "sector count of the status layout";

  std::array<win::BYTE, 4> status{};
  ASSERT_TRUE(ExecAtaCommand(driver, &entry, 0x80, 0, status.data(), 4, kAtaDataIn, 0, 0));
  EXPECT_EQ(status[1], 0x01);
}

TEST_F(Ata98, SectorsMoveIntoTheCallersBuffer) {
  std::vector<win::BYTE> sector(512, 0);
  ASSERT_TRUE(ExecAtaCommand(driver, &entry, 0x20, 3, sector.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(sector[0], 3);
  EXPECT_FALSE(ExecAtaCommand(driver, &entry, 0x20, 300, sector.data(), 512, kAtaDataIn, 0, 0)) << "status ERR";
}

TEST_F(Ata98, CardsTheDriverDoesNotKnowAreNotReportedAsRead) {
  entry.deviceKind = kMemoryStickPro;
  std::vector<win::BYTE> sector(512, 0xEE);
  EXPECT_FALSE(ExecAtaCommand(driver, &entry, 0x20, 3, sector.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_TRUE(machine.Driver().requests.empty());
  EXPECT_EQ(sector[0], 0xEE);
}

TEST_F(Ata98, MemoryStickEraseMovesNoData) {
  entry.deviceKind = kMemoryStick;
  machine.Driver().cards[0x1000].image = NumberedImage(16);
  ExecAtaCommand(driver, &entry, 0x83, 0x0304, nullptr, 0, kAtaDataIn, 0x0201, 0x07);
  const auto& request = machine.Driver().requests.back();
  EXPECT_EQ(request[19] | request[20] << 8 | request[21] << 16, 0) << "transfer flag forced to none";
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

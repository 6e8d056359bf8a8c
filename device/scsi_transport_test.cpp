#include "device/scsi_transport.h"

#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/layouts/pass_through_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnlok {
namespace {

using machine::test_support::SectorMark;
using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::VendorForm;

bool Read10(win::HANDLE handle, std::vector<win::BYTE>& data, win::DWORD lba, win::WORD count) {
  const win::BYTE cdb[10] = {0x28, 0, 0, 0, 0, static_cast<win::BYTE>(lba), 0, 0, static_cast<win::BYTE>(count), 0};
  return ExecScsiCommand(handle, 0, 0, 0, cdb, 10, data.data(), static_cast<win::DWORD>(data.size()), kScsiDataIn);
}

win::HANDLE OpenE() {
  return win::CreateFileA("\\\\.\\E:", win::GENERIC_READ | win::GENERIC_WRITE,
                          win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
}

// The maker's newer USB reader on E: with a CompactFlash card of 64 numbered sectors.
class ScsiTransportNt : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    machine::test_support::WriteNumberedImage("scsi.img", 64);
    Start(R"({ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
      "card": { "kind": "cf", "image": "scsi.img", "sectors": 64 } } ] })",
          kOsWindowsXp);
    handle = OpenE();
    ASSERT_NE(handle, win::INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    win::CloseHandle(handle);
    MachineDeviceTest::TearDown();
  }
  win::HANDLE handle = win::INVALID_HANDLE_VALUE;
};

TEST_F(ScsiTransportNt, ReadsSectorsInEachDirectionForm) {
  std::vector<win::BYTE> data(1024, 0xEE);
  ASSERT_TRUE(Read10(handle, data, 5, 2));
  EXPECT_EQ(SectorMark(data), 5u);
  EXPECT_EQ(SectorMark(data, 512), 6u);

  const win::BYTE testUnitReady[6] = {};
  for (const win::BYTE direction : {win::BYTE{0}, win::BYTE{2}, win::BYTE{win::SCSI_IOCTL_DATA_IN}}) {
    EXPECT_TRUE(ExecScsiCommand(handle, 0, 0, 0, testUnitReady, 6, nullptr, 0, direction)) << int{direction};
  }
}

TEST_F(ScsiTransportNt, VendorReplyWithoutCardFailsAlthoughTheReaderAnswered) {
  std::vector<win::BYTE> reply(4, 0);
  const VendorCdb status = CommandFirstCdb(kVendorStatus);
  ASSERT_TRUE(ExecScsiCommand(handle, 0, 0, 0, status.data(), 8, reply.data(), 4, kScsiDataIn));
  EXPECT_NE(reply[1], 0x04);
  machine_->RemoveCard('E');
  EXPECT_FALSE(ExecScsiCommand(handle, 0, 0, 0, status.data(), 8, reply.data(), 4, kScsiDataIn));
  EXPECT_EQ(reply[0], 0xFF);
  EXPECT_EQ(reply[1], 0x04);
}

// The no-card rule reads the reply of a command-first block only: the older form's block begins
// with its length byte.
TEST_F(ScsiTransportNt, OlderFormNeverPassesTheNoCardRule) {
  const VendorCdb status = CommandLastCdb(kVendorStatus);
  std::vector<win::BYTE> reply(4, 0);
  OperationBusy = 1;
  EXPECT_FALSE(ExecScsiCommand(handle, 0, 0, 0, status.data(), 8, reply.data(), 4, kScsiDataIn))
      << "a newer reader refuses the older block";
  OperationBusy = 0;
  win::CloseHandle(handle);
  Stop();
  Start(test_support::MachineJson("xp", R"({ "maker": true, "firmware": "older", "letter": "E" })"), kOsWindowsXp);
  handle = OpenE();
  ASSERT_TRUE(ExecScsiCommand(handle, 0, 0, 0, status.data(), 8, reply.data(), 4, kScsiDataIn))
      << "an older reader without a card: 0x04FF does not fail it";
  EXPECT_EQ(reply[0], 0xFF);
  EXPECT_EQ(reply[1], 0x04);
}

TEST_F(ScsiTransportNt, LargestTransferFitsExactly) {
  std::vector<win::BYTE> data(kMaxScsiTransfer, 0);
  ASSERT_TRUE(Read10(handle, data, 0, 64));
  EXPECT_EQ(SectorMark(data, 63 * 512), 63u);
}

TEST_F(ScsiTransportNt, InquiryDataThroughItsOwnRequest) {
  std::vector<win::BYTE> data(36, 0);
  ASSERT_TRUE(ReadInquiryData(handle, data.data(), 36));
  EXPECT_EQ(std::string(data.begin() + 8, data.begin() + 16), "Kestro  ");
}

// Short transfers and the record of what reached the reader come only from a stand-in reader.
class ScsiTransportStandIn : public test_support::StandInXpTest {
 protected:
  void SetUp() override {
    StandInXpTest::SetUp();
    ReaderSetup setup;
    setup.image = NumberedImage(64);
    setup.vendorForm = VendorForm::CommandFirst;
    setup.statusWord = 0x100;
    reader = &machine.Add('E', setup);
    handle = OpenE();
    ASSERT_NE(handle, win::INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    win::CloseHandle(handle);
    StandInXpTest::TearDown();
  }

  test_support::StandInReader* reader = nullptr;
  win::HANDLE handle = win::INVALID_HANDLE_VALUE;
};

TEST_F(ScsiTransportStandIn, EachDirectionIsConvertedForThePassThrough) {
  const win::BYTE testUnitReady[6] = {};
  for (const win::BYTE direction : {win::BYTE{0}, win::BYTE{2}, win::BYTE{win::SCSI_IOCTL_DATA_IN}}) {
    EXPECT_TRUE(ExecScsiCommand(handle, 0, 0, 0, testUnitReady, 6, nullptr, 0, direction));
  }
  EXPECT_EQ(reader->Directions(), (std::vector<win::BYTE>{win::SCSI_IOCTL_DATA_UNSPECIFIED,
                                                          win::SCSI_IOCTL_DATA_UNSPECIFIED, win::SCSI_IOCTL_DATA_IN}));
}

TEST_F(ScsiTransportStandIn, ShortReadFailsOnlyWhileAnOperationRuns) {
  reader->Setup().shortReads = true;
  std::vector<win::BYTE> data(1024, 0xEE);
  EXPECT_TRUE(Read10(handle, data, 3, 2)) << "no operation runs";
  EXPECT_EQ(data[0], 3);
  EXPECT_EQ(data[512], 0) << "the rest of the buffer is the request's zeroes";
  OperationBusy = 1;
  std::vector<win::BYTE> busy(1024, 0xEE);
  EXPECT_FALSE(Read10(handle, busy, 3, 2));
  EXPECT_EQ(busy[0], 0xEE) << "nothing is copied back";

  std::vector<win::BYTE> reply(512, 0);
  const VendorCdb status = CommandFirstCdb(kVendorStatus);
  EXPECT_TRUE(ExecScsiCommand(handle, 0, 0, 0, status.data(), 8, reply.data(), 512, kScsiDataIn))
      << "the readers' own commands answer fewer bytes than asked";
  EXPECT_EQ(reply[1], 0x01);
}

// A reader that cannot lock the card answers the lock with the no-card word while its status
// still reports the card: the lock failed all the same.
TEST_F(ScsiTransportStandIn, ALockReplyWithTheNoCardWordFailsWhateverTheStatusSays) {
  std::vector<win::BYTE> reply(2, 0);
  const VendorCdb lock = CommandFirstCdb(kVendorLock);
  ASSERT_TRUE(ExecScsiCommand(handle, 0, 0, 0, lock.data(), 8, reply.data(), 2, kScsiDataIn));
  reader->Setup().lockReply = {0xFF, 0x04, 0, 0};
  EXPECT_FALSE(ExecScsiCommand(handle, 0, 0, 0, lock.data(), 8, reply.data(), 2, kScsiDataIn));
  std::vector<win::BYTE> status(4, 0);
  const VendorCdb statusCdb = CommandFirstCdb(kVendorStatus);
  EXPECT_TRUE(ExecScsiCommand(handle, 0, 0, 0, statusCdb.data(), 8, status.data(), 4, kScsiDataIn));
  EXPECT_EQ(win::ReadLe32(status, 0), 0x100u) << "the card is there";
}

TEST_F(ScsiTransportStandIn, RefusesCommandsThatDoNotFitTheRequest) {
  std::vector<win::BYTE> big(kMaxScsiTransfer + 512, 0);
  const win::BYTE read[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 65, 0};
  EXPECT_FALSE(ExecScsiCommand(handle, 0, 0, 0, read, 10, big.data(), kMaxScsiTransfer + 512, kScsiDataIn));
  const win::BYTE longCdb[17] = {0x12};
  std::vector<win::BYTE> data(36, 0);
  EXPECT_FALSE(ExecScsiCommand(handle, 0, 0, 0, longCdb, 17, data.data(), 36, kScsiDataIn));
  EXPECT_FALSE(ExecScsiCommand(handle, 0, 0, 0, read, 10, nullptr, 512, kScsiDataIn));
  EXPECT_TRUE(reader->Cdbs().empty()) << "none of them reached the reader";
  EXPECT_FALSE(ExecScsiCommand(win::INVALID_HANDLE_VALUE, 0, 0, 0, read, 10, data.data(), 0, kScsiDataIn));
}

TEST(ScsiTransport9x, IncompleteAddressOrMissingManagerFailsAtOnce) {
  OsKind = kOsWindows98;
  const win::BYTE inquiry[6] = {0x12, 0, 0, 0, 36, 0};
  std::vector<win::BYTE> data(36, 0);
  SendAspiSrb = nullptr;
  EXPECT_FALSE(ExecScsiCommand(nullptr, 255, 0, 0, inquiry, 6, data.data(), 36, kScsiDataIn));
  EXPECT_FALSE(ExecScsiCommand(nullptr, 0, 0, 0, inquiry, 6, data.data(), 36, kScsiDataIn))
      << "this road never loads the manager itself";
  EXPECT_EQ(AspiLibrary, nullptr);
}

}  // namespace
}  // namespace tarnlok

// The readers' no-card word (FF 04) against page data that happen to begin with the same two
// bytes: a SmartMedia page written and read back through ExecScsiCommand on XP (pass-through)
// and on 98 (ASPI), and the same commands once the card is gone.
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_9x.h"
#include "device/enum_devices_nt.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/testing/machine_fixture.h"
#include "platform/machine/machine.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

using Bytes = std::vector<win::BYTE>;
using test_support::EntryAt;

constexpr win::DWORD kLastBlockPage = 2047 * 32;  // the last block of a fresh 32 MB card holds nothing

std::string SmartMediaMachine(const std::string& windows, const std::string& image) {
  std::filesystem::remove(test_support::TestDataHome() / image);
  return R"({"version":1,"windows":")" + windows + R"(","readers":[{"maker":true,"firmware":"newer",
    "product":"SM Reader","letter":"F","card":{"kind":"sm","image":")" +
         image + R"(","deviceCode":117}}]})";
}

// A page of photograph data whose first two bytes read as the no-card word.
Bytes PageStartingLikeNoCard() {
  Bytes page(512, 0x5A);
  page[0] = 0xFF;
  page[1] = 0x04;
  return page;
}

class NoCardReply : public test_support::MachineDeviceTest {
 protected:
  bool Send(const VendorCdb& cdb, Bytes& data, win::BYTE direction) {
    const DeviceEntry* entry = EntryAt('F');
    if (entry == nullptr) return false;
    return ExecScsiCommand(handle.get(), entry->hostAdapter, entry->target, entry->lun, cdb.data(),
                           static_cast<win::BYTE>(cdb.size()), data.data(), static_cast<win::DWORD>(data.size()),
                           direction);
  }
  void WriteAndReadBack() {
    Bytes reply(2, 0);
    ASSERT_TRUE(Send(CommandFirstPageCdb(kVendorEraseBlock, kLastBlockPage, 0), reply, kScsiDataIn));
    Bytes page = PageStartingLikeNoCard();
    VendorCdb write = CommandFirstPageCdb(kVendorWritePages, kLastBlockPage, 999);
    write[5] = 0x41;  // one sector
    EXPECT_TRUE(Send(write, page, kScsiDataOut)) << "data sent to the card are no reply";
    Bytes back(512, 0);
    EXPECT_TRUE(Send(CommandFirstPageCdb(kVendorReadPages, kLastBlockPage, 512), back, kScsiDataIn))
        << "page data beginning FF 04 from a card that is there";
    EXPECT_EQ(back, page);

    machine_->RemoveCard('F');
    Bytes gone(512, 0);
    EXPECT_FALSE(Send(CommandFirstPageCdb(kVendorReadPages, kLastBlockPage, 512), gone, kScsiDataIn))
        << "without a card the reader's FF 04 still fails the read";
    Bytes status(4, 0);
    EXPECT_FALSE(Send(CommandFirstCdb(kVendorStatus), status, kScsiDataIn));
  }
  void TearDown() override {
    handle = DriveHandle();
    MachineDeviceTest::TearDown();
  }
  DriveHandle handle;
};

TEST_F(NoCardReply, PageDataBeginningLikeTheWordPassOnXp) {
  Start(SmartMediaMachine("xp", "no-card-word-xp.img"), kOsWindowsXp);
  ASSERT_EQ(EnumDevicesNt(), 1);
  handle = OpenCardVolume('F');
  OperationBusy = 1;
  WriteAndReadBack();
}

TEST_F(NoCardReply, PageDataBeginningLikeTheWordPassOn98) {
  Start(SmartMediaMachine("98", "no-card-word-98.img"), kOsWindows98);
  ASSERT_EQ(EnumDevices9x(), 1);
  WriteAndReadBack();
}

}  // namespace
}  // namespace tarnlok

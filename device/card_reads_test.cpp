// The raw flash reads refuse a buffer too small for what they bring, on the SCSI road and on the
// ATA road (which moves a whole sector), and fill one that is large enough.
#include "device/card_reads.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_nt.h"
#include "device/testing/machine_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnlok {
namespace {

using Bytes = std::vector<win::BYTE>;
using test_support::EntryAt;

constexpr win::WORD kRedundantBytes = 16;

class FlashReadBuffers : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    Start(test_support::MachineJson("xp", R"(
      { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "F",
        "card": { "kind": "sm", "image": "buffers-sm.img", "deviceCode": 115 } },
      { "bus": "usb", "maker": true, "product": "MS Reader", "letter": "M",
        "card": { "kind": "ms", "image": "buffers-ms.img", "blocks": 512, "pagesPerBlock": 16 } },
      { "bus": "ide", "maker": true, "letter": "G",
        "card": { "kind": "sm", "image": "buffers-ide-sm.img", "deviceCode": 115 } },
      { "bus": "ide", "maker": true, "letter": "N",
        "card": { "kind": "ms", "image": "buffers-ide-ms.img", "blocks": 512, "pagesPerBlock": 16 } })"),
          kOsWindowsXp);
    ASSERT_EQ(EnumDevicesNt(), 1);
  }

  win::HANDLE Open(char letter) {
    handles_.push_back(OpenCardVolume(letter));
    return handles_.back().get();
  }

  // The buffer is read into from a heap block of exactly its size, so an overrun shows.
  bool Extra(char letter, std::size_t size) {
    Bytes buffer(size, 0);
    return ReadExtraData(Open(letter), *EntryAt(letter), 20, buffer);
  }
  bool Redundant(char letter, std::size_t size) {
    Bytes buffer(size, 0);
    return ReadRedundantData(Open(letter), *EntryAt(letter), 64, kRedundantBytes, buffer);
  }

  std::vector<DriveHandle> handles_;
};

TEST_F(FlashReadBuffers, TheScsiRoadRefusesLessThanTheReplyHolds) {
  EXPECT_FALSE(Extra('M', 3)) << "extra data are 4 bytes";
  EXPECT_TRUE(Extra('M', 4));
  EXPECT_FALSE(Redundant('F', kRedundantBytes - 1));
  EXPECT_TRUE(Redundant('F', kRedundantBytes));
}

TEST_F(FlashReadBuffers, TheAtaRoadRefusesLessThanASector) {
  CardOnIdeBus = 1;
  EXPECT_FALSE(Extra('N', 4)) << "the ATA road moves a whole sector";
  EXPECT_FALSE(Extra('N', kFlashReadBuffer - 1));
  EXPECT_TRUE(Extra('N', kFlashReadBuffer));
  EXPECT_FALSE(Redundant('G', kRedundantBytes));
  EXPECT_TRUE(Redundant('G', kFlashReadBuffer));
}

}  // namespace
}  // namespace tarnlok

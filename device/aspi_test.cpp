#include "device/aspi_devices.h"
#include "device/aspi_transport.h"
#include "device/device_state.h"
#include "device/scsi_transport.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_aspi.h"
#include "device/testing/stand_in_chain.h"
#include "platform/win/modules/builtin_modules.h"
#include "platform/win/system/windows_version.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace tarnlok {
namespace {

using test_support::AspiDevice;
using test_support::NodeSetup;
using test_support::StandInAspi;
using test_support::StandInChain;

class Aspi98 : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    win::SetWindowsVersion(win::WindowsVersion::Win98);
    OsKind = kOsWindows98;
  }
  StandInAspi aspi;
};

TEST_F(Aspi98, CommandsTravelThroughTheManagerWithTheirBuffers) {
  AspiDevice device;
  device.sectors = 2048;
  aspi.Add(0, 2, 0, device);
  const win::BYTE readCapacity[6] = {0x25, 0, 0, 0, 0, 0};
  std::array<win::BYTE, 8> answer{};
  ASSERT_TRUE(ExecAspiCommand(0, 2, 0, readCapacity, 6, answer.data(), 8, win::aspi_layout::kDataIn));
  EXPECT_EQ(answer[2], 0x07);
  EXPECT_EQ(answer[3], 0xFF);
  EXPECT_EQ(AspiCommandPosted, 1u) << "the post routine ran";
  EXPECT_NE(AspiLibrary, nullptr) << "loaded on first use";

  answer.fill(0);
  ASSERT_TRUE(ExecScsiCommand(nullptr, 0, 2, 0, readCapacity, 6, answer.data(), 8, kScsiDataIn))
      << "the 9x road of the SCSI transport uses the loaded manager";
  EXPECT_EQ(answer[3], 0xFF);
  EXPECT_FALSE(ExecScsiCommand(nullptr, 0, 3, 0, readCapacity, 6, answer.data(), 8, kScsiDataIn)) << "no device";
}

TEST_F(Aspi98, VendorReplyWithoutCardFailsOnThisRoadToo) {
  AspiDevice device;
  device.vendorCommands = true;
  aspi.Add(0, 0, 0, device);
  ASSERT_TRUE(LoadAspiLibrary(false));
  const win::BYTE status[8] = {0x20, 0x80, 0, 0, 0, 0, 0, 0};
  std::array<win::BYTE, 4> reply{};
  EXPECT_FALSE(ExecScsiCommand(nullptr, 0, 0, 0, status, 8, reply.data(), 4, kScsiDataIn));
  EXPECT_EQ(reply[0], 0xFF);
  EXPECT_TRUE(ExecAspiCommand(0, 0, 0, status, 8, reply.data(), 4, win::aspi_layout::kDataIn)) << "no reply rule here";
}

TEST_F(Aspi98, RequestsRefusedAtOnceOrNeverPostedDoNotHang) {
  aspi.Add(0, 0, 0, AspiDevice{});
  aspi.refuseAtOnce = true;
  std::array<win::BYTE, 42> inquiry{};
  EXPECT_FALSE(AspiInquiry(0, 0, 0, inquiry.data(), 42));
  aspi.refuseAtOnce = false;
  aspi.postRoutineCalls = false;
  EXPECT_TRUE(AspiInquiry(0, 0, 0, inquiry.data(), 42)) << "completed; the wait for the post routine is bounded";
}

TEST_F(Aspi98, AdapterNamesAreCutToEightCharacters) {
  aspi.adapterNames = {"KSXHOST0LONGER"};
  ASSERT_TRUE(LoadAspiLibrary(true));
  std::array<char, 9> name{};
  ASSERT_TRUE(GetAspiAdapterName(0, name.data()));
  EXPECT_EQ(std::string(name.data()), "KSXHOST0");
  EXPECT_FALSE(GetAspiAdapterName(1, name.data()));
}

TEST_F(Aspi98, MediaKindFromInquiryStatusProductTextOrVendorStatus) {
  AspiDevice combined;
  combined.product = "SM/MS Reader";
  combined.inquiryStatus = 0x20000400;
  combined.sectors = 100;
  aspi.Add(0, 0, 0, combined);
  AspiDevice cf;
  cf.product = "CF Reader";
  aspi.Add(0, 1, 0, cf);
  AspiDevice status;
  status.product = "Reader";
  status.vendorCommands = true;
  status.statusWord = 0x200;
  status.sectors = 100;
  aspi.Add(0, 2, 0, status);
  AspiDevice keywords;
  keywords.product = "Memory Stick";
  keywords.vendorCommands = true;
  aspi.Add(0, 3, 0, keywords);

  win::BYTE kind = 0, reader = 0;
  ASSERT_EQ(GetAspiMediaKind(&kind, 0, 0, 0, &reader), 1);
  EXPECT_EQ(kind, kMemoryStick);
  EXPECT_EQ(reader, kMemoryStickPro);
  ASSERT_EQ(GetAspiMediaKind(&kind, 0, 1, 0, &reader), 1);
  EXPECT_EQ(kind, kCompactFlash);
  reader = 0;
  ASSERT_EQ(GetAspiMediaKind(&kind, 0, 2, 0, &reader), 1);
  EXPECT_EQ(kind, kSmartMedia);
  EXPECT_EQ(reader, kSmartMediaReader);
  ASSERT_EQ(GetAspiMediaKind(&kind, 0, 3, 0, &reader), 1) << "no card: the product's keywords";
  EXPECT_EQ(kind, kMemoryStick);
  EXPECT_EQ(GetAspiMediaKind(&kind, 0, 9, 0, &reader), 0) << "nobody there";
}

TEST_F(Aspi98, DriverNodeFindsItsAspiAddress) {
  AspiDevice other;
  other.vendor = "Generic ";
  aspi.Add(0, 0, 0, other);
  AspiDevice mine;
  mine.product = "CF Reader       ";
  aspi.Add(0, 4, 0, mine);
  StandInChain chain;
  NodeSetup setup;
  setup.product = "CF Reader       ";
  const DriverNode node(chain.Add(setup));
  win::BYTE kind = 0, host = 255, target = 255, lun = 255, reader = 0;
  ASSERT_EQ(FindAspiAddress9x(&node, &kind, &host, &target, &lun, &reader), 1);
  EXPECT_EQ(host, 0);
  EXPECT_EQ(target, 4);
  EXPECT_EQ(lun, 0);
  EXPECT_EQ(kind, kCompactFlash);

  NodeSetup otherAdapter = setup;
  otherAdapter.adapterName = "ELSEWHERE";
  const DriverNode elsewhere(chain.Add(otherAdapter));
  EXPECT_EQ(FindAspiAddress9x(&elsewhere, &kind, &host, &target, &lun, &reader), 0);
  EXPECT_EQ(FindAspiAddress9x(nullptr, &kind, &host, &target, &lun, &reader), 0);
  OsKind = kOsWindowsXp;
  EXPECT_EQ(FindAspiAddress9x(&node, &kind, &host, &target, &lun, &reader), 0) << "Windows 9x only";
}

// A reader behind LUN 1 with nothing at LUN 0: only its own LUN answers the vendor status.
TEST_F(Aspi98, VendorStatusGoesToTheReadersOwnLun) {
  AspiDevice reader;
  reader.product = "Reader          ";
  reader.vendorCommands = true;
  reader.statusWord = 0x200;
  reader.sectors = 100;
  aspi.Add(0, 2, 1, reader);
  win::BYTE kind = 0, readerKind = 0;
  ASSERT_EQ(GetAspiMediaKind(&kind, 0, 2, 1, &readerKind), 1);
  EXPECT_EQ(kind, kSmartMedia);
  EXPECT_EQ(readerKind, kSmartMediaReader);
}

// Two units of one target: the node's texts match LUN 1. Without revisions to compare the match
// is not sure of its LUN, and the kind is asked of LUN 0.
TEST_F(Aspi98, KindOfAMatchWithoutRevisionsComesFromLunZero) {
  AspiDevice first;
  first.vendor = "Other   ";
  first.product = "Reader          ";
  first.vendorCommands = true;
  first.statusWord = 0x400;
  first.sectors = 100;
  aspi.Add(0, 0, 0, first);
  AspiDevice mine;
  mine.vendorCommands = true;
  mine.statusWord = 0x200;
  mine.sectors = 100;
  aspi.Add(0, 0, 1, mine);
  StandInChain chain;
  NodeSetup setup;
  setup.revision = "";
  const DriverNode withoutRevision(chain.Add(setup));
  setup.revision = "1.00";
  const DriverNode withRevision(chain.Add(setup));

  win::BYTE kind = 0, host = 255, target = 255, lun = 255, reader = 0;
  ASSERT_EQ(FindAspiAddress9x(&withoutRevision, &kind, &host, &target, &lun, &reader), 1);
  EXPECT_EQ(lun, 1);
  EXPECT_EQ(kind, kMemoryStick) << "the status of LUN 0";
  kind = 0;
  ASSERT_EQ(FindAspiAddress9x(&withRevision, &kind, &host, &target, &lun, &reader), 1);
  EXPECT_EQ(lun, 1);
  EXPECT_EQ(kind, kSmartMedia) << "the status of the matched LUN";
}

// Direction 0 travels as a data-out request of no bytes; 2 as a request without data.
TEST_F(Aspi98, DirectionZeroIsAnEmptyDataOut) {
  AspiDevice device;
  device.sectors = 100;
  aspi.Add(0, 0, 0, device);
  ASSERT_TRUE(LoadAspiLibrary(false));
  const win::BYTE testUnitReady[6] = {};
  ASSERT_TRUE(ExecScsiCommand(nullptr, 0, 0, 0, testUnitReady, 6, nullptr, 0, 0));
  ASSERT_TRUE(ExecScsiCommand(nullptr, 0, 0, 0, testUnitReady, 6, nullptr, 0, 2));
  ASSERT_EQ(aspi.flags.size(), 2u);
  EXPECT_EQ(aspi.flags[0] & 0x18, 0x10);
  EXPECT_EQ(aspi.bufferLengths[0], 0u);
  EXPECT_EQ(aspi.flags[1] & 0x18, 0x00);
}

// Without the ASPI manager the match says why it cannot look; one that reports no adapter does not.
TEST_F(Aspi98, MatchWithoutTheManagerTellsItCouldNotLoad) {
  StandInChain chain;
  const DriverNode node(chain.Add(NodeSetup{}));
  win::BYTE host = 255;
  aspi.adapterNames.clear();
  EXPECT_EQ(MatchAspiDevice9x(node, &host, nullptr, nullptr, nullptr), 0);
  EXPECT_TRUE(prompter.Asked().empty()) << "the manager loaded and found no adapter";

  win::SetBuiltinProcedure("WNASPI32.DLL", "SendASPI32Command", nullptr);
  AspiLibrary = nullptr;
  SendAspiSrb = nullptr;
  GetAspiSupportInfo = nullptr;
  prompter.AnswerMessageBox(ui::IDOK, "Unable to load WNASPI32.DLL from system directory.");
  EXPECT_EQ(MatchAspiDevice9x(node, &host, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(host, 255);
}

TEST_F(Aspi98, CountingMatchingDevices) {
  aspi.Add(0, 0, 0, AspiDevice{});
  aspi.Add(0, 0, 3, AspiDevice{});
  ASSERT_TRUE(LoadAspiLibrary(true));
  win::BYTE count = 0;
  CountAspiDevices("kestro  ", "usb reader      ", "9.99", "ADAPTERS: KSXHOST0", 1, &count);
  EXPECT_EQ(count, 2);
  CountAspiDevices("Kestro  ", "USB Reader      ", "", "", 1, &count);
  EXPECT_EQ(count, 2) << "no adapter text, nothing counts";
  CountAspiDevices("Kestro  ", "USB Reader      ", "", "KSXHOST0", -1, &count);
  EXPECT_EQ(count, 2) << "a negative host count counts nothing";
}

}  // namespace
}  // namespace tarnlok

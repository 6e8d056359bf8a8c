#include "device/aspi_devices.h"
#include "device/aspi_transport.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/testing/blank_images.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/modules/builtin_modules.h"
#include "platform/win/system/windows_version.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace tarnlok {
namespace {

using test_support::AspiDevice;
using test_support::NodeSetup;
using test_support::WriteBlankImage;

constexpr std::array<win::BYTE, 6> kReadCapacity{0x25, 0, 0, 0, 0, 0};

// A Windows 98 machine of the readers listed (JSON objects): each reader ASPI reaches is a host
// adapter of its own, with its device at target 0, LUN 0.
class AspiOn98 : public test_support::MachineDeviceTest {
 protected:
  void Start98(const std::string& readers) { Start(test_support::MachineJson("98", readers), kOsWindows98); }
};

std::string UsbReader(char letter, const std::string& product, const std::string& card, bool maker = true) {
  return R"({"bus":"usb","maker":)" + std::string(maker ? "true" : "false") + R"(,"product":")" + product +
         R"(","letter":")" + std::string(1, letter) + R"(","card":)" + card + "}";
}

TEST_F(AspiOn98, CommandsTravelThroughTheManagerWithTheirBuffers) {
  WriteBlankImage("aspi-cf.img", 2048);
  Start98(UsbReader('E', "CF Reader", R"({"kind":"cf","image":"aspi-cf.img","sectors":2048})"));
  std::array<win::BYTE, 8> answer{};
  ASSERT_TRUE(ExecAspiCommand(0, 0, 0, kReadCapacity.data(), 6, answer.data(), 8, win::aspi::kDataIn));
  EXPECT_EQ(win::ReadBe32(answer, 0), 2047u);
  EXPECT_EQ(AspiCommandPosted, 1u) << "the post routine ran";
  EXPECT_NE(AspiLibrary, nullptr) << "loaded on first use";

  answer.fill(0);
  ASSERT_TRUE(ExecScsiCommand(nullptr, 0, 0, 0, kReadCapacity.data(), 6, answer.data(), 8, kScsiDataIn))
      << "the 9x road of the SCSI transport uses the loaded manager";
  EXPECT_EQ(win::ReadBe32(answer, 0), 2047u);
  EXPECT_FALSE(ExecScsiCommand(nullptr, 0, 1, 0, kReadCapacity.data(), 6, answer.data(), 8, kScsiDataIn))
      << "no device";
  std::array<char, 9> name{};
  EXPECT_FALSE(GetAspiAdapterName(1, name.data())) << "one host adapter";
}

TEST_F(AspiOn98, VendorReplyWithoutCardFailsOnThisRoadToo) {
  Start98(UsbReader('E', "SM Reader", R"({"kind":"none"})"));
  ASSERT_TRUE(LoadAspiLibrary(false));
  const VendorCdb status = CommandFirstCdb(kVendorStatus);
  std::array<win::BYTE, 4> reply{};
  EXPECT_FALSE(ExecScsiCommand(nullptr, 0, 0, 0, status.data(), 8, reply.data(), 4, kScsiDataIn));
  EXPECT_EQ(win::ReadLe16(reply, 0), win::kVendorNoCardReply);
  EXPECT_TRUE(ExecAspiCommand(0, 0, 0, status.data(), 8, reply.data(), 4, win::aspi::kDataIn)) << "no reply rule here";
}

TEST_F(AspiOn98, MediaKindFromInquiryStatusProductTextOrVendorStatus) {
  WriteBlankImage("aspi-pro.img", 4096);
  WriteBlankImage("aspi-cf.img", 2048);
  Start98(UsbReader('E', "SM/MS Reader", R"({"kind":"mspro","image":"aspi-pro.img","sectors":4096})") + "," +
          UsbReader('F', "CF Reader", R"({"kind":"cf","image":"aspi-cf.img","sectors":2048})", false) + "," +
          UsbReader('G', "Reader", R"({"kind":"sm","image":"aspi-sm.img","deviceCode":115})") + "," +
          UsbReader('H', "Memory Stick", R"({"kind":"none"})"));

  win::BYTE kind = 0, reader = 0;
  ASSERT_EQ(GetAspiMediaKind(&kind, 0, 0, 0, &reader), 1);
  EXPECT_EQ(kind, kMemoryStick);
  EXPECT_EQ(reader, kMemoryStickPro);
  ASSERT_EQ(GetAspiMediaKind(&kind, 1, 0, 0, &reader), 1);
  EXPECT_EQ(kind, kCompactFlash);
  reader = 0;
  ASSERT_EQ(GetAspiMediaKind(&kind, 2, 0, 0, &reader), 1);
  EXPECT_EQ(kind, kSmartMedia);
  EXPECT_EQ(reader, kSmartMediaReader);
  ASSERT_EQ(GetAspiMediaKind(&kind, 3, 0, 0, &reader), 1) << "no card: the product's keywords";
  EXPECT_EQ(kind, kMemoryStick);
  EXPECT_EQ(GetAspiMediaKind(&kind, 0, 9, 0, &reader), 0) << "nobody there";
}

// Another maker's reader of the same product comes first; the node's vendor picks the second.
TEST_F(AspiOn98, DriverNodeFindsItsAspiAddress) {
  WriteBlankImage("aspi-other.img", 2048);
  WriteBlankImage("aspi-cf.img", 2048);
  Start98(UsbReader('E', "CF Reader", R"({"kind":"cf","image":"aspi-other.img","sectors":2048})", false) + "," +
          UsbReader('F', "CF Reader", R"({"kind":"cf","image":"aspi-cf.img","sectors":2048})"));
  const auto nodes = machine::test_support::DriverNodes(driver_);
  ASSERT_EQ(nodes.size(), 2u);
  const DriverNode node(nodes[1]);
  win::BYTE kind = 0, host = 255, target = 255, lun = 255, reader = 0;
  ASSERT_EQ(FindAspiAddress9x(&node, &kind, &host, &target, &lun, &reader), 1);
  EXPECT_EQ(host, 1);
  EXPECT_EQ(target, 0);
  EXPECT_EQ(lun, 0);
  EXPECT_EQ(kind, kCompactFlash);

  EXPECT_EQ(FindAspiAddress9x(nullptr, &kind, &host, &target, &lun, &reader), 0);
  OsKind = kOsWindowsXp;
  EXPECT_EQ(FindAspiAddress9x(&node, &kind, &host, &target, &lun, &reader), 0) << "Windows 9x only";
}

// Without the ASPI manager the match says why it cannot look; one that reports no adapter (a
// machine whose only reader sits on the ATA channel) does not.
TEST_F(AspiOn98, MatchWithoutTheManagerTellsItCouldNotLoad) {
  WriteBlankImage("aspi-ide.img", 2048);
  Start98(R"({"bus":"ide","maker":true,"letter":"E","card":{"kind":"cf","image":"aspi-ide.img","sectors":2048}})");
  const auto nodes = machine::test_support::DriverNodes(driver_);
  ASSERT_EQ(nodes.size(), 1u);
  const DriverNode node(nodes[0]);
  win::BYTE host = 255;
  EXPECT_EQ(MatchAspiDevice9x(node, &host, nullptr, nullptr, nullptr), 0);
  EXPECT_TRUE(prompter.Asked().empty()) << "the manager loaded and found no adapter";

  win::SetBuiltinProcedure("WNASPI32.DLL", "SendASPI32Command", nullptr);
  win::FreeLibrary(AspiLibrary);
  AspiLibrary = nullptr;
  SendAspiSrb = nullptr;
  GetAspiSupportInfo = nullptr;
  prompter.AnswerMessageBox(ui::IDOK, "Unable to load WNASPI32.DLL from system directory.");
  EXPECT_EQ(MatchAspiDevice9x(node, &host, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(host, 255);
}

TEST_F(AspiOn98, CountingMatchingDevicesOnEveryHost) {
  WriteBlankImage("aspi-first.img", 2048);
  WriteBlankImage("aspi-second.img", 2048);
  Start98(UsbReader('E', "USB Reader", R"({"kind":"cf","image":"aspi-first.img","sectors":2048})") + "," +
          UsbReader('F', "USB Reader", R"({"kind":"cf","image":"aspi-second.img","sectors":2048})"));
  ASSERT_TRUE(LoadAspiLibrary(true));
  win::BYTE count = 0;
  CountAspiDevices("kestro  ", "usb reader      ", "9.99", "ADAPTERS: USBSTOR", 2, &count);
  EXPECT_EQ(count, 2);
  CountAspiDevices("Kestro  ", "USB Reader      ", "", "", 2, &count);
  EXPECT_EQ(count, 2) << "no adapter text, nothing counts";
  CountAspiDevices("Kestro  ", "USB Reader      ", "", "USBSTOR", -1, &count);
  EXPECT_EQ(count, 2) << "a negative host count counts nothing";
  CountAspiDevices("Generic ", "USB Reader      ", "", "USBSTOR", 2, &count);
  EXPECT_EQ(count, 2) << "another vendor";
}

// What the machine's manager never does: refuse a request at once, complete one without
// posting, name an adapter longer than eight characters, tell the card in the INQUIRY data of a
// reader without vendor commands, put devices behind other targets and LUNs, hand out a node
// whose adapter is not the one its texts match on; and the record of the request flags.
using AspiStandIn98 = test_support::StandIn98Test;

// A reader of the vendor command set holding a card whose kind its status word tells.
AspiDevice ReaderWithCard(const std::string& product, win::DWORD statusWord) {
  AspiDevice reader;
  reader.product = product;
  reader.vendorCommands = true;
  reader.statusWord = statusWord;
  reader.sectors = 100;
  return reader;
}

TEST_F(AspiStandIn98, RequestsRefusedAtOnceOrNeverPostedDoNotHang) {
  aspi.Add(0, 0, 0, AspiDevice{});
  aspi.refuseAtOnce = true;
  std::array<win::BYTE, 42> inquiry{};
  EXPECT_FALSE(AspiInquiry(0, 0, 0, inquiry.data(), 42));
  aspi.refuseAtOnce = false;
  aspi.postRoutineCalls = false;
  EXPECT_TRUE(AspiInquiry(0, 0, 0, inquiry.data(), 42)) << "completed; the wait for the post routine is bounded";
}

TEST_F(AspiStandIn98, AdapterNamesAreCutToEightCharacters) {
  aspi.adapterNames = {"KSXHOST0LONGER"};
  ASSERT_TRUE(LoadAspiLibrary(true));
  std::array<char, 9> name{};
  ASSERT_TRUE(GetAspiAdapterName(0, name.data()));
  EXPECT_EQ(std::string(name.data()), "KSXHOST0");
  EXPECT_FALSE(GetAspiAdapterName(1, name.data()));
}

TEST_F(AspiStandIn98, CombinedReaderTakesTheInquiryStatus) {
  AspiDevice combined;
  combined.product = "SM/MS Reader";
  combined.inquiryStatus = kStatusMemoryStickPro | kStatusMemoryStick;
  combined.sectors = 100;
  aspi.Add(0, 0, 0, combined);
  win::BYTE kind = 0, reader = 0;
  ASSERT_EQ(GetAspiMediaKind(&kind, 0, 0, 0, &reader), 1);
  EXPECT_EQ(kind, kMemoryStick);
  EXPECT_EQ(reader, kMemoryStickPro);
}

TEST_F(AspiStandIn98, DriverNodeFindsItsTargetOnItsOwnAdapter) {
  AspiDevice other;
  other.vendor = "Generic ";
  aspi.Add(0, 0, 0, other);
  AspiDevice mine;
  mine.product = "CF Reader       ";
  aspi.Add(0, 4, 0, mine);
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
}

// A reader behind LUN 1 with nothing at LUN 0: only its own LUN answers the vendor status.
TEST_F(AspiStandIn98, VendorStatusGoesToTheReadersOwnLun) {
  aspi.Add(0, 2, 1, ReaderWithCard("Reader          ", kStatusSmartMedia));
  win::BYTE kind = 0, readerKind = 0;
  ASSERT_EQ(GetAspiMediaKind(&kind, 0, 2, 1, &readerKind), 1);
  EXPECT_EQ(kind, kSmartMedia);
  EXPECT_EQ(readerKind, kSmartMediaReader);
}

// Two units of one target: the node's texts match LUN 1. Without revisions to compare the match
// is not sure of its LUN, and the kind is asked of LUN 0.
TEST_F(AspiStandIn98, KindOfAMatchWithoutRevisionsComesFromLunZero) {
  AspiDevice first = ReaderWithCard("Reader          ", kStatusMemoryStick);
  first.vendor = "Other   ";
  aspi.Add(0, 0, 0, first);
  aspi.Add(0, 0, 1, ReaderWithCard(NodeSetup{}.product, kStatusSmartMedia));
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
TEST_F(AspiStandIn98, DirectionZeroIsAnEmptyDataOut) {
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

TEST_F(AspiStandIn98, CountingMatchingDevicesOnEveryLun) {
  aspi.Add(0, 0, 0, AspiDevice{});
  aspi.Add(0, 0, 3, AspiDevice{});
  ASSERT_TRUE(LoadAspiLibrary(true));
  win::BYTE count = 0;
  CountAspiDevices("kestro  ", "usb reader      ", "9.99", "ADAPTERS: KSXHOST0", 1, &count);
  EXPECT_EQ(count, 2) << "the devices at LUNs 0 and 3 of one target";
}

}  // namespace
}  // namespace tarnlok

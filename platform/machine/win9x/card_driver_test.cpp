// The Windows 9x card driver of the machine: its device-node chain as the program reads it,
// the ATA requests and the port identification, and machines without it or with a failing one.
#include "platform/machine/testing/machine_testing.h"

#include "platform/win/layouts/card_driver_layout.h"

#include <gtest/gtest.h>

#include <cstring>

namespace machine {
namespace {

namespace layout = win::card_driver_layout;
using test_support::AtaAnswer;
using test_support::SendDriverAta;

constexpr win::DWORD kIn = 0x200000;
constexpr win::DWORD kOut = 0x400000;

std::string Machine98(const std::string& driver = "installed") {
  test_support::WriteNumberedImage("usb.img", 2048);
  test_support::WriteNumberedImage("ide.img", 4096);
  test_support::WriteNumberedImage("ide2.img", 2048);
  test_support::WriteMbr(test_support::WriteNumberedImage("pcmcia.img", 2048), 32, 2016);
  return R"({"version":1,"windows":"98","cardDriver":")" + driver + R"(","readers":[
    {"bus":"floppy","letter":"A"},
    {"bus":"usb","maker":true,"letter":"E","card":{"kind":"cf","image":"usb.img","sectors":2048}},
    {"bus":"ide","maker":true,"letter":"F","card":{"kind":"cf","image":"ide.img","sectors":4096}},
    {"bus":"pcmcia","maker":true,"letter":"G","card":{"kind":"cf","image":"pcmcia.img","sectors":2048}},
    {"bus":"ide","maker":true,"letter":"H","card":{"kind":"cf","image":"ide2.img","sectors":2048}},
    {"bus":"ls120","letter":"I"}]})";
}

// A copy of driver memory at an address, as the program reads it.
std::vector<std::uint8_t> At(win::DWORD address, std::size_t length) {
  const auto* bytes = static_cast<const std::uint8_t*>(win::ResolveAddressToken(address, length));
  if (bytes == nullptr) return {};
  return {bytes, bytes + length};
}

// A zero-terminated text of at most length characters, read a byte at a time as the program
// does (a text may end where driver memory ends).
std::string TextAt(win::DWORD address, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    const auto* c = static_cast<const char*>(win::ResolveAddressToken(address, i, 1));
    if (c == nullptr || *c == '\0') break;
    text.push_back(*c);
  }
  return text;
}

struct Node {
  win::DWORD address;
  std::vector<std::uint8_t> bytes;
  win::DWORD Field(std::size_t offset) const { return win::ReadLe32(bytes, offset); }
  std::string Text(std::size_t offset, std::size_t length) const {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
  }
};

class CardDriverTest : public ::testing::Test {
 protected:
  void Start(const std::string& json) {
    machine_ = std::make_unique<Machine>(test_support::Describe(json));
    machine_->Install();
  }
  void TearDown() override {
    if (driver_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(driver_);
  }
  win::HANDLE Driver() {
    if (driver_ == win::INVALID_HANDLE_VALUE) driver_ = test_support::OpenDevice("TARNLOK.VXD");
    return driver_;
  }
  std::vector<Node> Nodes() {
    std::vector<Node> nodes;
    for (const win::DWORD address : test_support::DriverNodes(Driver())) {
      nodes.push_back({address, At(address, layout::kNodeSize)});
    }
    return nodes;
  }
  std::unique_ptr<Machine> machine_;
  win::HANDLE driver_ = win::INVALID_HANDLE_VALUE;
};

TEST_F(CardDriverTest, ChainHasOneNodePerReaderWithTheFieldsTheProgramReads) {
  Start(Machine98());
  const auto nodes = Nodes();
  ASSERT_EQ(nodes.size(), 6u);
  struct Expected {
    win::DWORD flags, secondFlags;
    std::uint8_t status;
    const char* port;
    const char* hardware;
    const char* adapter;
  };
  const Expected expected[] = {
      {0x8004, 0, 0, "", "FLOP\\GENERIC_FLOPPY_DRIVE", ""},
      {0x8004, 0, 0, "USBSTOR", "USB\\VID_55AA&PID_0001\\000000000002", "USBSTOR"},
      {0x8004, 4, 0x10, "ESDI_506", "ESDI_506\\DISK_2", ""},
      {0x48004, 0, 0, "ESDI_506", "PCMCIA\\ATA_CARD_3", ""},
      {0xC004, 0, 0x10, "ESDI_506", "ESDI_506\\DISK_4", ""},
      {0x8004, 0, 0, "ATAPI", "SCSI\\LS-120_DRIVE_5", "ATAPI"},
  };
  const char letters[] = "AEFGHI";
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const Node& node = nodes[i];
    SCOPED_TRACE(letters[i]);
    EXPECT_EQ(node.Field(layout::kNodeFlags), expected[i].flags);
    EXPECT_EQ(node.Field(layout::kNodeSecondFlags), expected[i].secondFlags);
    EXPECT_EQ(node.bytes[layout::kNodeDriverStatus], expected[i].status);
    EXPECT_EQ(node.bytes[layout::kNodeOwnDrive], letters[i] - 'A');
    EXPECT_EQ(TextAt(node.Field(layout::kNodePortDriver) + layout::kPortDriverName, 8), expected[i].port);
    EXPECT_EQ(TextAt(node.Field(layout::kNodeResource) + layout::kResourceText, 64), expected[i].hardware);
    EXPECT_EQ(std::string(node.Text(layout::kNodeAdapterName, 8).c_str()), expected[i].adapter);
    const auto drive = At(node.Field(layout::kNodeLogicalDrive), layout::kDriveRecordSize);
    ASSERT_EQ(drive.size(), layout::kDriveRecordSize);
    EXPECT_EQ(drive[layout::kDriveNumber], letters[i] - 'A');
    EXPECT_EQ(win::ReadLe32(drive, layout::kDriveValue), node.address);
    EXPECT_EQ(win::ReadLe32(drive, layout::kDriveNext), 0u);
  }
  EXPECT_EQ(nodes[1].Text(layout::kNodeVendor, 8), "Kestro  ");
  EXPECT_EQ(nodes[1].Text(layout::kNodeProduct, 16), "CF Reader       ");
  EXPECT_EQ(nodes[1].Text(layout::kNodeRevision, 4), "1.00");
  EXPECT_EQ(win::ReadLe32(nodes[2].bytes, layout::kNodeSectorCount), 4096u) << "a superfloppy volume";
  EXPECT_EQ(win::ReadLe32(nodes[3].bytes, layout::kNodeSectorCount), 2016u) << "the partition's sectors";

  machine_->RemoveCard('F');
  EXPECT_EQ(win::ReadLe32(Nodes()[2].bytes, layout::kNodeSectorCount), 0u) << "request 1 writes the counts afresh";
}

TEST_F(CardDriverTest, AtaRequestsMoveDataThroughTheBufferAddress) {
  Start(Machine98());
  const auto nodes = Nodes();
  const win::DWORD ide = nodes[2].address;

  const AtaAnswer identify = SendDriverAta(Driver(), ide, {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512, kIn);
  ASSERT_TRUE(identify.delivered);
  EXPECT_EQ(identify.status, 0x50);
  EXPECT_EQ(win::ReadLe32(identify.data, 120), 4096u);

  const AtaAnswer read = SendDriverAta(Driver(), ide, {0, 2, 100, 0, 0, 0xE0, 0x20}, 1024, kIn);
  EXPECT_EQ(read.status, 0x50);
  EXPECT_EQ(win::ReadLe32(read.data, 512), 101u);

  const std::vector<std::uint8_t> sector(512, 0x77);
  EXPECT_EQ(SendDriverAta(Driver(), nodes[3].address, {0, 1, 5, 0, 0, 0xE0, 0x30}, 512, kOut, sector).status, 0x50);
  EXPECT_EQ(SendDriverAta(Driver(), nodes[3].address, {0, 1, 5, 0, 0, 0xE0, 0x20}, 512, kIn).data, sector);

  machine_->SetWriteProtected('F', true);
  const AtaAnswer mediaStatus = SendDriverAta(Driver(), ide, {0, 0, 0, 0, 0, 0xA0, 0xDA}, 0, 0);
  EXPECT_EQ(mediaStatus.status, 0x51);
  EXPECT_EQ(mediaStatus.errorRegister, 0x40) << "the error register comes back in the features byte";

  const AtaAnswer usb = SendDriverAta(Driver(), nodes[1].address, {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512, kIn);
  EXPECT_FALSE(usb.delivered) << "a USB reader is no ATA device";
  EXPECT_EQ(usb.error, win::ERROR_DEV_NOT_EXIST);
  EXPECT_EQ(SendDriverAta(Driver(), ide + 1, {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512, kIn).error, win::ERROR_DEV_NOT_EXIST);
  EXPECT_EQ(SendDriverAta(Driver(), ide, {0, 1, 0, 0, 0, 0xB0, 0xEC}, 512, kIn).error, win::ERROR_IO_DEVICE);

  std::vector<std::uint8_t> request(26, 0);
  win::WriteLe32(request, 0, ide);
  request[9] = 0xA0;
  request[10] = 0xEC;
  win::WriteLe32(request, 11, 0x7FFFFF00);  // names no memory
  win::WriteLe32(request, 15, 512);
  win::WriteLe32(request, 19, kIn);
  win::DWORD returned = 0;
  EXPECT_FALSE(win::DeviceIoControl(Driver(), 10, request.data(), 26, request.data(), 26, &returned, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOACCESS);
}

TEST_F(CardDriverTest, PortIdentifyReachesThePrimaryChannelsMaster) {
  Start(Machine98());
  std::vector<std::uint8_t> port{0xF0, 0x01, 0xF6, 0x03, 0xA0, 0, 0, 0};
  std::vector<std::uint8_t> identify(512, 0);
  win::DWORD returned = 0;
  ASSERT_TRUE(win::DeviceIoControl(Driver(), 11, port.data(), 8, identify.data(), 512, &returned, nullptr));
  EXPECT_EQ(returned, 512u);
  EXPECT_EQ(win::ReadLe32(identify, 120), 4096u) << "the first IDE reader";
  port[4] = 0xB0;
  EXPECT_FALSE(win::DeviceIoControl(Driver(), 11, port.data(), 8, identify.data(), 512, &returned, nullptr));
  port[4] = 0xA0;
  port[0] = 0x70;  // the secondary channel
  EXPECT_FALSE(win::DeviceIoControl(Driver(), 11, port.data(), 8, identify.data(), 512, &returned, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_DEV_NOT_EXIST);
}

TEST_F(CardDriverTest, MissingOrFailingDriverAndOtherSystems) {
  Start(Machine98("missing"));
  EXPECT_EQ(Driver(), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  const auto vwin32 = test_support::OpenDevice("vwin32");
  EXPECT_NE(vwin32, win::INVALID_HANDLE_VALUE);
  win::CloseHandle(vwin32);

  Start(Machine98("failing"));
  ASSERT_NE(Driver(), win::INVALID_HANDLE_VALUE);
  win::DWORD anchor = 0;
  win::DWORD returned = 0;
  EXPECT_FALSE(win::DeviceIoControl(Driver(), 1, nullptr, 0, &anchor, 4, &returned, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_GEN_FAILURE);
  win::CloseHandle(driver_);
  driver_ = win::INVALID_HANDLE_VALUE;

  test_support::WriteNumberedImage("ide.img", 4096);
  Start(R"({"version":1,"windows":"2000","readers":[{"bus":"ide","maker":true,"letter":"F",
    "card":{"kind":"cf","image":"ide.img","sectors":4096}}]})");
  EXPECT_EQ(test_support::OpenDevice("Tarnlok.vxd"), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(test_support::OpenDevice("vwin32"), win::INVALID_HANDLE_VALUE);
}

}  // namespace
}  // namespace machine

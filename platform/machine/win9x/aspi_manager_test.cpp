// WNASPI32.DLL of a Windows 9x machine: the host adapters it reports, the requests it takes, the
// post routine it calls, and its absence on the NT family.
// Blocks and vendor sub-commands are written as raw bytes on purpose: they check the reader's
// decoding against docs/reader-protocol.md, not against the constants it decodes with.
#include "platform/machine/testing/machine_testing.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using test_support::SendAspi;

int posted = 0;
void PostRoutine() { ++posted; }

using SendProc = win::DWORD (*)(void*);
using SupportProc = win::DWORD (*)();

class AspiManagerTest : public ::testing::Test {
 protected:
  void Start(const std::string& windows) {
    test_support::WriteNumberedImage("e.img", 2048);
    machine_ =
        std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":")" + windows + R"(","readers":[
      {"bus":"ide","maker":true,"letter":"D"},
      {"bus":"usb","maker":true,"letter":"E","card":{"kind":"cf","image":"e.img","sectors":2048}},
      {"bus":"ls120","letter":"F"},
      {"bus":"usb","letter":"G"}]})"));
    machine_->Install();
    module_ = win::LoadLibraryA("WNASPI32.DLL");
  }
  void TearDown() override {
    if (module_ != nullptr) win::FreeLibrary(module_);
  }
  SendProc Send() const { return reinterpret_cast<SendProc>(win::GetProcAddress(module_, "SendASPI32Command")); }

  std::unique_ptr<Machine> machine_;
  win::HMODULE module_ = nullptr;
};

TEST_F(AspiManagerTest, HostAdaptersAreTheReadersAspiReaches) {
  Start("98");
  ASSERT_NE(module_, nullptr);
  const auto support = reinterpret_cast<SupportProc>(win::GetProcAddress(module_, "GetASPI32SupportInfo"));
  ASSERT_NE(support, nullptr);
  EXPECT_EQ(support(), 0x0103u) << "status 1, three hosts: the USB readers and the LS-120 drive";

  const char* identifiers[] = {"USBSTOR", "ATAPI", "USBSTOR"};
  for (std::uint8_t host = 0; host < 3; ++host) {
    std::vector<std::uint8_t> inquiry(60, 0);
    inquiry[2] = host;
    EXPECT_EQ(Send()(inquiry.data()), 1u);
    EXPECT_EQ(inquiry[8], 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(inquiry.data() + 10), 14), "ASPI for WIN32");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(inquiry.data() + 26)), identifiers[host]);
  }
  std::vector<std::uint8_t> unknown(60, 0);
  unknown[2] = 3;
  EXPECT_EQ(Send()(unknown.data()), 0x81u);

  std::vector<std::uint8_t> deviceType(16, 0);
  deviceType[0] = 1;
  EXPECT_EQ(Send()(deviceType.data()), 1u);
  deviceType[8] = 1;  // target 1
  EXPECT_EQ(Send()(deviceType.data()), 0x82u);
}

TEST_F(AspiManagerTest, CommandsRunOnTheReaderAndCompleteBeforeTheCallReturns) {
  Start("98");
  const auto inquiry = SendAspi(0, {0x12, 0, 0, 0, 42, 0}, 42);
  EXPECT_TRUE(inquiry.delivered);
  EXPECT_EQ(std::string(inquiry.data.begin() + 8, inquiry.data.begin() + 16), "Kestro  ");
  EXPECT_EQ(win::ReadLe32(inquiry.data, 36), 0x100u);
  EXPECT_EQ(win::ReadLe32(SendAspi(0, {0x28, 0, 0, 0, 0, 9, 0, 0, 1, 0}, 512).data, 0), 9u);

  std::uint8_t status = 0;
  const auto noCard = SendAspi(2, {0, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED, {}, &status);
  EXPECT_EQ(status, 0x04);
  EXPECT_EQ(noCard.status, 2) << "CHECK CONDITION";
  EXPECT_EQ(noCard.SenseKey(), 2);
  EXPECT_EQ(noCard.Asc(), 0x3A);
  // The same in the raw block, whose offsets both sides take from one layout: target status at
  // 23, the sense area from 64.
  std::vector<std::uint8_t> unready(80, 0);
  unready[0] = 2;
  unready[2] = 2;  // host 2
  unready[20] = 14;
  unready[21] = 6;
  EXPECT_EQ(Send()(unready.data()), 0x04u);
  EXPECT_EQ(unready[23], 2);
  EXPECT_EQ(unready[64 + 2] & 0x0F, 2);
  EXPECT_EQ(unready[64 + 12], 0x3A);

  // The post routine field names a registered slot that holds the routine.
  void (*routine)() = &PostRoutine;
  const win::AddressRegistration slot(&routine, sizeof routine);
  std::vector<std::uint8_t> block(80, 0);
  block[0] = 2;
  block[3] = 0x01;  // posting, no data
  block[21] = 6;
  win::WriteLe32(block, 24, slot.token());
  posted = 0;
  EXPECT_EQ(Send()(block.data()), 1u);
  EXPECT_EQ(block[1], 1);
  EXPECT_EQ(posted, 1);

  block[1] = 0xFF;
  block[3] = 0x19;  // both directions
  EXPECT_EQ(Send()(block.data()), 0xE0u);
  EXPECT_EQ(posted, 1) << "a request refused at once is not posted";

  block[3] = 0x01;
  block[8] = 2;  // target 2: nobody answers
  EXPECT_EQ(Send()(block.data()), 0x04u);
  EXPECT_EQ(block[22], 0x11) << "selection time-out";
}

TEST_F(AspiManagerTest, OlderReadersTakeTheCommandFirstFormOnWindows9x) {
  test_support::WriteNumberedImage("older.img", 2048);
  machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":"95","readers":[
    {"bus":"usb","maker":true,"firmware":"older","letter":"E","card":{"kind":"mmcsd","image":"older.img","sectors":2048}}]})"));
  machine_->Install();
  EXPECT_EQ(win::ReadLe32(SendAspi(0, {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4).data, 0), 0x80000u);
  EXPECT_EQ(SendAspi(0, {0, 0, 0, 0, 0, 0xB0, 0, 0x80}, 4).status, 2);
}

TEST_F(AspiManagerTest, NtMachinesHaveNoAspiManager) {
  Start("xp");
  EXPECT_EQ(module_, nullptr);
}

}  // namespace
}  // namespace machine

// ATA commands to IDE and PCMCIA readers through IOCTL_IDE_PASS_THROUGH and SMART_RCV_DRIVE_DATA
// on Windows 2000 and XP, and inside SCSI blocks on NT4.
// Blocks and vendor sub-commands are written as raw bytes on purpose: they check the reader's
// decoding against docs/reader-protocol.md, not against the constants it decodes with.
#include "platform/machine/testing/machine_testing.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using test_support::AtaAnswer;
using test_support::OpenDevice;
using test_support::SendIde;
using test_support::SendScsi;
using test_support::TaskFileBytes;

constexpr std::uint8_t kStatusGood = 0x50;
constexpr std::uint8_t kStatusError = 0x51;

std::string Readers(const std::string& windows) {
  test_support::WriteNumberedImage("ide.img", 4096);
  test_support::WriteNumberedImage("pcmcia.img", 2048);
  test_support::WriteNumberedImage("other.img", 2048);
  test_support::WriteNumberedImage("usb.img", 2048);
  return R"({"version":1,"windows":")" + windows + R"(","readers":[
    {"bus":"ide","maker":true,"product":"IDE CF Reader","letter":"E",
     "card":{"kind":"cf","image":"ide.img","sectors":4096,"faults":[{"op":"read","sector":300}]}},
    {"bus":"pcmcia","maker":true,"letter":"F","card":{"kind":"mmcsd","image":"pcmcia.img","sectors":2048,
     "writeProtected":true}},
    {"bus":"ide","letter":"G","card":{"kind":"cf","image":"other.img","sectors":2048}},
    {"bus":"ide","maker":true,"letter":"H"},
    {"bus":"usb","maker":true,"letter":"I","card":{"kind":"cf","image":"usb.img","sectors":2048}},
    {"bus":"ls120","letter":"J"}]})";
}

std::string Model(const std::vector<std::uint8_t>& identify) {
  std::string model;
  for (std::size_t i = 54; i < 94; i += 2) {
    model.push_back(static_cast<char>(identify[i + 1]));
    model.push_back(static_cast<char>(identify[i]));
  }
  return model.substr(0, model.find_last_not_of(' ') + 1);
}

TaskFileBytes Command(std::uint8_t command, std::uint32_t lba = 0, std::uint8_t count = 0) {
  return {0,
          count,
          static_cast<std::uint8_t>(lba),
          static_cast<std::uint8_t>(lba >> 8),
          static_cast<std::uint8_t>(lba >> 16),
          static_cast<std::uint8_t>(0xE0 | ((lba >> 24) & 0x0F)),
          command};
}

class AtaOnXp : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = std::make_unique<Machine>(test_support::Describe(Readers("xp")));
    machine_->Install();
  }
  AtaAnswer Ide(char letter, const TaskFileBytes& file, std::uint32_t size, const std::vector<std::uint8_t>& out = {}) {
    const auto handle = OpenDevice(std::string(1, letter) + ":");
    const AtaAnswer answer = SendIde(handle, file, size, out);
    win::CloseHandle(handle);
    return answer;
  }
  std::unique_ptr<Machine> machine_;
};

TEST_F(AtaOnXp, IdentifyShowsModelSizeReaderMarksAndCardFlags) {
  const AtaAnswer ide = Ide('E', {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512);
  ASSERT_TRUE(ide.delivered);
  EXPECT_EQ(ide.returned, 12u + 512u);
  EXPECT_EQ(ide.status, kStatusGood);
  EXPECT_EQ(Model(ide.data), "Kestro  IDE CF Reader");
  EXPECT_EQ(win::ReadLe32(ide.data, 120), 4096u);
  EXPECT_NE(win::ReadLe16(ide.data, 270), 0);
  EXPECT_NE(win::ReadLe16(ide.data, 272), 0);
  EXPECT_EQ(win::ReadLe32(ide.data, 314), 0x100u);

  const AtaAnswer pcmcia = Ide('F', {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512);
  EXPECT_EQ(win::ReadLe32(pcmcia.data, 314), 0x600000u | 0x40000u | 0x20u) << "PCMCIA slot, MMC/SD, write protected";

  const AtaAnswer empty = Ide('H', {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512);
  EXPECT_EQ(empty.status, kStatusGood) << "the reader answers without a card";
  EXPECT_EQ(win::ReadLe32(empty.data, 120), 0u);

  const AtaAnswer slave = Ide('E', {0, 1, 0, 0, 0, 0xB0, 0xEC}, 512);
  EXPECT_FALSE(slave.delivered) << "every reader is the master of its channel";
  EXPECT_EQ(slave.error, win::ERROR_IO_DEVICE);
}

TEST_F(AtaOnXp, ReadAndWriteSectorsCountFromTheCardsFirstSector) {
  const AtaAnswer read = Ide('E', Command(0x20, 7, 2), 1024);
  ASSERT_TRUE(read.delivered);
  EXPECT_EQ(read.status, kStatusGood);
  EXPECT_EQ(read.returned, 12u + 1024u);
  EXPECT_EQ(win::ReadLe32(read.data, 0), 7u);
  EXPECT_EQ(win::ReadLe32(read.data, 512), 8u);

  std::vector<std::uint8_t> sector(512, 0xC3);
  const AtaAnswer write = Ide('E', Command(0x30, 40, 1), 512, sector);
  EXPECT_EQ(write.status, kStatusGood);
  EXPECT_EQ(write.returned, 12u + 512u);
  EXPECT_EQ(Ide('E', Command(0x20, 40, 1), 512).data, sector);

  const AtaAnswer beyond = Ide('E', Command(0x20, 4096, 1), 512);
  EXPECT_TRUE(beyond.delivered);
  EXPECT_EQ(beyond.status, kStatusError);
  EXPECT_EQ(beyond.errorRegister, 0x10) << "ID not found";
  EXPECT_EQ(beyond.returned, 12u) << "a failed command answers the header only";

  const AtaAnswer fault = Ide('E', Command(0x20, 300, 1), 512);
  EXPECT_EQ(fault.status, kStatusError);
  EXPECT_EQ(fault.errorRegister, 0x40) << "uncorrectable data";

  const AtaAnswer protectedWrite = Ide('F', Command(0x30, 1, 1), 512, sector);
  EXPECT_EQ(protectedWrite.status, kStatusError);
  EXPECT_EQ(protectedWrite.errorRegister, 0x40);
  EXPECT_EQ(win::ReadLe32(Ide('F', Command(0x20, 1, 1), 512).data, 0), 1u) << "the protected card kept its sector";

  const AtaAnswer noCard = Ide('H', Command(0x20, 0, 1), 512);
  EXPECT_EQ(noCard.status, kStatusError);
  EXPECT_EQ(noCard.errorRegister, 0x02) << "no media";
}

TEST_F(AtaOnXp, TransfersThatDoNotFitTheirAreaAreRefused) {
  const AtaAnswer shortArea = Ide('E', Command(0x20, 0, 4), 1024);
  EXPECT_EQ(shortArea.status, kStatusError) << "four sectors into a two-sector area";
  EXPECT_EQ(shortArea.errorRegister, 0x04);
  EXPECT_EQ(win::ReadLe32(shortArea.data, 0), 0u);

  const AtaAnswer tooLarge = Ide('E', Command(0x20, 0, 33), 16896);
  EXPECT_FALSE(tooLarge.delivered) << "above the 16384-byte data area";
  EXPECT_EQ(tooLarge.error, win::ERROR_INVALID_PARAMETER);

  const AtaAnswer chs = Ide('E', {0, 1, 1, 0, 0, 0xA0, 0x20}, 512);
  EXPECT_EQ(chs.errorRegister, 0x04) << "only LBA addressing";
}

TEST_F(AtaOnXp, MediaStatusAndVendorCommandsInRegisterForm) {
  EXPECT_EQ(Ide('E', {0, 0, 0, 0, 0, 0xA0, 0xDA}, 0).status, kStatusGood);
  const AtaAnswer protectedCard = Ide('F', {0, 0, 0, 0, 0, 0xA0, 0xDA}, 0);
  EXPECT_EQ(protectedCard.status, kStatusError);
  EXPECT_EQ(protectedCard.errorRegister, 0x40);
  EXPECT_EQ(protectedCard.returned, 12u);
  EXPECT_EQ(Ide('H', {0, 0, 0, 0, 0, 0xA0, 0xDA}, 0).errorRegister, 0x02);

  const AtaAnswer status = Ide('F', {0, 1, 0, 0, 0, 0xA0, 0x80}, 512);
  EXPECT_EQ(status.status, kStatusGood);
  EXPECT_EQ(status.returned, 12u + 512u);
  EXPECT_EQ(win::ReadLe32(status.data, 0), 0x80000u | 0x20u);
  EXPECT_EQ(win::ReadLe32(Ide('H', {0, 1, 0, 0, 0, 0xA0, 0x80}, 512).data, 0), 0x04FFu);

  const AtaAnswer otherMaker = Ide('G', {0, 1, 0, 0, 0, 0xA0, 0x80}, 512);
  EXPECT_EQ(otherMaker.status, kStatusError);
  EXPECT_EQ(otherMaker.errorRegister, 0x04) << "another maker's reader knows no vendor commands";
  EXPECT_EQ(Ide('E', {0, 1, 0, 0, 0, 0xA0, 0x84}, 512).errorRegister, 0x04) << "no geometry of a plain card";
}

TEST_F(AtaOnXp, SmartIdentifyAndReadersOffTheAtaChannel) {
  const auto handle = OpenDevice("E:");
  std::vector<std::uint8_t> input(32, 0);
  win::WriteLe32(input, 0, 512);
  input[4 + 5] = 0xB0;  // the drive number's device/head; the handle names the drive
  input[4 + 6] = 0xEC;
  input[12] = 1;
  std::vector<std::uint8_t> output(16 + 512, 0);
  win::DWORD returned = 0;
  ASSERT_TRUE(win::DeviceIoControl(handle, win::SMART_RCV_DRIVE_DATA, input.data(), 32, output.data(),
                                   static_cast<win::DWORD>(output.size()), &returned, nullptr));
  EXPECT_EQ(returned, 16u + 512u);
  EXPECT_EQ(win::ReadLe32(output, 0), 512u);
  EXPECT_EQ(win::ReadLe32(output, 16 + 120), 4096u);
  input[4 + 6] = 0xB0;  // SMART READ DATA: not supported by the readers
  EXPECT_FALSE(win::DeviceIoControl(handle, win::SMART_RCV_DRIVE_DATA, input.data(), 32, output.data(),
                                    static_cast<win::DWORD>(output.size()), &returned, nullptr));
  win::CloseHandle(handle);

  const AtaAnswer usb = Ide('I', {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512);
  EXPECT_FALSE(usb.delivered);
  EXPECT_EQ(usb.error, win::ERROR_INVALID_FUNCTION);

  const AtaAnswer packet = Ide('J', {0, 1, 0, 0, 0, 0xA0, 0xA1}, 512);
  EXPECT_EQ(packet.status, kStatusGood);
  EXPECT_EQ(win::ReadLe16(packet.data, 0), 0x8080) << "an ATAPI removable direct-access device";
  EXPECT_EQ(win::ReadLe32(packet.data, 314), 0u);
  EXPECT_EQ(Ide('J', {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512).errorRegister, 0x04) << "ATAPI aborts IDENTIFY DEVICE";
  EXPECT_EQ(Ide('E', {0, 1, 0, 0, 0, 0xA0, 0xA1}, 512).errorRegister, 0x04);
}

class AtaOnNt4 : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = std::make_unique<Machine>(test_support::Describe(Readers("nt4")));
    machine_->Install();
  }
  test_support::ScsiAnswer Scsi(char letter, const std::vector<std::uint8_t>& cdb, std::uint32_t length,
                                win::BYTE direction = win::SCSI_IOCTL_DATA_IN,
                                const std::vector<std::uint8_t>& out = {}) {
    const auto handle = OpenDevice(std::string(1, letter) + ":");
    const auto answer = SendScsi(handle, cdb, length, direction, out);
    win::CloseHandle(handle);
    return answer;
  }
  std::unique_ptr<Machine> machine_;
};

TEST_F(AtaOnNt4, AtaCommandsRideInsideScsiBlocks) {
  const auto handle = OpenDevice("E:");
  EXPECT_FALSE(SendIde(handle, {0, 1, 0, 0, 0, 0xA0, 0xEC}, 512).delivered) << "NT4 has no IDE pass-through";
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_FUNCTION);
  win::CloseHandle(handle);

  // 20 command count number cylLow cylHigh features head
  const auto identify = Scsi('E', {0x20, 0xEC, 1, 0, 0, 0, 0, 0xA0}, 512);
  EXPECT_EQ(identify.status, 0);
  EXPECT_EQ(Model(identify.data), "Kestro  IDE CF Reader");
  const auto read = Scsi('E', {0x20, 0x20, 2, 9, 0, 0, 0, 0xE0}, 1024);
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.transferred, 1024u);
  EXPECT_EQ(win::ReadLe32(read.data, 512), 10u);
  const auto longBlock = Scsi('E', {0x20, 0x20, 1, 0x10, 0, 0, 0, 0xE0, 0, 0}, 512);
  EXPECT_EQ(win::ReadLe32(longBlock.data, 0), 16u) << "the 10-byte block";
  const auto vendorIdentify = Scsi('H', {0x20, 0x99, 0, 0, 0, 0, 0, 0}, 512);
  EXPECT_EQ(vendorIdentify.status, 0);
  EXPECT_EQ(win::ReadLe32(vendorIdentify.data, 120), 0u) << "no card: total sectors 0";

  const std::vector<std::uint8_t> sector(512, 0x3C);
  EXPECT_EQ(Scsi('F', {0x20, 0x30, 1, 2, 0, 0, 0, 0xE0}, 512, win::SCSI_IOCTL_DATA_OUT, sector).status, 2)
      << "write protected";
  const auto noCard = Scsi('H', {0x20, 0x20, 1, 0, 0, 0, 0, 0xE0}, 512);
  EXPECT_EQ(noCard.status, 2);
  EXPECT_EQ(noCard.SenseKey(), 2);
  EXPECT_EQ(noCard.Asc(), 0x3A);

  EXPECT_EQ(win::ReadLe32(Scsi('E', {0x28, 0, 0, 0, 0, 5, 0, 0, 1, 0}, 512).data, 0), 5u)
      << "standard blocks still reach the firmware";
  EXPECT_EQ(win::ReadLe32(Scsi('I', {0x20, 0x80, 0, 0, 0, 0, 0, 0}, 4).data, 0), 0x100u)
      << "a USB reader takes the block as a vendor command";
}

}  // namespace
}  // namespace machine

// Conformance of the raw flash commands with docs/reader-protocol.md on the roads other than
// XP's pass-through: the SCSI forms through pass-through on NT4 and through ASPI on 98 and 95,
// and the ATA register form through IDE pass-through (XP), inside SCSI blocks (NT4) and the
// card driver (98, 95), packed as the program packs them. Every road reaches the same handlers,
// so the same cards give the same pages, spares, extra data and failures.
// Blocks and vendor sub-commands are written as raw bytes on purpose: they check the reader's
// decoding against docs/reader-protocol.md, not against the constants it decodes with.
#include "platform/machine/flash/smartmedia_redundant.h"
#include "platform/machine/testing/fat_images.h"
#include "platform/machine/testing/flash_blocks.h"
#include "platform/machine/testing/machine_roads.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::First;
using test_support::TaskFileBytes;

constexpr win::BYTE kIn = win::SCSI_IOCTL_DATA_IN;
constexpr win::BYTE kOut = win::SCSI_IOCTL_DATA_OUT;
constexpr std::uint8_t kHead = 0xE0;  // master, LBA

// USB readers first (ASPI hosts 0 to 2), then the ATA readers (driver nodes 3 to 6).
constexpr const char* kReaders = R"([
  {"maker":true,"firmware":"newer","letter":"F","card":{"kind":"sm","image":"usb-sm.img","deviceCode":115}},
  {"maker":true,"firmware":"older","letter":"G","card":{"kind":"ms","image":"usb-ms.img","blocks":512,"pagesPerBlock":16}},
  {"maker":true,"firmware":"newer","letter":"H","card":{"kind":"mspro","image":"usb-pro.img","sectors":4096}},
  {"bus":"ide","maker":true,"letter":"I","card":{"kind":"sm","image":"ide-sm.img","deviceCode":115}},
  {"bus":"pcmcia","maker":true,"letter":"J","card":{"kind":"ms","image":"pc-ms.img","blocks":512,"pagesPerBlock":16}},
  {"bus":"ide","maker":true,"letter":"K","card":{"kind":"mspro","image":"ide-pro.img","sectors":4096}},
  {"bus":"pcmcia","maker":true,"letter":"L","card":{"kind":"sm","image":"pc-ro.img","deviceCode":115,
   "writeProtected":true}}])";

Bytes Head(const Bytes& data, std::size_t count) { return {data.begin(), data.begin() + count}; }

class FlashRoadsTest : public ::testing::TestWithParam<const char*> {
 protected:
  std::string Windows() const { return GetParam(); }

  void SetUp() override {
    // Raw flash cards come fresh from the factory when their image is missing.
    for (const char* image : {"usb-sm.img", "usb-ms.img", "ide-sm.img", "pc-ms.img", "pc-ro.img"}) {
      std::filesystem::remove(tarnlok::test_support::TestDataHome() / image);
    }
    test_support::WriteNumberedImage("usb-pro.img", 4096);
    test_support::WriteNumberedImage("ide-pro.img", 4096);
    machine_ = std::make_unique<Machine>(
        test_support::Describe(R"({"version":1,"windows":")" + Windows() + R"(","readers":)" + kReaders + "}"));
    machine_->Install();
    roads_ = std::make_unique<test_support::MachineRoads>(Windows());
  }

  std::unique_ptr<Machine> machine_;
  std::unique_ptr<test_support::MachineRoads> roads_;
};

// The SCSI forms on NT4 (pass-through) and Windows 9x (ASPI): the older reader turns its blocks
// round on NT only.
class FlashScsiRoadsTest : public FlashRoadsTest {
 protected:
  test_support::ScsiAnswer Send(char letter, const Bytes& cdb, std::uint32_t length, win::BYTE direction = kIn,
                                const Bytes& out = {}) {
    auto answer = roads_->Scsi(letter, static_cast<std::uint8_t>(letter - 'F'), cdb, length, direction, out);
    EXPECT_TRUE(answer.delivered);
    return answer;
  }
  Bytes Data(char letter, const Bytes& cdb, std::uint32_t length) {
    const auto answer = Send(letter, cdb, length);
    EXPECT_EQ(answer.status, 0) << "sense key " << int(answer.SenseKey());
    return answer.data;
  }
  // A block in the form reader G takes on this road: address bytes high first, then the length.
  Bytes OlderBlock(std::uint8_t sub, std::uint32_t address, std::uint16_t length) const {
    if (roads_->Win9x()) {
      return {0x20,
              sub,
              std::uint8_t(address >> 24),
              std::uint8_t(address >> 16),
              std::uint8_t(address >> 8),
              std::uint8_t(address),
              std::uint8_t(length >> 8),
              std::uint8_t(length)};
    }
    return {std::uint8_t(length),        std::uint8_t(address >> 24),
            std::uint8_t(address >> 16), std::uint8_t(address >> 8),
            std::uint8_t(address),       0xB0,
            std::uint8_t(length >> 8),   sub};
  }
};

TEST_P(FlashScsiRoadsTest, StatusAndIdentificationOfEachCard) {
  EXPECT_EQ(Head(Data('F', First(0x80, 0, 0, 0), 4), 4), (Bytes{0x00, 0x02, 0, 0}));
  EXPECT_EQ(Head(Data('F', First(0x84, 0, 0, 0), 4), 2), (Bytes{0x98, 0x73}));
  EXPECT_EQ(Head(Data('G', OlderBlock(0x80, 0, 0), 4), 4), (Bytes{0x00, 0x04, 0, 0}));
  EXPECT_EQ(Head(Data('G', OlderBlock(0x84, 0, 4), 4), 4), (Bytes{0x00, 0x02, 0x10, 0x00}));
  EXPECT_EQ(Head(Data('H', First(0x80, 0, 0, 0), 4), 4), (Bytes{0x00, 0x04, 0x00, 0x20}));
  EXPECT_EQ(Head(Data('H', First(0x84, 0, 0, 0), 4), 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_P(FlashScsiRoadsTest, SmartMediaPagesWriteAndShowInTheLogicalSectors) {
  const std::uint32_t page = 1023 * 32;
  const Bytes read999{0x28, 0, 0, 0, 0x7C, 0xE0, 0, 0, 1, 0};  // logical sector 999 x 32
  EXPECT_EQ(Data('F', read999, 512), Bytes(512, 0xFF));
  EXPECT_EQ(Head(Data('F', First(0x83, page, 0, 0), 2), 2), (Bytes{0, 0}));
  const Bytes sector(512, 0x5A);
  ASSERT_EQ(Send('F', Bytes{0x20, 0x86, 0x00, 0x7F, 0xE0, 0x41, 0x03, 0xE7}, 512, kOut, sector).status, 0);
  // Programmed again: only bits set in both stay set (0x5A and 0x7E leave 0x5A).
  EXPECT_EQ(Send('F', Bytes{0x20, 0x86, 0x00, 0x7F, 0xE0, 0x41, 0x03, 0xE7}, 512, kOut, Bytes(512, 0x7E)).status, 0);
  EXPECT_EQ(Data('F', First(0x85, page, 0, 512), 512), sector);
  const Bytes spare = Data('F', First(0x8B, page, 0, 16), 16);
  EXPECT_EQ(win::ReadBe16(spare, 6), EncodeBlockAddress(999));
  EXPECT_EQ(Data('F', read999, 512), sector);
  EXPECT_EQ(Send('F', First(0x85, 1024 * 32, 0, 512), 512).Asc(), 0x21) << "past the card";
}

TEST_P(FlashScsiRoadsTest, MemoryStickBlocksAndTheProFormat) {
  const std::uint32_t block = 511;
  EXPECT_EQ(Head(Data('G', OlderBlock(0x8F, 0, 4), 4), 4), (Bytes{0xF8, 0xFB, 0xFF, 0xFF}));
  EXPECT_EQ(Head(Data('G', OlderBlock(0x8F, block, 4), 4), 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  // Page 3 of block 511 as logical block 300 (count byte 0x41).
  const std::uint32_t write = (3U << 24) | (block << 8) | 0x41;
  ASSERT_EQ(Send('G', OlderBlock(0x93, write, 300), 512, kOut, Bytes(512, 0x77)).status, 0);
  EXPECT_EQ(Head(Data('G', OlderBlock(0x8F, block, 4), 4), 4), (Bytes{0xFF, 0xFF, 0x01, 0x2C}));
  EXPECT_EQ(Data('G', OlderBlock(0x85, (3U << 16) | block, 512), 512), Bytes(512, 0x77));
  EXPECT_EQ(Data('G', Bytes{0x28, 0, 0, 0, 0x12, 0xC3, 0, 0, 1, 0}, 512), Bytes(512, 0x77));  // 300 x 16 + 3
  EXPECT_EQ(Head(Data('G', OlderBlock(0x83, (300U << 16) | block, 0x4000), 2), 2), (Bytes{0, 0}));
  EXPECT_EQ(Head(Data('G', OlderBlock(0x8F, block, 4), 4), 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));

  ASSERT_EQ(Send('H', Bytes{0x20, 0x9B, 1, 0, 0, 0, 0, 2, 0, 0}, 2).status, 0);
  for (std::uint32_t quarter = 1; quarter < 4; ++quarter) {
    const Bytes progress = Data('H', Bytes{0x20, 0x9C, 0, 0, 0, 0, 0, 8, 0, 0}, 8);
    EXPECT_EQ(win::ReadBe32(progress, 4), 1024 * quarter);
  }
  EXPECT_EQ(Head(Data('H', Bytes{0x20, 0x9C, 0, 0, 0, 0, 0, 8, 0, 0}, 8), 1), Bytes{'P'});
}

INSTANTIATE_TEST_SUITE_P(Roads, FlashScsiRoadsTest, ::testing::Values("nt4", "98", "95"));

// The ATA register form, with the registers packed as the program packs them.
class FlashAtaRoadsTest : public FlashRoadsTest {
 protected:
  static constexpr std::size_t kFirstAtaNode = 3;

  test_support::RoadAnswer Send(char letter, const TaskFileBytes& file, std::uint32_t size, bool writes = false,
                                const Bytes& out = {}) {
    auto answer = roads_->Ata(letter, kFirstAtaNode + static_cast<std::size_t>(letter - 'I'), file, size, writes, out);
    EXPECT_TRUE(answer.delivered);
    return answer;
  }
  Bytes Data(char letter, const TaskFileBytes& file, std::uint32_t size) {
    const auto answer = Send(letter, file, size);
    EXPECT_FALSE(answer.failed) << "error register " << int(answer.errorRegister.value_or(0));
    return answer.data;
  }
  // LBA28 with the page as address.
  static TaskFileBytes Page(std::uint8_t command, std::uint32_t page, std::uint8_t count, std::uint8_t features = 0) {
    return {features,
            count,
            std::uint8_t(page),
            std::uint8_t(page >> 8),
            std::uint8_t(page >> 16),
            std::uint8_t(kHead | ((page >> 24) & 0x0F)),
            command};
  }
  static TaskFileBytes Status(std::uint8_t command) { return {0, 1, 0, 0, 0, 0xA0, command}; }
  // The Memory Stick transfer layout: block in sector number (high) and features (low).
  static TaskFileBytes StickTransfer(std::uint8_t command, std::uint16_t block, std::uint8_t page, std::uint8_t count) {
    return {std::uint8_t(block), count, std::uint8_t(block >> 8), page, 0, kHead, command};
  }
  // The Memory Stick write set-up: logical block (13 bits) spread over features and the
  // cylinder registers' high bits, physical block in sector number and cylinder low.
  static TaskFileBytes StickSetup(std::uint16_t logical, std::uint16_t block, std::uint8_t page) {
    return {std::uint8_t(logical),
            0,
            std::uint8_t(block),
            std::uint8_t((((logical >> 8) & 0x18) << 3) | (block >> 8)),
            std::uint8_t((((logical >> 8) & 0x07) << 5) | page),
            kHead,
            0x86};
  }
};

TEST_P(FlashAtaRoadsTest, StatusAndIdentificationOfEachCard) {
  EXPECT_EQ(Head(Data('I', Status(0x80), 512), 4), (Bytes{0x00, 0x02, 0, 0}));
  EXPECT_EQ(Head(Data('I', Status(0x84), 512), 4), (Bytes{0x98, 0x73, 0, 0}));
  EXPECT_EQ(Head(Data('J', Status(0x80), 512), 4), (Bytes{0x00, 0x04, 0, 0}));
  EXPECT_EQ(Head(Data('J', Status(0x84), 512), 4), (Bytes{0x00, 0x02, 0x10, 0x00}));
  EXPECT_EQ(Head(Data('K', Status(0x80), 512), 4), (Bytes{0x00, 0x04, 0x00, 0x20}));
  EXPECT_EQ(Head(Data('K', Status(0x84), 512), 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Head(Data('L', Status(0x80), 512), 4), (Bytes{0x20, 0x02, 0, 0}));
}

TEST_P(FlashAtaRoadsTest, SmartMediaWriteSetUpThenTheDataByWriteSectors) {
  const std::uint32_t page = 1023 * 32;
  const TaskFileBytes logical999 = Page(0x20, 999 * 32, 1);
  EXPECT_EQ(Data('I', logical999, 512), Bytes(512, 0xFF));
  EXPECT_FALSE(Send('I', Page(0x83, page, 0), 0).failed);
  // Logical block 999: its low byte in features, its high byte in the sector count.
  ASSERT_FALSE(Send('I', Page(0x86, page, 0x03, 0xE7), 0).failed);
  ASSERT_FALSE(Send('I', Page(0x30, page, 1), 512, true, Bytes(512, 0x5A)).failed);
  EXPECT_EQ(Data('I', Page(0x85, page, 1), 512), Bytes(512, 0x5A));
  const Bytes spares = Data('I', Page(0x8B, page, 1), 512);
  EXPECT_EQ(win::ReadBe16(spares, 6), EncodeBlockAddress(999));
  EXPECT_EQ(win::ReadBe16(spares, 16 + 6), 0xFFFF) << "only the page written";
  EXPECT_EQ(Data('I', logical999, 512), Bytes(512, 0x5A));
  // A page programmed again keeps the bits both writes set (0x5A and 0x11 leave 0x10); a write
  // without its set-up is a plain logical write.
  ASSERT_FALSE(Send('I', Page(0x86, page, 0x03, 0xE7), 0).failed);
  ASSERT_FALSE(Send('I', Page(0x30, page, 1), 512, true, Bytes(512, 0x11)).failed);
  EXPECT_EQ(Data('I', Page(0x85, page, 1), 512), Bytes(512, 0x10));
  ASSERT_FALSE(Send('I', Page(0x30, 999 * 32 + 1, 1), 512, true, Bytes(512, 0x22)).failed);
  EXPECT_EQ(Data('I', Page(0x20, 999 * 32 + 1, 1), 512), Bytes(512, 0x22));

  // The bad-block mark: 0x4000 as the logical block, then one zeroed sector.
  const std::uint32_t markPage = 1022 * 32;
  ASSERT_FALSE(Send('I', Page(0x86, markPage, 0x40, 0x40), 0).failed);
  ASSERT_FALSE(Send('I', Page(0x30, markPage, 1), 512, true, Bytes(512, 0)).failed);
  const Bytes marked = Data('I', Page(0x8B, markPage, 1), 512);
  for (std::size_t unit = 0; unit < 32; ++unit) EXPECT_EQ(marked[unit * 16 + kBlockStatusAt], 0x00) << unit;
  // A write-protected card takes no raw write.
  EXPECT_TRUE(Send('L', Page(0x83, page, 0), 0).failed);
  ASSERT_FALSE(Send('L', Page(0x86, page, 0x03, 0xE7), 0).failed);
  const auto refused = Send('L', Page(0x30, page, 1), 512, true, Bytes(512, 0x5A));
  EXPECT_TRUE(refused.failed);
  EXPECT_EQ(refused.errorRegister.value_or(0x40), 0x40) << "write protected";
}

TEST_P(FlashAtaRoadsTest, MemoryStickTransfersEraseAndTheExtraDataMark) {
  const std::uint16_t block = 511;
  const Bytes extra = Data('J', StickTransfer(0x8F, 0, 0, 1), 512);
  EXPECT_EQ(Head(extra, 8), (Bytes{0xF8, 0xFB, 0xFF, 0xFF, 0, 0, 0, 0})) << "4 bytes, the rest zero";
  EXPECT_EQ(Head(Data('J', StickTransfer(0x8F, block, 0, 1), 512), 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  ASSERT_FALSE(Send('J', StickSetup(300, block, 3), 0).failed);
  ASSERT_FALSE(Send('J', StickTransfer(0x30, block, 3, 1), 512, true, Bytes(512, 0x77)).failed);
  EXPECT_EQ(Head(Data('J', StickTransfer(0x8F, block, 0, 1), 512), 4), (Bytes{0xFF, 0xFF, 0x01, 0x2C}));
  EXPECT_EQ(Data('J', StickTransfer(0x85, block, 3, 1), 512), Bytes(512, 0x77));
  EXPECT_EQ(Data('J', Page(0x20, 300 * 16 + 3, 1), 512), Bytes(512, 0x77));
  // Logical block 8191 programs the block's extra data from the head of the sector.
  ASSERT_FALSE(Send('J', StickSetup(8191, block, 0), 0).failed);
  Bytes mark(512, 0);
  mark[0] = 0x78;
  mark[1] = mark[2] = mark[3] = 0xFF;
  ASSERT_FALSE(Send('J', StickTransfer(0x30, block, 0, 1), 512, true, mark).failed);
  EXPECT_EQ(Head(Data('J', StickTransfer(0x8F, block, 0, 1), 512), 4), (Bytes{0x78, 0xFF, 0x01, 0x2C}));
  // The erase: physical block in features and sector number, logical block in the cylinders.
  const TaskFileBytes erase{std::uint8_t(block), 0x40, std::uint8_t(block >> 8), 0x2C, 0x01, kHead, 0x83};
  EXPECT_FALSE(Send('J', erase, 0).failed);
  EXPECT_EQ(Head(Data('J', StickTransfer(0x8F, block, 0, 1), 512), 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Data('J', Page(0x20, 300 * 16 + 3, 1), 512), Bytes(512, 0xFF));
  // The last block's extra data read at the card's end does not run past it.
  EXPECT_FALSE(Send('J', StickTransfer(0x8F, block, 0, 1), 512).failed);
}

// The block command (0x20 in cylinder low of a write set-up): the data that follow fill the
// named block from its first page and give it a boot block's extra data.
TEST_P(FlashAtaRoadsTest, MemoryStickBlockCommandWritesAWholeBootBlock) {
  const std::uint16_t block = 400;
  const Bytes bootExtra = Head(Data('J', StickTransfer(0x8F, 0, 0, 1), 512), 4);
  EXPECT_EQ(Head(Data('J', StickTransfer(0x8F, block, 0, 1), 512), 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  const TaskFileBytes blockCommand{0, 0, std::uint8_t(block), std::uint8_t(0x20 | (block >> 8)), 0, kHead, 0x86};
  ASSERT_FALSE(Send('J', blockCommand, 0).failed);
  Bytes pages(16 * 512);
  for (std::size_t i = 0; i < pages.size(); ++i) pages[i] = static_cast<std::uint8_t>(1 + i / 512);
  ASSERT_FALSE(Send('J', StickTransfer(0x30, 0, 0, 16), 16 * 512, true, pages).failed);
  EXPECT_EQ(Head(Data('J', StickTransfer(0x8F, block, 0, 1), 512), 4), bootExtra);
  EXPECT_EQ(Data('J', StickTransfer(0x85, block, 0, 1), 512), Bytes(512, 1));
  EXPECT_EQ(Data('J', StickTransfer(0x85, block, 15, 1), 512), Bytes(512, 16));
  // Without the flag the same registers set up an ordinary write of logical block 0.
  const TaskFileBytes plain{0, 0, std::uint8_t(block + 1), std::uint8_t((block + 1) >> 8), 0, kHead, 0x86};
  ASSERT_FALSE(Send('J', plain, 0).failed);
  ASSERT_FALSE(Send('J', StickTransfer(0x30, 0, 0, 1), 512, true, Bytes(512, 9)).failed);
  EXPECT_EQ(Head(Data('J', StickTransfer(0x8F, block + 1, 0, 1), 512), 4), (Bytes{0xFF, 0xFF, 0x00, 0x00}));
  // A block past the card's 512 (the first one, and the highest the registers can name) is
  // refused, not written.
  for (const std::uint16_t past : {std::uint16_t{512}, std::uint16_t{0x1FFF}}) {
    const TaskFileBytes beyond{0, 0, std::uint8_t(past), std::uint8_t(0x20 | (past >> 8)), 0, kHead, 0x86};
    ASSERT_FALSE(Send('J', beyond, 0).failed);
    const auto refused = Send('J', StickTransfer(0x30, 0, 0, 16), 16 * 512, true, pages);
    EXPECT_TRUE(refused.failed) << past;
    if (refused.errorRegister) {
      EXPECT_EQ(*refused.errorRegister, 0x10) << past << ": ID not found";
    }
  }
}

TEST_P(FlashAtaRoadsTest, MemoryStickProFormatsItselfOnTheAtaRoad) {
  const TaskFileBytes start{1, 1, 0, 0, 0, kHead, 0x9B};
  ASSERT_FALSE(Send('K', start, 512).failed);
  for (std::uint32_t quarter = 1; quarter < 4; ++quarter) {
    const Bytes progress = Data('K', {0, 1, 0, 0, 0, kHead, 0x9C}, 512);
    EXPECT_EQ(win::ReadBe32(progress, 0), 4096U);
    EXPECT_EQ(win::ReadBe32(progress, 4), 1024 * quarter);
  }
  EXPECT_EQ(Head(Data('K', {0, 1, 0, 0, 0, kHead, 0x9C}, 512), 1), Bytes{'P'});
  const test_support::TestImage pro{tarnlok::test_support::TestDataHome() / "ide-pro.img", 63 * 512,
                                    test_support::FatKind::Fat16};
  const auto fsck = test_support::CheckWithFsck(pro);
  EXPECT_EQ(fsck.status, 0) << fsck.output;
  EXPECT_TRUE(Send('I', start, 512).failed) << "a SmartMedia card has no such format";
}

INSTANTIATE_TEST_SUITE_P(Roads, FlashAtaRoadsTest, ::testing::Values("xp", "nt4", "98", "95"));

}  // namespace
}  // namespace machine

// Conformance of the raw flash commands with docs/reader-protocol.md: SmartMedia, Memory Stick
// and Memory Stick Pro cards in readers of each firmware generation, through
// win::DeviceIoControl on the NT road.
// Blocks and vendor sub-commands are written as raw bytes on purpose: they check the reader's
// decoding against docs/reader-protocol.md, not against the constants it decodes with.
#include "platform/machine/flash/flash_factory.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/machine/flash/smartmedia_redundant.h"
#include "platform/machine/testing/fat_images.h"
#include "platform/machine/testing/flash_blocks.h"

#include "platform/win/files/volumes.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::First;
using test_support::Last;

constexpr win::BYTE kIn = win::SCSI_IOCTL_DATA_IN;
constexpr win::BYTE kOut = win::SCSI_IOCTL_DATA_OUT;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kDataProtect = 0x07;

// A Memory Stick command naming a block (and page within it) in the command-first form.
Bytes Stick(std::uint8_t sub, std::uint8_t page, std::uint16_t block, std::uint16_t length) {
  return {0x20,
          sub,
          0,
          page,
          std::uint8_t(block >> 8),
          std::uint8_t(block),
          std::uint8_t(length >> 8),
          std::uint8_t(length)};
}
Bytes Bytes4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) { return {a, b, c, d}; }

class FlashProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::WriteNumberedImage("pro.img", 4096);
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":"xp","readers":[
      {"maker":true,"firmware":"older","letter":"F","card":{"kind":"sm","image":"f.img","deviceCode":115}},
      {"maker":true,"firmware":"newer","letter":"S","card":{"kind":"sm","image":"s.img","deviceCode":110}},
      {"maker":true,"firmware":"wide","letter":"W","card":{"kind":"sm","image":"w.img","deviceCode":115}},
      {"maker":true,"firmware":"newer","letter":"R","card":{"kind":"sm","image":"r.img","deviceCode":115,
        "writeProtected":true}},
      {"maker":true,"firmware":"newer","letter":"M","card":{"kind":"ms","image":"m.img","blocks":512,"pagesPerBlock":16}},
      {"maker":true,"firmware":"older","letter":"N","card":{"kind":"ms","image":"n.img","blocks":512,"pagesPerBlock":16}},
      {"maker":true,"firmware":"newer","letter":"P","card":{"kind":"mspro","image":"pro.img","sectors":4096}},
      {"maker":true,"firmware":"newer","letter":"E"}]})"));
    machine_->Install();
  }

  test_support::ScsiAnswer Send(char reader, const Bytes& cdb, std::uint32_t length, win::BYTE direction = kIn,
                                const Bytes& out = {}) {
    const auto handle = test_support::OpenDevice(std::string(1, reader) + ":");
    auto answer = test_support::SendScsi(handle, cdb, length, direction, out);
    win::CloseHandle(handle);
    EXPECT_TRUE(answer.delivered);
    return answer;
  }
  Bytes Data(char reader, const Bytes& cdb, std::uint32_t length) {
    const auto answer = Send(reader, cdb, length);
    EXPECT_EQ(answer.status, 0) << "sense key " << int(answer.SenseKey());
    return answer.data;
  }
  static Bytes Head(const Bytes& data, std::size_t count) { return {data.begin(), data.begin() + count}; }

  std::unique_ptr<Machine> machine_;
};

TEST_F(FlashProtocolTest, StatusAndIdentificationInEachGenerationsForm) {
  EXPECT_EQ(Data('F', Last(0x80, 0, 0, 0), 4), Bytes4(0x00, 0x02, 0, 0));
  EXPECT_EQ(Data('S', First(0x80, 0, 0, 0), 4), Bytes4(0x00, 0x02, 0, 0));
  EXPECT_EQ(Data('R', First(0x80, 0, 0, 0), 4), Bytes4(0x20, 0x02, 0, 0));
  EXPECT_EQ(Data('M', First(0x80, 0, 0, 0), 4), Bytes4(0x00, 0x04, 0, 0));
  EXPECT_EQ(Data('F', Last(0x84, 0, 0, 4), 4), Bytes4(0x98, 0x73, 0, 0));
  EXPECT_EQ(Data('S', First(0x84, 0, 0, 0), 4), Bytes4(0x98, 0x6E, 0, 0));
  EXPECT_EQ(Data('W', Bytes{0x20, 0, 0, 0, 0, 0, 0, 0, 6, 0x84, 0, 0}, 6), (Bytes{0x98, 0x73, 0, 0, 0, 0}));
  EXPECT_EQ(Data('M', First(0x84, 0, 0, 0), 4), Bytes4(0x00, 0x02, 0x10, 0x00));  // 512 blocks of 16 pages
  EXPECT_EQ(Data('N', Last(0x84, 0, 0, 4), 4), Bytes4(0x00, 0x02, 0x10, 0x00));
  EXPECT_EQ(Data('P', First(0x84, 0, 0, 0), 4), Bytes4(0xFF, 0xFF, 0xFF, 0xFF));
  // Foreign forms are refused, so a probe goes on to the other form.
  EXPECT_EQ(Send('F', First(0x84, 0, 0, 0), 4).Asc(), 0x20);
  EXPECT_EQ(Send('S', Last(0x84, 0, 0, 4), 4).Asc(), 0x20);
  // Without a card the raw commands reply the no-card word.
  EXPECT_EQ(Head(Data('E', First(0x85, 0, 0, 512), 512), 2), (Bytes{0xFF, 0x04}));
  EXPECT_EQ(Head(Data('E', First(0x83, 0, 0, 0), 2), 2), (Bytes{0xFF, 0x04}));
}

TEST_F(FlashProtocolTest, SmartMediaInformationStructureAndRedundantAreas) {
  // 1 MB card of 256-byte pages: block 0 holds the structure, 16 pages with 8-byte spares.
  const Bytes redundant = Data('S', First(0x8B, 0, 0, 128), 128);
  EXPECT_EQ(redundant[kBlockStatusAt], 0xFF);
  EXPECT_EQ(redundant[6], 0x00);
  EXPECT_EQ(redundant[7], 0x00);
  const Bytes cis = Data('S', First(0x85, 0, 0, 512), 512);
  EXPECT_EQ(Head(cis, 11), (Bytes{0x01, 0x03, 0xD9, 0x01, 0xFF, 0x18, 0x02, 0xDF, 0x01, 0x20, 0x04}));
  EXPECT_EQ(cis[0x100], 0x01);  // the structure again in the page's second half
  // The older reader gives 512 bytes of redundant data for a 32-page block.
  const Bytes older = Data('F', Last(0x8B, 0, 0, 512), 512);
  EXPECT_EQ(older[6], 0x00);
  EXPECT_EQ(Bytes(older.begin() + 16, older.begin() + 32), Bytes(16, 0xFF));  // only page 0 holds the structure
  EXPECT_EQ(Send('F', Last(0x8B, 1024 * 32, 0, 16), 16).Asc(), 0x21);  // past the card
}

TEST_F(FlashProtocolTest, SmartMediaEraseWriteAgainMarkAndTheCodeOfTheData) {
  const std::uint32_t page = 1023 * 32;  // the last block holds nothing on a fresh card
  EXPECT_EQ(Head(Data('F', Last(0x83, page, 0, 0), 2), 2), (Bytes{0, 0}));
  const Bytes sector(512, 0x5A);
  // Count byte 0x41: one sector; the length field carries logical block 7.
  EXPECT_EQ(Send('F', Last(0x86, page, 0x41, 7), 512, kOut, sector).status, 0);
  // The same bytes programmed again: the chip clears no further bit, and says so.
  EXPECT_EQ(Send('F', Last(0x86, page, 0x41, 7), 512, kOut, sector).status, 0);
  EXPECT_EQ(Data('F', Last(0x85, page, 0, 512), 512), sector);
  const Bytes redundant = Data('F', Last(0x8B, page, 0, 16), 16);
  const std::uint16_t address = EncodeBlockAddress(7);
  EXPECT_EQ(redundant[6], address >> 8);
  EXPECT_EQ(redundant[7], address & 0xFF);
  EXPECT_EQ(redundant[11], address >> 8);
  const auto code = SmartMediaEcc(std::span(sector).first(256));
  EXPECT_EQ(Bytes(redundant.begin() + 13, redundant.end()), Bytes(code.begin(), code.end()));

  // The bad-block mark: count 0x41, logical field 0x4000; every unit of the block reads bad.
  EXPECT_EQ(Send('F', First(0x86, page, 0x41, 0x4000), 512, kOut, Bytes(512, 0)).SenseKey(), kIllegalRequest)
      << "an older reader takes no command-first block";
  EXPECT_EQ(Send('F', Last(0x86, page, 0x41, 0x4000), 512, kOut, Bytes(512, 0)).status, 0);
  const Bytes marked = Data('F', Last(0x8B, page, 0, 512), 512);
  for (std::size_t unit = 0; unit < 32; ++unit) EXPECT_EQ(marked[unit * 16 + kBlockStatusAt], 0x00) << unit;
  EXPECT_EQ(Send('F', Last(0x86, 1024 * 32, 0x41, 0x4000), 512, kOut, Bytes(512, 0)).Asc(), 0x21)
      << "a mark past the card is not answered as written";

  // The wide road: the same commands in twelve bytes.
  const std::uint32_t widePage = 1000 * 32;
  EXPECT_EQ(Send('W', Bytes{0x20, 0, 0, 0x7D, 0x00, 0, 0, 0, 6, 0x83, 0, 0}, 6).status, 0);
  EXPECT_EQ(Send('W', Bytes{0x20, 0, 0, 0x7D, 0x00, 0xC1, 0, 0, 0, 0x86, 0, 0}, 512, kOut, sector).status, 0);
  EXPECT_EQ(Head(Data('W', Bytes{0x20, 0, 0, 0x7D, 0x00, 0, 0, 16, 0, 0x8B, 0, 0}, 16), 8),
            (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));  // written as the structure's block
  EXPECT_EQ(widePage, 0x7D00U);

  // A write-protected card refuses erases and writes.
  EXPECT_EQ(Send('R', First(0x83, page, 0, 0), 2).SenseKey(), kDataProtect);
  EXPECT_EQ(Send('R', First(0x86, page, 0x41, 7), 512, kOut, sector).SenseKey(), kDataProtect);
}

TEST_F(FlashProtocolTest, LogicalSectorsFollowRawWritesAndErases) {
  const auto capacity = Data('F', Bytes{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
  EXPECT_EQ(Head(capacity, 4), (Bytes{0, 0, 0x7C, 0xFF}));  // 32,000 logical sectors
  const auto mbr = Data('F', Bytes{0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512);
  EXPECT_EQ(mbr[510], 0x55);
  EXPECT_EQ(mbr[511], 0xAA);
  const Bytes read900{0x28, 0, 0, 0, 0x70, 0x80, 0, 0, 1, 0};  // sector 900 x 32
  EXPECT_EQ(Data('F', read900, 512), Bytes(512, 0xFF));
  const std::uint32_t page = 1020 * 32;
  ASSERT_EQ(Send('F', Last(0x83, page, 0, 0), 2).status, 0);
  ASSERT_EQ(Send('F', Last(0x86, page, 0x41, 900), 512, kOut, Bytes(512, 0x33)).status, 0);
  EXPECT_EQ(Data('F', read900, 512), Bytes(512, 0x33));
  ASSERT_EQ(Send('F', Last(0x83, page, 0, 0), 2).status, 0);
  EXPECT_EQ(Data('F', read900, 512), Bytes(512, 0xFF));
}

TEST_F(FlashProtocolTest, MemoryStickExtraDataPagesMarksAndErases) {
  EXPECT_EQ(Data('M', Stick(0x8F, 0, 0, 4), 4), Bytes4(0xF8, 0xFB, 0xFF, 0xFF));
  EXPECT_EQ(Data('N', Bytes{4, 0, 0, 0, 1, 0xA0, 0, 0x8F}, 4), Bytes4(0xF8, 0xFB, 0xFF, 0xFF));
  EXPECT_EQ(Data('M', Stick(0x8F, 0, 0, 8), 8), (Bytes{0xF8, 0xFB, 0xFF, 0xFF, 0xF8, 0xFB, 0xFF, 0xFF}));
  const std::uint16_t block = 511;
  EXPECT_EQ(Data('M', Stick(0x8F, 0, block, 4), 4), Bytes4(0xFF, 0xFF, 0xFF, 0xFF));
  // Write page 3 of the block as logical block 300: 20 93 page blockHi blockLo count logicalHi logicalLo.
  const Bytes write{0x20, 0x93, 3, 0x01, 0xFF, 0x41, 0x01, 0x2C};
  EXPECT_EQ(Send('M', write, 512, kOut, Bytes(512, 0x77)).status, 0);
  EXPECT_EQ(Send('M', write, 512, kOut, Bytes(512, 0x7F)).status, 0) << "programming again clears no bit";
  EXPECT_EQ(Data('M', Stick(0x8F, 0, block, 4), 4), Bytes4(0xFF, 0xFF, 0x01, 0x2C));
  EXPECT_EQ(Data('M', Stick(0x85, 3, block, 512), 512), Bytes(512, 0x77));
  EXPECT_EQ(Send('M', Stick(0x85, 16, block - 1, 512), 512).Asc(), 0x21) << "page past the block";
  const Bytes logical{0x28, 0, 0, 0, 0x12, 0xC3, 0, 0, 1, 0};  // sector 300 x 16 + 3
  EXPECT_EQ(Data('M', logical, 512), Bytes(512, 0x77));
  // The mark clears the good bit; the erase (logical block and flag are bookkeeping) clears all.
  EXPECT_EQ(Send('M', Stick(0x90, 0, block, 4), 4, kOut, Bytes4(0x78, 0xFF, 0x01, 0x2C)).status, 0);
  EXPECT_EQ(Data('M', Stick(0x8F, 0, block, 4), 4), Bytes4(0x78, 0xFF, 0x01, 0x2C));
  EXPECT_EQ(Data('M', logical, 512), Bytes(512, 0xFF));
  EXPECT_EQ(Head(Data('M', Bytes{0x20, 0x83, 0x01, 0x2C, 0x01, 0xFF, 0x40, 0}, 2), 2), (Bytes{0, 0}));
  EXPECT_EQ(Data('M', Stick(0x8F, 0, block, 4), 4), Bytes4(0xFF, 0xFF, 0xFF, 0xFF));
  // A boot block written back as the format library does it: erase, then 0x93 with count 0xC0 + 16.
  const Bytes bootBlock = Data('M', Stick(0x85, 0, 1, 16 * 512), 16 * 512);
  EXPECT_EQ(Head(Data('M', Bytes{0x20, 0x83, 0xFF, 0xFF, 0, 1, 0, 0}, 2), 2), (Bytes{0, 0}));
  EXPECT_EQ(Data('M', Stick(0x8F, 0, 1, 4), 4), Bytes4(0xFF, 0xFF, 0xFF, 0xFF));
  EXPECT_EQ(Send('M', Bytes{0x20, 0x93, 0, 0, 1, 0xD0, 0xFF, 0xFF}, 16 * 512, kOut, bootBlock).status, 0);
  EXPECT_EQ(Data('M', Stick(0x8F, 0, 1, 4), 4), Bytes4(0xF8, 0xFB, 0xFF, 0xFF));
  EXPECT_EQ(Data('M', Stick(0x85, 0, 1, 16 * 512), 16 * 512), bootBlock);
  // SmartMedia's commands are refused on a stick, and the reverse.
  EXPECT_EQ(Send('M', First(0x8B, 0, 0, 16), 16).Asc(), 0x24);
  EXPECT_EQ(Send('S', Stick(0x8F, 0, 0, 4), 4).Asc(), 0x24);
}

TEST_F(FlashProtocolTest, AnInjectedSpareReadFaultFailsOnlyTheReadersSpareCommands) {
  machine_.reset();
  machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":"xp","readers":[
    {"maker":true,"letter":"S","card":{"kind":"sm","image":"s.img","deviceCode":110,
      "faults":[{"op":"readSpare","block":3}]}},
    {"maker":true,"letter":"M","card":{"kind":"ms","image":"m.img","blocks":512,"pagesPerBlock":16,
      "faults":[{"op":"readSpare","block":5,"times":"always"}]}}]})"));
  machine_->Install();
  const Bytes readTen{0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
  // Block 3 of the 1 MB card begins at page 48: its redundant data fails once, its pages never.
  EXPECT_EQ(Send('S', First(0x8B, 48, 0, 128), 128).Asc(), 0x11);
  EXPECT_EQ(Data('S', First(0x8B, 48, 0, 128), 128).size(), 128u);
  EXPECT_EQ(Data('S', First(0x85, 48, 0, 512), 512).size(), 512u);
  EXPECT_EQ(Data('S', readTen, 512).size(), 512u) << "the firmware still maps the card";
  EXPECT_EQ(Send('M', Stick(0x8F, 0, 5, 4), 4).Asc(), 0x11);
  EXPECT_EQ(Send('M', Stick(0x8F, 0, 5, 4), 4).Asc(), 0x11);
  EXPECT_EQ(Data('M', Stick(0x8F, 0, 6, 4), 4).size(), 4u) << "the next block reads";
  EXPECT_EQ(Data('M', Stick(0x85, 0, 5, 512), 512).size(), 512u);
  EXPECT_EQ(Data('M', readTen, 512).size(), 512u);
}

TEST_F(FlashProtocolTest, MemoryStickProFormatsItselfAndReportsProgress) {
  EXPECT_EQ(Send('P', First(0x83, 0, 0, 0), 2).Asc(), 0x24);  // no raw flash to erase
  EXPECT_EQ(Head(Data('P', Bytes{0x20, 0x9C, 0, 0, 0, 0, 0, 8, 0, 0}, 8), 1), Bytes{'P'});
  EXPECT_EQ(Send('P', Bytes{0x20, 0x9B, 1, 0, 0, 0, 0, 2, 0, 0}, 2).status, 0);
  for (const std::uint32_t quarter : {1U, 2U, 3U}) {
    const Bytes progress = Data('P', Bytes{0x20, 0x9C, 0, 0, 0, 0, 0, 8, 0, 0}, 8);
    EXPECT_EQ(Head(progress, 4), Bytes4(0, 0, 0x10, 0x00));  // 4096 sectors in all
    EXPECT_EQ(progress[6] * 256 + progress[7], 1024 * quarter);
  }
  EXPECT_EQ(Data('P', Bytes{0x20, 0x9C, 0, 0, 0, 0, 0, 8, 0, 0}, 8), (Bytes{'P', 0, 0, 0, 0, 0, 0, 0}));
  // The numbered image became the factory's volume.
  const test_support::TestImage pro{tarnlok::test_support::TestDataHome() / "pro.img", 63 * 512,
                                    test_support::FatKind::Fat16};
  const auto fsck = test_support::CheckWithFsck(pro);
  EXPECT_EQ(fsck.status, 0) << fsck.output;
  EXPECT_EQ(Send('F', Bytes{0x20, 0x9B, 1, 0, 0, 0, 0, 2, 0, 0}, 2).Asc(), 0x20);  // older: not its form
  EXPECT_EQ(Send('S', Bytes{0x20, 0x9B, 1, 0, 0, 0, 0, 2, 0, 0}, 2).Asc(), 0x24);  // not a Pro card
}

// A low-level format as the format library's older family sends it to a 16 MB card (media size
// code 5, 1024 blocks of 32 pages): every block erased, block 0 marked bad, the information
// structure in block 1, then from block 2 on (logical block = block - 2) the master boot record,
// zero sectors, the boot record at 41 sectors on, both FATs and the root directory.
TEST_F(FlashProtocolTest, ALowLevelFormatThroughRawCommandsGivesAVolumeThatFsckAccepts) {
  for (std::uint32_t block = 0; block < 1024; ++block) {
    ASSERT_EQ(Send('F', Last(0x83, block * 32, 0, 0), 2).status, 0) << block;
  }
  ASSERT_EQ(Send('F', Last(0x86, 0, 0x41, 0x4000), 512, kOut, Bytes(512, 0)).status, 0);
  const auto cis = SmartMediaCisPage();
  ASSERT_EQ(Send('F', Last(0x86, 32, 0xC1, 0), 512, kOut, Bytes(cis.begin(), cis.end())).status, 0);

  Bytes mbr(512, 0);
  const Bytes entry{0x80, 2, 10, 0, 0x01, 3, 0x50, 0xF3, 41, 0, 0, 0, 0xD7, 0x7C, 0, 0};
  std::copy(entry.begin(), entry.end(), mbr.begin() + 446);
  mbr[510] = 0x55;
  mbr[511] = 0xAA;
  Bytes boot(512, 0);
  const Bytes parameters{0xE9, 0,    0,    ' ',  ' ',  ' ',  ' ', ' ', ' ', ' ', ' ', 0x00, 0x02, 32, 1, 0,
                         2,    0x00, 0x01, 0xD7, 0x7C, 0xF8, 3,   0,   16,  0,   4,   0,    41,   0,  0, 0};
  std::copy(parameters.begin(), parameters.end(), boot.begin());
  boot[38] = 0x29;  // extended fields: a serial of 0, a label fsck.fat takes, the type
  std::copy_n("NO NAME    FAT12   ", 19, boot.begin() + 43);
  boot[510] = 0x55;
  boot[511] = 0xAA;
  Bytes fat(512, 0);
  fat[0] = 0xF8;
  fat[1] = fat[2] = 0xFF;
  const auto write = [this](std::uint32_t sector, const Bytes& data) {
    const std::uint32_t page = 64 + sector;
    const std::uint16_t logical = static_cast<std::uint16_t>(page / 32 - 2);
    ASSERT_EQ(Send('F', Last(0x86, page, 0x41, logical), 512, kOut, data).status, 0) << sector;
  };
  write(0, mbr);
  for (std::uint32_t sector = 1; sector < 41; ++sector) write(sector, Bytes(512, 0));
  write(41, boot);
  write(42, fat);
  write(45, fat);
  for (const std::uint32_t sector : {43U, 44U, 46U, 47U}) write(sector, Bytes(512, 0));
  for (std::uint32_t sector = 48; sector < 64; ++sector) write(sector, Bytes(512, 0));

  // The reader shows the volume: through READ(10) to fsck.fat, and on its letter after a release.
  const auto path = tarnlok::test_support::TestDataHome() / "formatted.img";
  Bytes image;
  for (std::uint32_t first = 0; first < 32000; first += 64) {
    const Bytes read{0x28, 0, 0, 0, std::uint8_t(first >> 8), std::uint8_t(first), 0, 0, 64, 0};
    const Bytes chunk = Data('F', read, 64 * 512);
    image.insert(image.end(), chunk.begin(), chunk.end());
  }
  test_support::WriteHostFile(path, image);
  const auto fsck = test_support::CheckWithFsck({path, 41 * 512, test_support::FatKind::Fat16});
  EXPECT_EQ(fsck.status, 0) << fsck.output;
  ASSERT_EQ(Send('F', Bytes{0x1D, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED).status, 0);
  win::ULARGE_INTEGER total{};
  ASSERT_TRUE(win::GetDiskFreeSpaceExA("F:\\", nullptr, &total, nullptr));
  EXPECT_EQ(total.QuadPart, (31959ULL - 1 - 6 - 16) / 32 * 32 * 512);
}

}  // namespace
}  // namespace machine

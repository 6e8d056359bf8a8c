// Backups of SmartMedia and Memory Stick cards: block by block with the flash's own redundant or
// extra data, compared with the machine's flash image of the card; the reader's firmware lock,
// taken for the run, given back after it.
#include "device/device_entry.h"
#include "operations/backup_test_support.h"
#include "platform/machine/reader/reader.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::ReadHostFile;

// The flash image of a SmartMedia card read as the reader presents it: data of consecutive
// pages, and their spare areas, each as one stream.
struct SmartMediaImage {
  std::vector<win::BYTE> image;
  std::size_t pageBytes;  // 256 or 512
  std::size_t spareBytes() const { return pageBytes / 32; }
  std::size_t pages() const { return image.size() / (pageBytes + spareBytes()); }

  std::vector<win::BYTE> Data(std::size_t page, std::size_t length) const { return Stream(page, length, false); }
  std::vector<win::BYTE> Spares(std::size_t page, std::size_t length) const { return Stream(page, length, true); }

 private:
  std::vector<win::BYTE> Stream(std::size_t page, std::size_t length, bool spare) const {
    std::vector<win::BYTE> out;
    for (; out.size() < length && page < pages(); ++page) {
      const std::size_t at = page * (pageBytes + spareBytes()) + (spare ? pageBytes : 0);
      const std::size_t part = spare ? spareBytes() : pageBytes;
      out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(at),
                 image.begin() + static_cast<std::ptrdiff_t>(at + part));
    }
    out.resize(length, 0);
    return out;
  }
};

// Written out here rather than taken from the code under test: a good block (status byte 5 0xFF)
// with a block address (bytes 6-7 not FF FF), not the no-card reply.
bool SmartMediaBlockUsed(const std::vector<win::BYTE>& redundant) {
  const bool noCard = redundant[0] == 0xFF && redundant[1] == 0x04;
  return !noCard && redundant[5] == 0xFF && !(redundant[6] == 0xFF && redundant[7] == 0xFF);
}

// Bit 7 of byte 0 set (good), bytes 2-3 not FF FF (used), not the no-card reply.
bool MemoryStickBlockUsed(std::span<const win::BYTE> extra) {
  const bool noCard = extra[0] == 0xFF && extra[1] == 0x04;
  return !noCard && (extra[0] & 0x80) != 0 && !(extra[2] == 0xFF && extra[3] == 0xFF);
}

// The body a SmartMedia backup holds: per block the redundant data, then 512-byte reads of
// each of its pages when the block is good and holds a logical block.
std::vector<win::BYTE> ExpectedSmartMediaBody(const SmartMediaImage& card, std::size_t pagesPerBlock,
                                              std::size_t redundantLength) {
  std::vector<win::BYTE> body;
  for (std::size_t first = 0; first < card.pages(); first += pagesPerBlock) {
    const auto redundant = card.Spares(first, redundantLength);
    body.insert(body.end(), redundant.begin(), redundant.end());
    if (!SmartMediaBlockUsed(redundant)) continue;
    for (std::size_t page = first; page < first + pagesPerBlock; ++page) {
      const auto data = card.Data(page, 512);
      body.insert(body.end(), data.begin(), data.end());
    }
  }
  return body;
}

std::vector<win::BYTE> ExpectedMemoryStickBody(const std::vector<win::BYTE>& image, std::size_t pagesPerBlock) {
  const std::size_t blockBytes = 4 + pagesPerBlock * 512;
  std::vector<win::BYTE> body;
  for (std::size_t at = 0; at + blockBytes <= image.size(); at += blockBytes) {
    const auto extra = std::span(image).subspan(at, 4);
    body.insert(body.end(), extra.begin(), extra.end());
    if (MemoryStickBlockUsed(extra)) {
      body.insert(body.end(), image.begin() + static_cast<std::ptrdiff_t>(at + 4),
                  image.begin() + static_cast<std::ptrdiff_t>(at + blockBytes));
    }
  }
  return body;
}

std::string FlashMachine(const std::string& windows, const std::string& firmware, const std::string& card) {
  return R"({ "version": 1, "windows": ")" + windows + R"(", "readers": [
    { "bus": "usb", "maker": true, "firmware": ")" +
         firmware + R"(", "letter": "F", "card": )" + card + R"( } ] })";
}

struct SmartMediaCase {
  const char* windows;
  const char* deviceCode;
  win::DWORD sizeCode;
  std::size_t pageBytes;
  std::size_t pagesPerBlock;
  std::size_t blocks;
  std::size_t redundant;
};

class SmartMediaBackup : public test_support::BackupProgramTest,
                         public ::testing::WithParamInterface<SmartMediaCase> {};

TEST_P(SmartMediaBackup, EveryBlockWithItsRedundantDataAndTheUsedBlocksPages) {
  const SmartMediaCase& c = GetParam();
  Start(FlashMachine(c.windows, "newer",
                     std::string(R"({ "kind": "sm", "image": "sm.img", "deviceCode": )") + c.deviceCode +
                         R"(, "factoryBadBlocks": [5] })"));
  ExpectConfirmation();
  ExpectSuccess();
  RunBackup({});
  EXPECT_FALSE(machine_->ReaderAt('F')->ReaderLocked());
  const SmartMediaImage card{ReadHostFile(test_support::TestDataHome() / "sm.img"), c.pageBytes};
  const auto body = ImageBody();
  const auto expected = ExpectedSmartMediaBody(card, c.pagesPerBlock, c.redundant);
  ASSERT_EQ(body.size(), expected.size());
  EXPECT_TRUE(body == expected);
  const auto header = ImageHeader();
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->deviceKind, kSmartMedia);
  EXPECT_EQ(header->mediaSizeCode, c.sizeCode);
  EXPECT_EQ(header->sectorsPerBlock, c.pagesPerBlock);
  EXPECT_EQ(header->blockCount, c.blocks);
  EXPECT_EQ(header->bytesPerSector, 512u);
  EXPECT_EQ(header->backupKind, kBackupWholeMedia);
  EXPECT_EQ(header->complete, 1);
}

INSTANTIATE_TEST_SUITE_P(Codes, SmartMediaBackup,
                         ::testing::Values(SmartMediaCase{"xp", "117", 6, 512, 32, 2048, 512},
                                           SmartMediaCase{"98", "117", 6, 512, 32, 2048, 512},
                                           SmartMediaCase{"xp", "110", 1, 256, 16, 256, 128},
                                           SmartMediaCase{"xp", "100", 2, 256, 16, 512, 128}));

class MemoryStickBackup : public test_support::BackupProgramTest,
                          public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(MemoryStickBackup, EveryBlocksExtraDataAndTheUsedBlocksData) {
  const auto [windows, firmware] = GetParam();
  Start(FlashMachine(windows, firmware,
                     R"({ "kind": "ms", "image": "ms.img", "blocks": 512, "pagesPerBlock": 16,
                          "factoryBadBlocks": [7] })"));
  ExpectConfirmation();
  ExpectSuccess();
  RunBackup({});
  EXPECT_FALSE(machine_->ReaderAt('F')->ReaderLocked());
  const auto body = ImageBody();
  const auto expected = ExpectedMemoryStickBody(ReadHostFile(test_support::TestDataHome() / "ms.img"), 16);
  ASSERT_EQ(body.size(), expected.size());
  EXPECT_TRUE(body == expected);
  const auto header = ImageHeader();
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->deviceKind, kMemoryStick);
  EXPECT_EQ(header->mediaSizeCode, 32u);
  EXPECT_EQ(header->sectorsPerBlock, 16u);
  EXPECT_EQ(header->blockCount, 512u);
  const auto bytes = ReadHostFile(test_support::ImageHostPath());
  for (std::size_t i = 39; i < 51; ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Roads, MemoryStickBackup,
                         ::testing::Values(std::pair{"xp", "newer"}, std::pair{"98", "newer"},
                                           std::pair{"98", "older"}));

}  // namespace
}  // namespace tarnlok

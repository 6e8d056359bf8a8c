// The image-writing loops on the simulated machine: raw flash cards read block by block (as a
// backup reads them) and written back onto another card of the same kind, plain cards sector
// by sector, faults of the target reaching the error-prompt hook, short images refused.
#include "operations/card_write_run.h"

#include "device/string_ids.h"
#include "operations/card_read_run.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_nt.h"
#include "device/testing/machine_fixture.h"
#include "device/reader_commands.h"
#include "device/card_reads.h"
#include "device/card_sector_road.h"
#include "device/flash_blocks.h"
#include "platform/machine/testing/machine_testing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tarnlok {
namespace {

using Bytes = std::vector<win::BYTE>;
using test_support::EntryAt;

// Runs every command once; a failure is recorded and ignored, as Ignore does.
class RecordingHooks : public RunHooks {
 public:
  bool BeforeBlock(win::DWORD blockNumber, win::ULONGLONG) override {
    ++blocks;
    return blockNumber != stopAtBlock;
  }
  bool BeforeWrite() override { return true; }
  bool Step(win::UINT promptString, const std::function<bool()>& command) override {
    if (!command()) failedSteps.push_back(promptString);
    return true;
  }

  win::DWORD stopAtBlock = 0xFFFFFFFF;
  win::DWORD blocks = 0;
  std::vector<win::UINT> failedSteps;
};

Bytes ReadHostFile(const std::string& name) {
  std::ifstream file(tarnlok::test_support::TestDataHome() / name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

class CardWriteRun : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    StartMachine(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "F",
        "card": { "kind": "sm", "image": "sm-source.img", "deviceCode": 115 } },
      { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "S",
        "card": { "kind": "sm", "image": "sm-target.img", "deviceCode": 115, "failingBlocks": [ 700 ] } },
      { "bus": "usb", "maker": true, "product": "MS Reader", "letter": "M",
        "card": { "kind": "ms", "image": "ms-source.img", "blocks": 512, "pagesPerBlock": 16 } },
      { "bus": "usb", "maker": true, "product": "MS Reader", "letter": "N",
        "card": { "kind": "ms", "image": "ms-target.img", "blocks": 512, "pagesPerBlock": 16 } },
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "E",
        "card": { "kind": "cf", "image": "cf-source.img", "sectors": 20000 } },
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "K",
        "card": { "kind": "cf", "image": "cf-target.img", "sectors": 20000 } } ] })");
  }

  void StartMachine(const std::string& json) {
    Start(json, 7);
    ASSERT_EQ(EnumDevicesNt(), 1);
    OperationBusy = 1;  // as while a run writes: refused commands fail
  }

  FlashCard Open(char letter, win::DWORD pagesPerBlock, win::DWORD code) {
    handles_.push_back(OpenCardVolume(letter));
    return FlashCard{handles_.back().get(), EntryAt(letter), pagesPerBlock, code, false};
  }

  // Logical sectors of a card through READ(10).
  Bytes Logical(char letter, win::DWORD sectors) {
    DriveHandle handle = OpenCardVolume(letter);
    Bytes bytes(std::size_t{sectors} * 512);
    for (win::DWORD sector = 0; sector < sectors; sector += 64) {
      const win::DWORD count = std::min<win::DWORD>(64, sectors - sector);
      EXPECT_TRUE(ReadCardSectors(handle.get(), *EntryAt(letter), sector, count, 512, bytes.data() + sector * 512))
          << letter;
    }
    return bytes;
  }

  // Fills the card's logical sectors from first with a pattern of its own.
  void Scribble(char letter, win::DWORD first, win::DWORD count, win::BYTE seed) {
    DriveHandle handle = OpenCardVolume(letter);
    Bytes bytes(std::size_t{count} * 512);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<win::BYTE>(seed + i * 7 + i / 512);
    ASSERT_TRUE(WriteCardSectors(handle.get(), *EntryAt(letter), first, bytes)) << letter;
  }

  // The body of a backup: per block the extra or redundant data, then the block's data when the
  // block holds some.
  Bytes SmartMediaBody(const FlashCard& card, win::DWORD blocks) {
    Bytes body;
    const win::DWORD length = RedundantAreaSize(card.mediaSizeCode);
    Bytes redundant(512);
    Bytes page(512);
    for (win::DWORD block = 0; block < blocks; ++block) {
      EXPECT_TRUE(ReadRedundantData(card.handle, *card.entry, block * card.pagesPerBlock,
                                    static_cast<win::WORD>(length), redundant));
      body.insert(body.end(), redundant.begin(), redundant.begin() + length);
      if (redundant[5] != 0xFF || (redundant[6] == 0xFF && redundant[7] == 0xFF)) continue;
      for (win::DWORD n = 0; n < card.pagesPerBlock; ++n) {
        EXPECT_TRUE(ReadSmartMediaPage(card.handle, *card.entry, block * card.pagesPerBlock + n, page));
        body.insert(body.end(), page.begin(), page.end());
      }
    }
    return body;
  }

  Bytes MemoryStickBody(const FlashCard& card, win::DWORD blocks) {
    Bytes body;
    Bytes data(std::size_t{card.pagesPerBlock} * 512);
    for (win::DWORD block = 0; block < blocks; ++block) {
      std::array<win::BYTE, 512> extra{};
      EXPECT_TRUE(ReadExtraData(card.handle, *card.entry, static_cast<win::WORD>(block), extra));
      body.insert(body.end(), extra.begin(), extra.begin() + 4);
      if ((extra[0] & 0x80) == 0 || (extra[2] == 0xFF && extra[3] == 0xFF)) continue;
      EXPECT_TRUE(ReadMemoryStickBlock(card.handle, *card.entry, static_cast<win::WORD>(block), data));
      body.insert(body.end(), data.begin(), data.end());
    }
    return body;
  }

  // The machine again with the source card in F and a fresh card of its model in T, whose
  // listed blocks will not erase or program.
  void RestartWithFailingTarget(const std::string& source, const std::string& target, int deviceCode,
                                const std::string& failingBlocks) {
    Stop();
    const std::string code = std::to_string(deviceCode);
    StartMachine(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "F",
        "card": { "kind": "sm", "image": ")" +
                 source + R"(", "deviceCode": )" + code + R"( } },
      { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "T",
        "card": { "kind": "sm", "image": ")" +
                 target + R"(", "deviceCode": )" + code + R"(, "failingBlocks": [ )" + failingBlocks + R"( ] } } ] })");
  }

  std::vector<DriveHandle> handles_;
};

TEST_F(CardWriteRun, SmartMediaWrittenBackHoldsTheSourceVolumeAndItsAddresses) {
  Scribble('F', 100, 3000, 0x11);
  Scribble('S', 0, 6000, 0x77);
  const FlashCard source = Open('F', 32, 5);
  const FlashCard target = Open('S', 32, 5);
  const Bytes body = SmartMediaBody(source, 1024);
  MemoryImageSource image(body);
  RecordingHooks hooks;
  ASSERT_EQ(WriteSmartMediaImage(image, FlashImageLayout::kDataWhereUsed, target, 1024, hooks), RunEnd::kCompleted);
  EXPECT_EQ(hooks.blocks, 1024u);
  EXPECT_EQ(image.Remaining(), 0u);
  // The target's failing block refuses its erase; nothing else failed.
  EXPECT_EQ(hooks.failedSteps, std::vector<win::UINT>({kStringEraseFailed}));
  handles_.clear();
  EXPECT_TRUE(Logical('S', 32000) == Logical('F', 32000));
  // Every block the source uses carries the same address word on the target.
  const Bytes sourceRaw = ReadHostFile("sm-source.img");
  const Bytes targetRaw = ReadHostFile("sm-target.img");
  const std::size_t blockBytes = 32 * (512 + 16);
  for (std::size_t block = 0; block < 1024; ++block) {
    const std::size_t spare = block * blockBytes + 512;
    if (sourceRaw[spare + 5] != 0xFF || sourceRaw[spare + 6] == 0xFF) continue;
    EXPECT_EQ(targetRaw[spare + 6], sourceRaw[spare + 6]) << block;
    EXPECT_EQ(targetRaw[spare + 7], sourceRaw[spare + 7]) << block;
  }
}

// The 1 and 2 MB cards of 256-byte pages, read by 512-byte page reads as a backup and a
// duplicate read them, written back onto a card of the same device code.
struct SmallPageCard {
  int deviceCode;
  win::DWORD sizeCode;
  win::DWORD blocks;
  win::DWORD logicalSectors;
};

class SmallPageSmartMedia : public CardWriteRun, public ::testing::WithParamInterface<SmallPageCard> {
 protected:
  void SetUp() override {
    const std::string code = std::to_string(GetParam().deviceCode);
    StartMachine(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "F",
        "card": { "kind": "sm", "image": "small-)" +
                 code + R"(-source.img", "deviceCode": )" + code + R"(, "factoryBadBlocks": [ 9 ] } },
      { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "S",
        "card": { "kind": "sm", "image": "small-)" +
                 code + R"(-target.img", "deviceCode": )" + code + R"( } } ] })");
  }
};

TEST_P(SmallPageSmartMedia, WrittenBackHoldsTheSourceVolumeAndItsAddresses) {
  const SmallPageCard& c = GetParam();
  Scribble('F', 20, c.logicalSectors - 40, 0x31);
  Scribble('S', 0, c.logicalSectors, 0x6A);
  const FlashCard source = Open('F', 16, c.sizeCode);
  const FlashCard target = Open('S', 16, c.sizeCode);
  const Bytes body = SmartMediaBody(source, c.blocks);
  MemoryImageSource image(body);
  RecordingHooks hooks;
  ASSERT_EQ(WriteSmartMediaImage(image, FlashImageLayout::kDataWhereUsed, target, c.blocks, hooks), RunEnd::kCompleted);
  EXPECT_TRUE(hooks.failedSteps.empty());
  EXPECT_EQ(image.Remaining(), 0u);
  handles_.clear();
  EXPECT_TRUE(Logical('S', c.logicalSectors) == Logical('F', c.logicalSectors));
  // Each block of 16 pages of 256 bytes and 8 spare bytes: the address words travel with it.
  const std::string code = std::to_string(c.deviceCode);
  const Bytes sourceRaw = ReadHostFile("small-" + code + "-source.img");
  const Bytes targetRaw = ReadHostFile("small-" + code + "-target.img");
  const std::size_t blockBytes = 16 * (256 + 8);
  for (std::size_t block = 0; block < c.blocks; ++block) {
    const std::size_t spare = block * blockBytes + 256;
    if (sourceRaw[spare + 5] != 0xFF || sourceRaw[spare + 6] == 0xFF) continue;
    EXPECT_EQ(targetRaw[spare + 6], sourceRaw[spare + 6]) << block;
    EXPECT_EQ(targetRaw[spare + 7], sourceRaw[spare + 7]) << block;
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, SmallPageSmartMedia,
                         ::testing::Values(SmallPageCard{0x6E, 1, 256, 2000}, SmallPageCard{0x64, 2, 512, 4000}));

TEST_F(CardWriteRun, MemoryStickWrittenBackHoldsTheSourceVolumeAndItsExtraData) {
  Scribble('M', 50, 2000, 0x23);
  Scribble('N', 0, 5000, 0x99);
  const FlashCard source = Open('M', 16, 32);
  const FlashCard target = Open('N', 16, 32);
  const Bytes body = MemoryStickBody(source, 512);
  MemoryImageSource image(body);
  RecordingHooks hooks;
  ASSERT_EQ(WriteMemoryStickImage(image, FlashImageLayout::kDataWhereUsed, target, 512, hooks), RunEnd::kCompleted);
  EXPECT_TRUE(hooks.failedSteps.empty());
  const win::DWORD logicalSectors = 7845 + 27;
  handles_.clear();
  EXPECT_TRUE(Logical('N', logicalSectors) == Logical('M', logicalSectors));
  const Bytes sourceRaw = ReadHostFile("ms-source.img");
  const Bytes targetRaw = ReadHostFile("ms-target.img");
  const std::size_t blockBytes = 4 + 16 * 512;
  for (std::size_t block = 0; block < 512; ++block) {
    const auto at = static_cast<std::ptrdiff_t>(block * blockBytes);
    EXPECT_TRUE(std::equal(sourceRaw.begin() + at + 2, sourceRaw.begin() + at + 4, targetRaw.begin() + at + 2))
        << "logical address of block " << block;
  }
}

TEST_F(CardWriteRun, PlainCardWrittenBackIsByteForByteTheImage) {
  Scribble('E', 0, 20000, 0x42);
  const Bytes source = Logical('E', 20000);
  MemoryImageSource image(source);
  RecordingHooks hooks;
  DriveHandle target = OpenCardVolume('K');
  ASSERT_EQ(WritePlainImage(image, target.get(), *EntryAt('K'), 20000, 63, 512, hooks), RunEnd::kCompleted);
  EXPECT_EQ(hooks.blocks, 20000u / 63 + 1);
  target.Close();
  EXPECT_TRUE(ReadHostFile("cf-target.img") == source);
}

TEST_F(CardWriteRun, AShortImageEndsTheLoopAsTruncated) {
  const Bytes source = Logical('E', 20000);
  DriveHandle target = OpenCardVolume('K');
  RecordingHooks hooks;
  MemoryImageSource plain(std::span<const win::BYTE>(source).first(source.size() - 512));
  EXPECT_EQ(WritePlainImage(plain, target.get(), *EntryAt('K'), 20000, 63, 512, hooks), RunEnd::kTruncatedImage);
  const FlashCard flash = Open('S', 32, 5);
  const Bytes body = SmartMediaBody(Open('F', 32, 5), 1024);
  MemoryImageSource cut(std::span<const win::BYTE>(body).first(body.size() - 100));
  EXPECT_EQ(WriteSmartMediaImage(cut, FlashImageLayout::kDataWhereUsed, flash, 1024, hooks), RunEnd::kTruncatedImage);
}

// The physical blocks of a card's raw image (32 pages of 512 bytes and 16 spare bytes) whose
// first spare area passes the test.
std::vector<std::size_t> BlocksWhere(const Bytes& raw, std::size_t blocks,
                                     const std::function<bool(std::span<const win::BYTE>)>& test) {
  std::vector<std::size_t> found;
  const std::size_t blockBytes = 32 * (512 + 16);
  for (std::size_t block = 0; block < blocks; ++block) {
    if (test(std::span(raw).subspan(block * blockBytes + 512, 16))) found.push_back(block);
  }
  return found;
}

// Good blocks that hold a logical block, and good blocks that hold none.
bool HoldsLogicalBlock(std::span<const win::BYTE> spare) {
  return spare[5] == 0xFF && spare[6] != 0xFF && (spare[6] != 0 || spare[7] != 0);
}
bool IsFreeBlock(std::span<const win::BYTE> spare) { return spare[5] == 0xFF && spare[6] == 0xFF && spare[7] == 0xFF; }

// The target's block that the image puts the volume's first logical block in will not erase:
// answered Ignore, the data go to the next good free block of the zone and the card's volume is
// whole.
TEST_F(CardWriteRun, ABlockThatWillNotEraseHasItsDataMovedToTheNextGoodBlock) {
  Scribble('F', 0, 3000, 0x2D);
  const auto used = BlocksWhere(ReadHostFile("sm-source.img"), 1024, HoldsLogicalBlock);
  ASSERT_FALSE(used.empty());
  const std::string failing = std::to_string(used.front());
  RestartWithFailingTarget("sm-source.img", "sm-moved.img", 115, failing);
  const Bytes body = SmartMediaBody(Open('F', 32, 5), 1024);
  MemoryImageSource image(body);
  RecordingHooks hooks;
  ASSERT_EQ(WriteSmartMediaImage(image, FlashImageLayout::kDataWhereUsed, Open('T', 32, 5), 1024, hooks),
            RunEnd::kCompleted);
  EXPECT_EQ(hooks.failedSteps, std::vector<win::UINT>({kStringEraseFailed}));
  handles_.clear();
  EXPECT_TRUE(Logical('T', 32000) == Logical('F', 32000)) << "block " << failing << "'s data were dropped";
}

// A full zone has few free blocks: when the zone's last block with data and every free block
// after it in the zone will not erase, the data have nowhere to go (the next zone's free blocks
// hold other logical blocks) and the run fails.
TEST_F(CardWriteRun, DataWithNoGoodBlockLeftInTheirZoneFailTheRun) {
  Stop();
  // 32 MB: two zones of 1024 blocks.
  StartMachine(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "F",
      "card": { "kind": "sm", "image": "sm-zones.img", "deviceCode": 117 } } ] })");
  Scribble('F', 0, 32000, 0x5A);
  const Bytes raw = ReadHostFile("sm-zones.img");
  std::size_t lastUsed = 0;
  for (const std::size_t block : BlocksWhere(raw, 1024, HoldsLogicalBlock)) lastUsed = block;
  ASSERT_GT(lastUsed, 0u);
  std::string failing = std::to_string(lastUsed);
  for (const std::size_t block : BlocksWhere(raw, 1024, IsFreeBlock)) {
    if (block > lastUsed) failing += ", " + std::to_string(block);
  }
  RestartWithFailingTarget("sm-zones.img", "sm-full.img", 117, failing);
  const Bytes body = SmartMediaBody(Open('F', 32, 6), 2048);
  MemoryImageSource image(body);
  RecordingHooks hooks;
  EXPECT_EQ(WriteSmartMediaImage(image, FlashImageLayout::kDataWhereUsed, Open('T', 32, 6), 2048, hooks),
            RunEnd::kWriteFailed)
      << "failing blocks " << failing;
}

TEST_F(CardWriteRun, ARefusedEraseFailsOnlyWhileARunIsBusy) {
  const FlashCard target = Open('S', 32, 5);
  EXPECT_FALSE(EraseSmartMediaBlock(target, 700 * 32)) << "the failing block";
  EXPECT_TRUE(EraseSmartMediaBlock(target, 701 * 32));
  OperationBusy = 0;
  EXPECT_TRUE(EraseSmartMediaBlock(target, 700 * 32)) << "outside a run the reader's answer decides nothing";
}

TEST_F(CardWriteRun, AFlashBodyFitsOnlyWithEveryBlockRecordAndNothingMore) {
  Scribble('F', 100, 3000, 0x11);
  const Bytes smartMedia = SmartMediaBody(Open('F', 32, 5), 1024);
  const Bytes memoryStick = MemoryStickBody(Open('M', 16, 32), 512);
  const auto fit = [](const Bytes& body, std::size_t length, bool stick, win::DWORD blocks) {
    MemoryImageSource image(std::span<const win::BYTE>(body).first(length));
    return CheckFlashBody(image, stick, blocks, stick ? 16 : 32, stick ? 32 : 5);
  };
  EXPECT_EQ(fit(smartMedia, smartMedia.size(), false, 1024), FlashBodyFit::kExact);
  EXPECT_EQ(fit(memoryStick, memoryStick.size(), true, 512), FlashBodyFit::kExact);
  EXPECT_EQ(fit(smartMedia, smartMedia.size() - 1, false, 1024), FlashBodyFit::kShort);
  EXPECT_EQ(fit(memoryStick, memoryStick.size() - 4, true, 512), FlashBodyFit::kShort);
  EXPECT_EQ(fit(smartMedia, smartMedia.size(), false, 1023), FlashBodyFit::kLong);
  EXPECT_EQ(fit(memoryStick, memoryStick.size(), true, 511), FlashBodyFit::kLong);
}

TEST_F(CardWriteRun, AHookThatStopsEndsTheLoopAtThatBlock) {
  const Bytes source = Logical('E', 20000);
  MemoryImageSource image(source);
  DriveHandle target = OpenCardVolume('K');
  RecordingHooks hooks;
  hooks.stopAtBlock = 5;
  EXPECT_EQ(WritePlainImage(image, target.get(), *EntryAt('K'), 20000, 63, 512, hooks), RunEnd::kStopped);
  EXPECT_EQ(hooks.blocks, 6u);
}

// The duplicate's two roads: the source read into memory or into a temporary file, then
// written onto the other card; the file is gone once the image is.
TEST_F(CardWriteRun, EveryCardKindDuplicatesThroughMemoryAndThroughATemporaryFile) {
  Scribble('F', 100, 3000, 0x11);
  Scribble('M', 50, 2000, 0x23);
  Scribble('E', 0, 20000, 0x42);
  const std::string folder = tarnlok::test_support::TestDataHome().string() + "/";
  for (const bool inMemory : {true, false}) {
    SCOPED_TRACE(inMemory ? "memory" : "temporary file");
    Scribble('S', 0, 6000, 0x77);
    Scribble('N', 0, 5000, 0x99);
    Scribble('K', 0, 20000, 0x55);
    std::string fileName;
    const auto duplicate = [&](win::ULONGLONG bytes, auto read, auto write) {
      DuplicateImage image;
      ASSERT_TRUE(inMemory ? image.AllocateMemory(bytes) : image.CreateTemporaryFile(folder));
      RecordingHooks hooks;
      ASSERT_EQ(read(image, hooks), RunEnd::kCompleted);
      ASSERT_TRUE(image.Rewind());
      ASSERT_EQ(write(image, hooks), RunEnd::kCompleted);
      EXPECT_EQ(image.Source().Remaining(), 0u);
      EXPECT_EQ(hooks.failedSteps, std::vector<win::UINT>(hooks.failedSteps.size(), kStringEraseFailed))
          << "only the failing block";
      fileName = image.TemporaryFileName();
      EXPECT_EQ(std::filesystem::exists(fileName), !inMemory) << "the file lives as long as its image";
    };
    const FlashCard smSource = Open('F', 32, 5);
    const FlashCard smTarget = Open('S', 32, 5);
    const auto layout = inMemory ? FlashImageLayout::kEveryBlockInFull : FlashImageLayout::kDataWhereUsed;
    duplicate(
        SmartMediaImageBytes(1024, 32, 5),
        [&](DuplicateImage& image, RunHooks& hooks) { return ReadSmartMediaCard(smSource, 1024, image, hooks); },
        [&](DuplicateImage& image, RunHooks& hooks) {
          return WriteSmartMediaImage(image.Source(), layout, smTarget, 1024, hooks);
        });
    EXPECT_FALSE(std::filesystem::exists(fileName));
    const FlashCard msSource = Open('M', 16, 32);
    const FlashCard msTarget = Open('N', 16, 32);
    duplicate(
        MemoryStickImageBytes(512, 16),
        [&](DuplicateImage& image, RunHooks& hooks) { return ReadMemoryStickCard(msSource, 512, image, hooks); },
        [&](DuplicateImage& image, RunHooks& hooks) {
          return WriteMemoryStickImage(image.Source(), layout, msTarget, 512, hooks);
        });
    DriveHandle plainSource = OpenCardVolume('E');
    DriveHandle plainTarget = OpenCardVolume('K');
    duplicate(
        20000 * 512,
        [&](DuplicateImage& image, RunHooks& hooks) {
          return ReadPlainCard(plainSource.get(), *EntryAt('E'), 20000, 63, 512, image, hooks);
        },
        [&](DuplicateImage& image, RunHooks& hooks) {
          return WritePlainImage(image.Source(), plainTarget.get(), *EntryAt('K'), 20000, 63, 512, hooks);
        });
    handles_.clear();
    plainSource.Close();
    plainTarget.Close();
    EXPECT_TRUE(Logical('S', 32000) == Logical('F', 32000));
    EXPECT_TRUE(Logical('N', 7872) == Logical('M', 7872));
    EXPECT_TRUE(ReadHostFile("cf-target.img") == ReadHostFile("cf-source.img"));
  }
}

// A card whose sectors the memory image cannot all hold (it was sized for shorter sectors)
// ends the read before any byte lands past the image.
TEST_F(CardWriteRun, APlainCardLargerThanItsMemoryImageIsNotRead) {
  DuplicateImage image;
  ASSERT_TRUE(image.AllocateMemory(200 * 256));
  DriveHandle source = OpenCardVolume('E');
  RecordingHooks hooks;
  EXPECT_EQ(ReadPlainCard(source.get(), *EntryAt('E'), 200, 63, 512, image, hooks), RunEnd::kWriteFailed);
  EXPECT_EQ(hooks.blocks, 0u);
}

}  // namespace
}  // namespace tarnlok

// The block map of SmartMedia and Memory Stick cards on described machines, on every road the
// readers are reached by: the logical volume read through the map must be the one the reader's
// own firmware shows through its logical sectors (READ(10) or ATA READ SECTORS), after writes
// that moved blocks away from their first places.
#include "recovery/flash_block_map.h"

#include "device/device_state.h"
#include "device/enum_devices_9x.h"
#include "device/enum_devices_nt.h"
#include "device/reader_commands.h"
#include "device/testing/machine_fixture.h"
#include "device/card_reads.h"
#include "device/card_sector_road.h"
#include "device/card_session.h"
#include "platform/machine/flash/flash_geometry.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace recovery {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tarnlok::DeviceEntry;

struct Road {
  const char* name;
  const char* windows;
  win::BYTE osKind;
  const char* bus;
  const char* firmware;
  int deviceCode;  // SmartMedia; 0 for a Memory Stick
  std::uint32_t blocks, pagesPerBlock;  // Memory Stick
};

// clang-format off
const Road kRoads[] = {
  {"XpNewerSmartMedia32M",       "xp",   7, "usb",    "newer", 0x75, 0, 0},
  {"XpOlderSmartMedia16M",       "xp",   7, "usb",    "older", 0x73, 0, 0},
  {"XpSmartMedia1MSmallPages",   "xp",   7, "usb",    "newer", 0x6E, 0, 0},
  {"XpSmartMedia2MSmallPages",   "xp",   7, "usb",    "newer", 0x64, 0, 0},
  {"XpSmartMedia8M",             "xp",   7, "usb",    "newer", 0xE6, 0, 0},
  {"XpSmartMedia64M",            "xp",   7, "usb",    "newer", 0x76, 0, 0},
  {"Nt4OlderSmartMedia",         "nt4",  5, "usb",    "older", 0x75, 0, 0},
  {"W2000NewerSmartMedia",       "2000", 6, "usb",    "newer", 0x73, 0, 0},
  {"W98AspiNewerSmartMedia",     "98",   3, "usb",    "newer", 0x75, 0, 0},
  {"W98AspiOlderSmartMedia",     "98",   3, "usb",    "older", 0x64, 0, 0},
  {"XpIdeSmartMedia",            "xp",   7, "ide",    "newer", 0x75, 0, 0},
  {"W98DriverIdeSmartMedia",     "98",   3, "ide",    "newer", 0x73, 0, 0},
  {"XpNewerMemoryStick",         "xp",   7, "usb",    "newer", 0, 4096, 32},
  {"XpOlderMemoryStick",         "xp",   7, "usb",    "older", 0, 512,  16},
  {"Nt4OlderMemoryStick",        "nt4",  5, "usb",    "older", 0, 1024, 16},
  {"W98AspiMemoryStick",         "98",   3, "usb",    "newer", 0, 2048, 16},
  {"W98AspiOlderMemoryStick",    "98",   3, "usb",    "older", 0, 512,  16},
  {"XpPcmciaMemoryStick",        "xp",   7, "pcmcia", "newer", 0, 1024, 32},
  {"W98DriverPcmciaMemoryStick", "98",   3, "pcmcia", "newer", 0, 512,  16},
};
// clang-format on

std::string CardOf(const Road& road) {
  if (road.deviceCode != 0) return R"("kind": "sm", "deviceCode": )" + std::to_string(road.deviceCode);
  return R"("kind": "ms", "blocks": )" + std::to_string(road.blocks) + R"(, "pagesPerBlock": )" +
         std::to_string(road.pagesPerBlock);
}

std::string MachineFor(const Road& road, const std::string& faults = {}) {
  return std::string(R"({ "version": 1, "windows": ")") + road.windows + R"(", "readers": [ { "bus": ")" + road.bus +
         R"(", "maker": true, "firmware": ")" + road.firmware + R"(", "letter": "F", "card": { )" + CardOf(road) +
         R"(, "image": "flash.img", "factoryBadBlocks": [3])" + faults + " } } ] }";
}

// A sector that tells where it was written: its number in every word.
Bytes Marked(std::uint32_t sector) {
  Bytes bytes(512);
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    bytes[i] = static_cast<std::uint8_t>(sector);
    bytes[i + 1] = static_cast<std::uint8_t>(sector >> 8);
    bytes[i + 2] = static_cast<std::uint8_t>(sector >> 16);
    bytes[i + 3] = 0x5A;
  }
  return bytes;
}

// Fails the management or page reads of chosen physical blocks of a card's reads.
class FailingReads : public FlashReads {
 public:
  explicit FailingReads(FlashReads& inner) : inner_(inner) {}
  const FlashLayout& Layout() const override { return inner_.Layout(); }
  bool ReadManagement(std::uint32_t block, std::span<std::uint8_t> out) override {
    if (failManagementOnce.erase(block) != 0) return false;
    return !failManagement.count(block) && inner_.ReadManagement(block, out);
  }
  bool ReadPages(std::uint32_t block, std::uint32_t page, std::span<std::uint8_t> out) override {
    ++pageCommands;
    return inner_.ReadPages(block, page, out);
  }
  std::set<std::uint32_t> failManagement;
  std::set<std::uint32_t> failManagementOnce;
  int pageCommands = 0;

 private:
  FlashReads& inner_;
};

class FlashCardTest : public tarnlok::test_support::MachineDeviceTest {
 protected:
  void TearDown() override {
    session_.Release();
    MachineDeviceTest::TearDown();
  }

  // Starts the machine of the road with a fresh card, opens the card as a run does and answers
  // its layout.
  void Open(const Road& road, const std::string& faults = {}, bool fresh = true) {
    if (fresh) std::filesystem::remove(tarnlok::test_support::TestDataHome() / "flash.img");
    Start(MachineFor(road, faults), road.osKind);
    ASSERT_EQ(tarnlok::OsKindIsNt() ? tarnlok::EnumDevicesNt() : tarnlok::EnumDevices9x(), 1);
    entry_ = tarnlok::test_support::EntryAt('F');
    ASSERT_NE(entry_, nullptr);
    tarnlok::CardOnIdeBus = entry_->busKind == tarnlok::kBusIde ? 1 : 0;
    tarnlok::CardOnPcmciaBus = entry_->busKind == tarnlok::kBusPcmcia ? 1 : 0;
    ASSERT_TRUE(session_.Open(*entry_));
    // As during a recovery run: a command the reader refuses counts as failed.
    tarnlok::OperationBusy = 1;
    if (road.deviceCode == 0) {
      layout_ = MemoryStickLayout(road.blocks, road.pagesPerBlock);
    } else {
      const auto geometry = tarnlok::SmartMediaGeometry(static_cast<win::BYTE>(road.deviceCode));
      ASSERT_TRUE(geometry.has_value());
      layout_ = SmartMediaLayout(*geometry);
    }
    const auto volume = machine::StandardVolumeFor(static_cast<std::uint8_t>(layout_.mediaSizeCode));
    ASSERT_TRUE(volume.has_value());
    logicalSectors_ = static_cast<std::uint32_t>(volume->LogicalSectors());
    reads_ = std::make_unique<CardFlashReads>(session_.Handle(), *entry_, layout_);
  }

  // Writes marked sectors through the reader's logical sectors: the firmware copies each
  // written block into a free one, so logical and physical order part.
  std::vector<std::uint32_t> WriteMarks() {
    const std::uint32_t perBlock = layout_.SectorsPerBlock();
    std::vector<std::uint32_t> sectors = {
        0, perBlock - 1, perBlock, 5 * perBlock + 2, logicalSectors_ / 2 + 1, logicalSectors_ - 1};
    for (const std::uint32_t sector : sectors) {
      EXPECT_TRUE(tarnlok::WriteCardSectors(session_.Handle(), *entry_, sector, Marked(sector))) << sector;
    }
    return sectors;
  }

  // The logical sectors as the reader's firmware shows them.
  Bytes ReaderSectors(std::uint32_t first, std::uint32_t count) {
    Bytes bytes(std::size_t{count} * 512);
    EXPECT_TRUE(tarnlok::ReadCardSectors(session_.Handle(), *entry_, first, count, 512, bytes.data())) << first;
    return bytes;
  }

  DeviceEntry* entry_ = nullptr;
  tarnlok::CardSession session_;
  FlashLayout layout_;
  std::uint32_t logicalSectors_ = 0;
  std::unique_ptr<CardFlashReads> reads_;
};

class FlashRoads : public FlashCardTest, public ::testing::WithParamInterface<Road> {};

TEST_P(FlashRoads, TheLogicalVolumeReadThroughTheMapIsTheOneTheReaderShows) {
  ASSERT_NO_FATAL_FAILURE(Open(GetParam()));
  const auto marks = WriteMarks();
  FlashBlockMap map(layout_);
  BlockMapObserver quiet;
  ASSERT_EQ(map.Build(*reads_, quiet), BlockMapEnd::Completed);
  EXPECT_TRUE(map.UnreadableBlocks().empty());
  EXPECT_GT(map.MappedBlocks(), 0u);

  // Some neighbouring logical blocks no longer lie in neighbouring physical blocks.
  bool moved = false;
  for (std::uint32_t logical = 0; logical + 1 < layout_.LogicalBlocks() && !moved; ++logical) {
    const auto here = map.PhysicalOf(logical), next = map.PhysicalOf(logical + 1);
    moved = here && next && *next != *here + 1;
  }
  EXPECT_TRUE(moved) << "the writes should have moved blocks";

  FlashSectorSource source(map, *reads_);
  ASSERT_GE(source.SectorCount(), logicalSectors_);
  // Reads of 48 sectors cross block boundaries at every offset the blocks allow.
  constexpr std::uint32_t kRun = 48;
  for (std::uint32_t first = 0; first < logicalSectors_; first += kRun) {
    const std::uint32_t count = std::min(kRun, logicalSectors_ - first);
    Bytes mine(std::size_t{count} * 512, 0xAB);
    ASSERT_TRUE(source.Read(first, mine)) << first;
    ASSERT_TRUE(mine == ReaderSectors(first, count)) << "sectors from " << first;
  }
  // The card driver's road on Windows 98 does not carry these writes to a stick in a PCMCIA
  // slot; the reads above still had to agree.
  if (GetParam().osKind == 3 && std::string(GetParam().bus) == "pcmcia") return;
  for (const std::uint32_t sector : marks) {
    Bytes mine(512);
    ASSERT_TRUE(source.Read(sector, mine));
    EXPECT_TRUE(mine == Marked(sector)) << sector;
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, FlashRoads, ::testing::ValuesIn(kRoads),
                         [](const ::testing::TestParamInfo<Road>& road) { return std::string(road.param.name); });

const Road& SmartMediaRoad() { return kRoads[0]; }
const Road& StickRoad() { return kRoads[12]; }

TEST_F(FlashCardTest, AnUnmappedLogicalBlockReadsAsErasedFlashNeverAsStaleData) {
  ASSERT_NO_FATAL_FAILURE(Open(SmartMediaRoad()));
  FlashBlockMap map(layout_);
  BlockMapObserver quiet;
  ASSERT_EQ(map.Build(*reads_, quiet), BlockMapEnd::Completed);
  // The first logical block that no physical block holds, after one that is held.
  std::uint32_t empty = 1;
  while (empty < layout_.LogicalBlocks() && !(map.PhysicalOf(empty - 1) && !map.PhysicalOf(empty))) ++empty;
  ASSERT_LT(empty, layout_.LogicalBlocks());
  FlashSectorSource source(map, *reads_);
  const std::uint32_t perBlock = layout_.SectorsPerBlock();
  Bytes buffer(std::size_t{perBlock} * 2 * 512, 0xAB);
  const std::uint64_t first = std::uint64_t{empty - 1} * perBlock;
  ASSERT_TRUE(source.Read(first, buffer));
  EXPECT_TRUE(std::all_of(buffer.begin() + perBlock * 512, buffer.end(), [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_TRUE(Bytes(buffer.begin(), buffer.begin() + perBlock * 512) ==
              ReaderSectors(static_cast<std::uint32_t>(first), perBlock));
  // Past the card's logical sectors a read fails and says so.
  Bytes beyond(512);
  EXPECT_FALSE(source.Read(source.SectorCount(), beyond));
}

TEST_F(FlashCardTest, ABlockWhoseManagementDataCannotBeReadIsLeftOutAndTheBuildGoesOn) {
  ASSERT_NO_FATAL_FAILURE(Open(SmartMediaRoad()));
  WriteMarks();
  FlashBlockMap whole(layout_);
  BlockMapObserver quiet;
  ASSERT_EQ(whole.Build(*reads_, quiet), BlockMapEnd::Completed);
  // The first physical block that holds a logical one fails; blocks after it hold others.
  std::uint32_t failed = layout_.blocks, last = 0;
  for (std::uint32_t logical = 0; logical < layout_.LogicalBlocks(); ++logical) {
    if (const auto physical = whole.PhysicalOf(logical)) {
      failed = std::min(failed, *physical);
      last = std::max(last, *physical);
    }
  }
  ASSERT_LT(failed, last);

  FailingReads failing(*reads_);
  failing.failManagement = {failed};
  FlashBlockMap map(layout_);
  ASSERT_EQ(map.Build(failing, quiet), BlockMapEnd::Completed);
  EXPECT_EQ(map.UnreadableBlocks(), std::vector<std::uint32_t>{failed});
  EXPECT_EQ(map.MappedBlocks(), whole.MappedBlocks() - 1);
  for (std::uint32_t logical = 0; logical < layout_.LogicalBlocks(); ++logical) {
    const auto physical = whole.PhysicalOf(logical);
    if (physical == failed) {
      EXPECT_FALSE(map.PhysicalOf(logical).has_value());
    } else {
      EXPECT_EQ(map.PhysicalOf(logical), physical) << logical;
    }
  }
}

TEST_F(FlashCardTest, AnUnreadableBlockIsPutToTheUserWhoseAnswerTheBuildFollows) {
  class Asking : public BlockMapObserver {
   public:
    ReadFailureAnswer OnUnreadableBlock(std::uint32_t block) override {
      asked.push_back(block);
      const ReadFailureAnswer answer = answers.empty() ? ReadFailureAnswer::Ignore : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return answer;
    }
    std::vector<ReadFailureAnswer> answers;
    std::vector<std::uint32_t> asked;
  };
  ASSERT_NO_FATAL_FAILURE(Open(SmartMediaRoad()));
  WriteMarks();
  FlashBlockMap whole(layout_);
  BlockMapObserver quiet;
  ASSERT_EQ(whole.Build(*reads_, quiet), BlockMapEnd::Completed);
  std::vector<std::uint32_t> held;
  for (std::uint32_t logical = 0; logical < layout_.LogicalBlocks(); ++logical)
    if (const auto physical = whole.PhysicalOf(logical)) held.push_back(*physical);
  std::sort(held.begin(), held.end());
  ASSERT_GE(held.size(), 3u);

  // Retry reads a block that failed once and finds its logical block.
  FailingReads failing(*reads_);
  failing.failManagementOnce = {held[0]};
  Asking retry;
  retry.answers = {ReadFailureAnswer::Retry};
  FlashBlockMap retried(layout_);
  EXPECT_EQ(retried.Build(failing, retry), BlockMapEnd::Completed);
  EXPECT_EQ(retry.asked, std::vector<std::uint32_t>{held[0]});
  EXPECT_EQ(retried.MappedBlocks(), whole.MappedBlocks());
  EXPECT_TRUE(retried.UnreadableBlocks().empty());

  // Ignore All is asked once; the build goes on with what can be read.
  failing.failManagement = {held[0], held[1], held[2]};
  Asking ignoreAll;
  ignoreAll.answers = {ReadFailureAnswer::IgnoreAll};
  FlashBlockMap partial(layout_);
  EXPECT_EQ(partial.Build(failing, ignoreAll), BlockMapEnd::Completed);
  EXPECT_EQ(ignoreAll.asked, std::vector<std::uint32_t>{held[0]});
  EXPECT_EQ(partial.UnreadableBlocks(), (std::vector<std::uint32_t>{held[0], held[1], held[2]}));
  EXPECT_EQ(partial.MappedBlocks(), whole.MappedBlocks() - 3);

  // Ignore asks again at the next block; Abort ends the build.
  Asking abort;
  abort.answers = {ReadFailureAnswer::Ignore, ReadFailureAnswer::Abort};
  FlashBlockMap ended(layout_);
  EXPECT_EQ(ended.Build(failing, abort), BlockMapEnd::Aborted);
  EXPECT_EQ(abort.asked, (std::vector<std::uint32_t>{held[0], held[1]}));
}

TEST_F(FlashCardTest, AFailedBlockIsReportedAndTheRestOfTheReadIsStillRead) {
  ASSERT_NO_FATAL_FAILURE(Open(SmartMediaRoad()));
  FlashBlockMap map(layout_);
  BlockMapObserver quiet;
  ASSERT_EQ(map.Build(*reads_, quiet), BlockMapEnd::Completed);
  const auto bad = map.PhysicalOf(1);
  ASSERT_TRUE(bad.has_value());
  // The card's own fault: every page read of that block fails.
  session_.Release();
  Stop();
  ASSERT_NO_FATAL_FAILURE(
      Open(SmartMediaRoad(),
           R"(, "faults": [ { "op": "read", "block": )" + std::to_string(*bad) + R"(, "times": "always" } ])", false));
  FlashSectorSource source(map, *reads_);
  const std::uint32_t perBlock = layout_.SectorsPerBlock();
  Bytes buffer(std::size_t{perBlock} * 3 * 512, 0xAB);
  EXPECT_FALSE(source.Read(0, buffer)) << "the failure is reported";
  const auto blockOf = [&](int n) {
    return Bytes(buffer.begin() + n * perBlock * 512, buffer.begin() + (n + 1) * perBlock * 512);
  };
  EXPECT_TRUE(blockOf(0) == ReaderSectors(0, perBlock));
  EXPECT_TRUE(blockOf(2) == ReaderSectors(2 * perBlock, perBlock)) << "the read went on after the failure";
}

TEST_F(FlashCardTest, SmartMediaRunsGoOneCommandABlockAndUnmappedBlocksNone) {
  ASSERT_NO_FATAL_FAILURE(Open(SmartMediaRoad()));
  FlashBlockMap map(layout_);
  BlockMapObserver quiet;
  ASSERT_EQ(map.Build(*reads_, quiet), BlockMapEnd::Completed);
  FailingReads counting(*reads_);
  FlashSectorSource source(map, counting);
  // Sectors 16 to 111: half of block 0, blocks 1 and 2, half of block 3.
  Bytes buffer(96 * 512);
  ASSERT_TRUE(source.Read(16, buffer));
  ASSERT_EQ(layout_.SectorsPerBlock(), 32u);
  int expected = 0;
  for (std::uint32_t logical = 0; logical < 4; ++logical) expected += map.PhysicalOf(logical) ? 1 : 0;
  EXPECT_GT(expected, 0);
  EXPECT_EQ(counting.pageCommands, expected);
}

class CancelAt : public BlockMapObserver {
 public:
  explicit CancelAt(std::uint32_t block) : block_(block) {}
  void OnStart(std::uint32_t blocks) override { started = blocks; }
  bool Continue(std::uint32_t block) override { return block != block_; }
  void OnBlockDone(std::uint32_t) override { ++done; }
  std::uint32_t started = 0;
  std::uint32_t done = 0;

 private:
  std::uint32_t block_;
};

TEST_F(FlashCardTest, ACancelledBuildKeepsTheBlocksFoundSoFar) {
  ASSERT_NO_FATAL_FAILURE(Open(StickRoad()));
  FlashBlockMap whole(layout_);
  BlockMapObserver quiet;
  ASSERT_EQ(whole.Build(*reads_, quiet), BlockMapEnd::Completed);
  // Where the first logical blocks are, the cancel comes after the first of them.
  std::uint32_t stop = layout_.blocks;
  for (std::uint32_t logical = 0; logical < layout_.LogicalBlocks(); ++logical) {
    if (const auto physical = whole.PhysicalOf(logical)) stop = std::min(stop, *physical + 1);
  }
  ASSERT_LT(stop, layout_.blocks);
  CancelAt cancel(stop);
  FlashBlockMap map(layout_);
  EXPECT_EQ(map.Build(*reads_, cancel), BlockMapEnd::Cancelled);
  EXPECT_EQ(cancel.started, layout_.blocks);
  EXPECT_EQ(cancel.done, stop);
  EXPECT_EQ(map.MappedBlocks(), 1u);
  for (std::uint32_t logical = 0; logical < layout_.LogicalBlocks(); ++logical) {
    const auto physical = whole.PhysicalOf(logical);
    if (physical && *physical < stop) {
      EXPECT_EQ(map.PhysicalOf(logical), physical);
    } else {
      EXPECT_FALSE(map.PhysicalOf(logical).has_value()) << logical;
    }
  }
}

// The decoding of management data, byte by byte.
TEST(FlashManagementData, SmartMediaAddressesCountWithinTheirZone) {
  const tarnlok::FlashGeometry geometry{6, 32, 2048};
  const FlashBlockMap map(SmartMediaLayout(geometry));
  Bytes redundant(16, 0xFF);
  // 0001 0LLL LLLL LLLP: logical 5 in its zone, parity 0.
  redundant[6] = redundant[11] = 0x10;
  redundant[7] = redundant[12] = 0x0A;
  EXPECT_EQ(map.LogicalBlockOf(7, redundant), 5u);
  EXPECT_EQ(map.LogicalBlockOf(1024 + 7, redundant), 1005u) << "the second zone's blocks follow the first's 1000";
  redundant[12] = 0x0C;
  EXPECT_FALSE(map.LogicalBlockOf(7, redundant).has_value()) << "the two copies differ";
  redundant[12] = 0x0A;
  redundant[5] = 0x00;
  EXPECT_FALSE(map.LogicalBlockOf(7, redundant).has_value()) << "bad block";
  redundant[5] = 0xFF;
  redundant[6] = redundant[11] = 0x00;
  redundant[7] = redundant[12] = 0x00;
  EXPECT_FALSE(map.LogicalBlockOf(0, redundant).has_value()) << "the card information block";
  // Logical 1000 and above do not exist in a zone.
  redundant[6] = redundant[11] = 0x17;
  redundant[7] = redundant[12] = 0xD0;
  EXPECT_FALSE(map.LogicalBlockOf(7, redundant).has_value());
  EXPECT_FALSE(map.LogicalBlockOf(7, std::span(redundant).first(12)).has_value()) << "short";
  EXPECT_EQ(SmartMediaLayout(geometry).LogicalBlocks(), 2000u);
  EXPECT_EQ(SmartMediaLayout({1, 16, 256}).LogicalBlocks(), 250u);
  EXPECT_EQ(SmartMediaLayout({1, 16, 256}).SectorsPerBlock(), 8u) << "sixteen 256-byte pages";
}

TEST(FlashManagementData, MemoryStickExtraDataNamesTheLogicalBlockOverTheWholeCard) {
  const FlashBlockMap map(MemoryStickLayout(4096, 32));
  EXPECT_EQ(map.LogicalBlockOf(9, Bytes{0xF8, 0xFC, 0x0F, 0xA0}), 0x0FA0u);
  EXPECT_FALSE(map.LogicalBlockOf(9, Bytes{0xFF, 0x04, 0x00, 0x10}).has_value()) << "the no-card reply";
  EXPECT_FALSE(map.LogicalBlockOf(9, Bytes{0x78, 0xFF, 0x00, 0x10}).has_value()) << "bad block";
  EXPECT_FALSE(map.LogicalBlockOf(0, Bytes{0xF8, 0xFB, 0xFF, 0xFF}).has_value()) << "boot block";
  EXPECT_FALSE(map.LogicalBlockOf(9, Bytes{0xF8, 0xFC, 0xFF, 0xFF}).has_value()) << "unused";
  EXPECT_FALSE(map.LogicalBlockOf(9, Bytes{0xF8, 0xFC, 0x10, 0x00}).has_value()) << "beyond the card";
  EXPECT_FALSE(map.LogicalBlockOf(9, Bytes{0xF8, 0xFC}).has_value()) << "short";
}

}  // namespace
}  // namespace recovery

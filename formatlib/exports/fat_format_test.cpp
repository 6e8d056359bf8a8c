// The FAT format exports through the built library, bound by name as the Format page binds
// them, on plain cards of the machine at every capacity step of the formatters' tables: each
// volume must satisfy fsck.fat and take a file through mtools, with the boot record's fields
// those of the tables (or the sound ones where the tables' arithmetic would give a volume the
// system reads differently).
#include "formatlib/testing/fat_checks.h"
#include "formatlib/testing/flash_checks.h"
#include "formatlib/testing/flash_machine.h"

#include "platform/machine/testing/fat_images.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/win/files/volumes.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/registry/profile.h"
#include "platform/win/system/manual_clock.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace pradvik {
namespace {

using test_support::BootFields;
using test_support::ExpectSoundVolume;
using test_support::InstalledMachine;
using test_support::LoadedLibrary;
using test_support::PlainCard;
using test_support::PlainCardMachine;
using test_support::ReadBootFields;
using test_support::ReadCardSector;
using test_support::ReadFirstPartition;

constexpr BYTE kDriveE = 'E' - 'A';
constexpr BYTE kDriveA = 0;
constexpr BYTE kCompactFlash = 1;
constexpr BYTE kMmcSd = 4;

class FatFormatTest : public ::testing::Test {
 protected:
  // DoDefaultFormat on the maker's USB reader, as the Format page calls it.
  int DefaultFormat(BYTE kind, BYTE full, int forceFat16, DWORD capacityMb, int enableBooting = 0) {
    auto* format = library_.Bind<DoDefaultFormatFn>("DoDefaultFormat");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    BYTE reinsert = 1;
    BYTE busy = 0;
    return format(nullptr, nullptr, nullptr, nullptr, deviceId_, drive_, full, nullptr, &reinsert, &mediaCode_, kind, 0,
                  enableBooting, forceFat16, nullptr, transport_, 0xA0, 0, &busy, &capacityMb);
  }

  int Fat32Format(BYTE kind, BYTE full, int otherMaker) {
    auto* format = library_.Bind<DoDefaultFat32FormatFn>("DoDefaultFat32Format");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    BYTE reinsert = 1;
    return format(nullptr, nullptr, nullptr, nullptr, deviceId_, drive_, full, nullptr, &reinsert, &mediaCode_, kind,
                  nullptr, 0, nullptr, 3, 0, 0, 1, otherMaker);
  }

  int OtherMakerFormat(BYTE kind, BYTE full) {
    auto* format = library_.Bind<DoDefaultFormatForThirdPartyDevicesFn>("DoDefaultFormatForThirdPartyDevices");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    BYTE reinsert = 1;
    return format(nullptr, nullptr, nullptr, nullptr, deviceId_, drive_, full, nullptr, &reinsert, &mediaCode_, kind,
                  nullptr, 0, nullptr, 3, 0, 0);
  }

  int FloppyFormat(BYTE full) {
    auto* format = library_.Bind<DoFloppyFormatFn>("DoFloppyFormat");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    return format(nullptr, nullptr, nullptr, nullptr, deviceId_, floppyDrive_, full, nullptr, &mediaCode_, 0, 0, 0,
                  nullptr, 6);
  }

  // The volume of a card behind its master boot record: sound, and its partition entry and boot
  // record agreeing on where it lies and how large it is.
  BootFields PartitionedVolume(const std::string& image, const std::string& label) {
    const auto entry = ReadFirstPartition(ReadCardSector(image, 0));
    const BootFields boot = ReadBootFields(ReadCardSector(image, entry.firstSector));
    EXPECT_EQ(boot.hiddenSectors, entry.firstSector) << label;
    EXPECT_EQ(boot.Total(), entry.sectors) << label;
    EXPECT_EQ(boot.fileSystem, boot.FatBits() == 32   ? "FAT32   "
                               : boot.FatBits() == 16 ? "FAT16   "
                                                      : "FAT12   ")
        << label;
    ExpectSoundVolume(image, entry.firstSector, label);
    return boot;
  }

  void TearDown() override { EXPECT_EQ(prompter_.Unanswered(), 0u) << "a message the format never showed"; }

  LoadedLibrary library_;
  ui::ScriptedPrompter prompter_{[](const std::string& what) { ADD_FAILURE() << what; }};
  DWORD mediaCode_ = 0;
  DWORD deviceId_ = 7;
  BYTE drive_ = kDriveE;
  BYTE floppyDrive_ = kDriveA;
  BYTE transport_ = 3;
};

#ifdef FORMATLIB_LARGE_CARDS
// Cards of 4 to 32 GB as sparse images: the FAT32 steps of both FAT32 formats.
struct LargeCase {
  std::uint64_t sectors;
  std::uint32_t heads;
  std::uint32_t sectorsPerCluster;
  std::uint8_t type;
  std::uint64_t volumeEnd;  // the last sector the partition covers, plus one
  std::uint32_t endCylinder;
};

// clang-format off
constexpr LargeCase kLargeDefaultCases[] = {
    {7812500,  128, 64, 0x0B, 7812499,  968},    // 4000 MB
    {8388608,  255, 64, 0x0B, 8388607,  522},    // 4 GiB: past the 32-bit byte count
    {16000000, 255, 64, 0x0C, 15999999, 995},    // 8 GB: LBA partition type
    {62500000, 255, 64, 0x0C, 62499999, 1023},   // 32 GB: the whole card, the CHS fields stop at 1023
};
// clang-format on

TEST_F(FatFormatTest, LargeCardsGetTheFat32OfTheDefaultFormat) {
  for (const LargeCase& step : kLargeDefaultCases) {
    const std::string image = "large-" + std::to_string(step.sectors) + ".img";
    {
      InstalledMachine machine(PlainCardMachine({"mmcsd", step.sectors}, image));
      ASSERT_EQ(DefaultFormat(kMmcSd, 0, 0, static_cast<DWORD>(step.sectors * 512 / 1000000)), 1) << image;
    }
    const auto entry = ReadFirstPartition(ReadCardSector(image, 0));
    EXPECT_EQ(entry.type, step.type) << image;
    EXPECT_EQ(entry.firstSector + entry.sectors, step.volumeEnd) << image;
    EXPECT_EQ(entry.endCylinder, step.endCylinder) << image;
    EXPECT_EQ(entry.endHead, step.heads - 1) << image;
    EXPECT_EQ(entry.endSector, 63u) << image;
    const BootFields boot = PartitionedVolume(image, image);
    EXPECT_EQ(boot.FatBits(), 32) << image;
    EXPECT_EQ(boot.heads, step.heads) << image;
    EXPECT_EQ(boot.sectorsPerCluster, step.sectorsPerCluster) << image;
    std::filesystem::remove(test_support::ImagePath(image));
  }
}

TEST_F(FatFormatTest, TheFat32DriveFormatCoversLargeCardsWhole) {
  for (const std::uint64_t sectors : {std::uint64_t{8388609}, std::uint64_t{62500000}}) {
    for (const int otherMaker : {0, 1}) {
      const std::string image = "large-drive-" + std::to_string(sectors) + "-" + std::to_string(otherMaker) + ".img";
      {
        PlainCard card{"cf", sectors};
        card.maker = otherMaker == 0;
        InstalledMachine machine(PlainCardMachine(card, image));
        ASSERT_EQ(Fat32Format(kCompactFlash, 0, otherMaker), 1) << image;
      }
      const auto entry = ReadFirstPartition(ReadCardSector(image, 0));
      EXPECT_EQ(entry.type, sectors > 15952545 ? 0x0C : 0x0B) << image;
      // The whole card, not the 1023 cylinders the CHS fields can count.
      EXPECT_EQ(entry.firstSector + entry.sectors, sectors) << image;
      EXPECT_EQ(entry.endCylinder, 1023u) << image;
      const BootFields boot = PartitionedVolume(image, image);
      EXPECT_EQ(boot.sectorsPerCluster, 8u) << image;
      std::filesystem::remove(test_support::ImagePath(image));
    }
  }
}
#else
std::uint32_t BinaryMib(std::uint64_t sectors) { return static_cast<std::uint32_t>(((sectors - 1) * 512) >> 20); }

// One step of the default formatter's tables: the card and the values its boot record carries.
struct DefaultCase {
  BYTE kind;
  std::uint64_t sectors;
  std::uint32_t sectorsPerCluster;
  std::uint32_t boundUnit;
  int fatBits;
  std::uint32_t heads;
  std::uint32_t sectorsPerTrack;
};

// clang-format off
constexpr DefaultCase kDefaultCases[] = {
    // MMC/SD: cluster, alignment, heads and track steps of the plain layout.
    {kMmcSd, 4096,    16, 16,  12, 2,  16},   // 1 MiB
    {kMmcSd, 6145,    16, 16,  12, 2,  32},   // 3 MiB
    {kMmcSd, 16384,   16, 16,  12, 2,  32},   // 7 MiB
    {kMmcSd, 16385,   16, 16,  12, 2,  32},   // 8 MiB
    {kMmcSd, 18433,   32, 32,  12, 2,  32},   // 9 MiB
    {kMmcSd, 32769,   32, 32,  12, 2,  32},   // 16 MiB
    {kMmcSd, 34817,   32, 32,  12, 4,  32},   // 17 MiB
    {kMmcSd, 65536,   32, 32,  12, 4,  32},   // 31 MiB: 16-bit total
    {kMmcSd, 65537,   32, 32,  12, 4,  32},   // 32 MiB: 32-bit total
    {kMmcSd, 131072,  32, 32,  16, 8,  32},   // the 64 MB card: 4093 clusters need FAT16
    {kMmcSd, 131073,  32, 32,  16, 8,  32},   // 64 MiB
    {kMmcSd, 133121,  32, 64,  16, 8,  32},   // 65 MiB: FAT16
    {kMmcSd, 262145,  32, 64,  16, 8,  32},   // 128 MiB
    {kMmcSd, 264193,  32, 64,  16, 16, 32},   // 129 MiB
    {kMmcSd, 524289,  32, 64,  16, 16, 32},   // 256 MiB
    {kMmcSd, 526337,  32, 128, 16, 16, 63},   // 257 MiB
    {kMmcSd, 1032193, 32, 128, 16, 16, 63},   // 504 MiB
    {kMmcSd, 1034241, 32, 128, 16, 32, 63},   // 505 MiB
    {kMmcSd, 2064385, 32, 128, 16, 32, 63},   // 1008 MiB
    {kMmcSd, 2097153, 32, 128, 16, 64, 63},   // 1024 MiB
    {kMmcSd, 2099200, 64, 128, 16, 64, 63},   // 1024.99 MiB: 32-sector clusters would overflow FAT16
    {kMmcSd, 2099201, 64, 128, 16, 64, 63},   // 1025 MiB
    {kMmcSd, 4000000, 64, 128, 16, 64, 63},   // 2047 decimal MB
    // CompactFlash.
    {kCompactFlash, 16385,  16, 16,  12, 2,  32},   // 8 MiB
    {kCompactFlash, 18433,  32, 128, 12, 2,  32},   // 9 MiB
    {kCompactFlash, 32768,  32, 128, 12, 2,  32},   // 15 MiB
    {kCompactFlash, 32769,  32, 128, 12, 4,  32},   // 16 MiB
    {kCompactFlash, 34817,  64, 128, 12, 4,  32},   // 17 MiB
    {kCompactFlash, 262144, 64, 128, 16, 8,  32},   // the 128 MB card: 4093 clusters need FAT16
    {kCompactFlash, 264193, 64, 128, 16, 8,  32},   // 129 MiB: the factory's boot record keeps 8 heads
    {kCompactFlash, 268289, 64, 128, 16, 16, 32},   // 131 MiB
    {kCompactFlash, 526337, 64, 256, 16, 16, 63},   // 257 MiB
    {kCompactFlash, 1050625, 64, 256, 16, 32, 63},  // 513 MiB
    {kCompactFlash, 2099201, 64, 256, 16, 64, 63},  // 1025 MiB
};
// clang-format on

class DefaultTablesTest : public FatFormatTest {
 protected:
  // Formats every step of one card kind's tables in turn and judges the volume.
  void FormatEveryStep(BYTE kind) {
    for (const DefaultCase& step : kDefaultCases) {
      if (step.kind != kind) continue;
      const std::string image =
          std::string(step.kind == kMmcSd ? "sd-" : "cf-") + std::to_string(step.sectors) + ".img";
      const std::string label = image + " (" + std::to_string(BinaryMib(step.sectors)) + " MiB)";
      {
        InstalledMachine machine(PlainCardMachine({step.kind == kMmcSd ? "mmcsd" : "cf", step.sectors}, image));
        ASSERT_EQ(DefaultFormat(step.kind, 0, 1, 64), 1) << label;
      }
      EXPECT_EQ(mediaCode_, step.sectors - 1) << label;
      const BootFields boot = PartitionedVolume(image, label);
      EXPECT_EQ(boot.sectorsPerCluster, step.sectorsPerCluster) << label;
      EXPECT_EQ(boot.FatBits(), step.fatBits) << label;
      EXPECT_EQ(boot.heads, step.heads) << label;
      EXPECT_EQ(boot.sectorsPerTrack, step.sectorsPerTrack) << label;
      EXPECT_EQ(boot.reservedSectors, 1u) << label;
      EXPECT_EQ(boot.rootEntries, 512u) << label;
      EXPECT_EQ((boot.hiddenSectors + 1 + 2 * boot.sectorsPerFat + 32) % step.boundUnit, 0u) << label;
      EXPECT_EQ(boot.shortTotal != 0, BinaryMib(step.sectors) < 32) << label;
      std::filesystem::remove(test_support::ImagePath(image));
    }
  }
};

TEST_F(DefaultTablesTest, EveryStepOfTheMmcSdTablesGivesASoundVolume) { FormatEveryStep(kMmcSd); }

TEST_F(DefaultTablesTest, EveryStepOfTheCompactFlashTablesGivesASoundVolume) { FormatEveryStep(kCompactFlash); }

TEST_F(FatFormatTest, AFullFormatClearsTheWholeCard) {
  const std::string image = "cf-full.img";
  {
    InstalledMachine machine(PlainCardMachine({"cf", 40000}, image));
    ASSERT_EQ(DefaultFormat(kCompactFlash, 1, 1, 20), 1);
  }
  const auto entry = ReadFirstPartition(ReadCardSector(image, 0));
  PartitionedVolume(image, image);
  // The factory's photographs are gone: the data area reads as zeros.
  const auto data = ReadCardSector(image, entry.firstSector + 1000);
  EXPECT_EQ(test_support::Digest({data.begin(), data.end()}), test_support::Digest(std::vector<std::uint8_t>(512)));
}

TEST_F(FatFormatTest, ABootableFormatLaysTheTrackAlignedVolume) {
  for (const auto& [kind, sectors] : {std::pair{kMmcSd, 32000ull}, std::pair{kCompactFlash, 200000ull}}) {
    const std::string image = "boot-" + std::to_string(sectors) + ".img";
    {
      InstalledMachine machine(PlainCardMachine({kind == kMmcSd ? "mmcsd" : "cf", sectors}, image));
      ASSERT_EQ(DefaultFormat(kind, 0, 1, 64, 1), 1) << image;
    }
    const BootFields boot = PartitionedVolume(image, image);
    EXPECT_EQ(boot.hiddenSectors, boot.sectorsPerTrack) << image;
    const auto sector = ReadCardSector(image, boot.hiddenSectors);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sector.data()) + 3, 8), "FreeDOS ") << image;
  }
}

TEST_F(FatFormatTest, AboveTwoGigabytesTheDefaultFormatWritesFat32) {
  const std::string image = "sd-2049.img";
  constexpr std::uint64_t kSectors = 4003000;  // 2049 decimal MB
  {
    InstalledMachine machine(PlainCardMachine({"mmcsd", kSectors}, image));
    ASSERT_EQ(DefaultFormat(kMmcSd, 0, 0, 2048), 1);
  }
  EXPECT_EQ(PartitionedVolume(image, image + " as 2048 MB").FatBits(), 16);
  {
    InstalledMachine machine(PlainCardMachine({"mmcsd", kSectors}, image));
    ASSERT_EQ(DefaultFormat(kMmcSd, 0, 0, 2049), 1);
  }
  const BootFields boot = PartitionedVolume(image, image);
  EXPECT_EQ(boot.FatBits(), 32);
  EXPECT_EQ(boot.sectorsPerCluster, 16u);  // 64-sector clusters give too few
  EXPECT_EQ(boot.heads, 128u);
  EXPECT_EQ(boot.reservedSectors, 32u);
  EXPECT_EQ((boot.hiddenSectors + 32 + 2 * boot.sectorsPerFat) % 256, 0u);
  EXPECT_EQ(ReadFirstPartition(ReadCardSector(image, 0)).type, 0x0B);
  std::filesystem::remove(test_support::ImagePath(image));
}

TEST_F(FatFormatTest, ForcedFat16ClampsALargeCardToTheFat16Reach) {
  const std::string image = "sd-forced.img";
  {
    InstalledMachine machine(PlainCardMachine({"mmcsd", 4003000}, image));
    ASSERT_EQ(DefaultFormat(kMmcSd, 0, 1, 2049), 1);
  }
  EXPECT_EQ(mediaCode_, 3999744u);
  const BootFields boot = PartitionedVolume(image, image);
  EXPECT_EQ(boot.FatBits(), 16);
  EXPECT_LE(boot.hiddenSectors + boot.Total(), 3999745u);
  std::filesystem::remove(test_support::ImagePath(image));
}

TEST_F(FatFormatTest, EveryRoadOfTheMakersReadersGivesTheSameSoundVolume) {
  struct Road {
    const char* windows;
    const char* bus;
    BYTE transport;
  };
  // Windows 9x: ASPI for the USB reader, the card driver for the IDE and PCMCIA ones.
  constexpr Road kRoads[] = {{"xp", "usb", 3},  {"2000", "usb", 3},  {"nt4", "usb", 3},  {"xp", "ide", 1},
                             {"nt4", "ide", 1}, {"xp", "pcmcia", 2}, {"98", "usb", 3},   {"98", "ide", 1},
                             {"me", "ide", 1},  {"98", "pcmcia", 2}, {"95", "pcmcia", 2}};
  std::map<std::string, std::vector<std::uint8_t> > firstVolumeOfBus;
  for (const Road& road : kRoads) {
    const std::string image = std::string("road-") + road.windows + road.bus + ".img";
    {
      PlainCard card{"cf", 65536};
      card.windows = road.windows;
      card.bus = road.bus;
      InstalledMachine machine(PlainCardMachine(card, image));
      transport_ = road.transport;
      const std::string windows = road.windows;
      deviceId_ = windows == "98" || windows == "95" || windows == "me" ? test_support::CardDriverNode('E') : 0;
      ASSERT_EQ(DefaultFormat(kCompactFlash, 0, 1, 33), 1) << image;
    }
    // A bus's readers lay the same bytes on every system but the volume serial number, which
    // comes from the clock.
    auto volume = test_support::ReadImage(image);
    const std::size_t start = std::size_t{win::ReadLe32(volume, 454)} * 512;
    std::fill_n(volume.begin() + static_cast<std::ptrdiff_t>(start + 39), 4, std::uint8_t{0});
    auto& firstVolume = firstVolumeOfBus[road.bus];
    if (firstVolume.empty()) firstVolume = volume;
    const BootFields boot = PartitionedVolume(image, image);
    EXPECT_EQ(boot.sectorsPerCluster, 64u) << image;
    EXPECT_EQ(boot.FatBits(), 12) << image;
    EXPECT_TRUE(volume == firstVolume) << image;
  }
}

// A card whose old first sectors lie: a partition entry far past the card, or a boot record at
// sector 0 whose every field is nonsense. Neither is trusted for more than what it may keep.
TEST_F(FatFormatTest, AnOldLayoutThatLiesIsNotTrusted) {
  struct OldSector {
    const char* name;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<std::uint8_t> garbageBpb(51, 0xFF);
  garbageBpb[54 - 11] = 'F';
  garbageBpb[55 - 11] = 'A';
  garbageBpb[56 - 11] = 'T';
  const OldSector kOld[] = {{"far-partition", 454, {0x00, 0xFF, 0xFF, 0xFF}}, {"garbage-bpb", 11, garbageBpb}};
  for (const OldSector& old : kOld) {
    for (const int otherMaker : {0, 1}) {
      const std::string image = std::string("lying-") + old.name + "-" + std::to_string(otherMaker) + ".img";
      {
        std::vector<std::uint8_t> first(512, 0);
        std::copy(old.bytes.begin(), old.bytes.end(), first.begin() + static_cast<std::ptrdiff_t>(old.at));
        first[510] = 0x55;
        first[511] = 0xAA;
        std::ofstream file(test_support::ImagePath(image), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(first.data()), static_cast<std::streamsize>(first.size()));
        file.seekp(40000 * 512 - 1);
        file.put(0);
      }
      {
        PlainCard card{"cf", 40000};
        card.maker = otherMaker == 0;
        InstalledMachine machine(PlainCardMachine(card, image));
        ASSERT_EQ(otherMaker == 0 ? DefaultFormat(kCompactFlash, 0, 1, 20) : OtherMakerFormat(kCompactFlash, 0), 1)
            << image;
      }
      PartitionedVolume(image, image);
      std::filesystem::remove(test_support::ImagePath(image));
    }
  }
}

TEST_F(FatFormatTest, OtherDeviceKindsAreLeftAlone) {
  InstalledMachine machine(PlainCardMachine({"cf", 40000}, "cf-kind.img"));
  const auto before = test_support::ReadImage("cf-kind.img");
  EXPECT_EQ(DefaultFormat(40, 0, 1, 20), 0);
  EXPECT_EQ(DefaultFormat(2, 0, 1, 20), 0);
  EXPECT_EQ(test_support::ReadImage("cf-kind.img"), before);
}

TEST_F(FatFormatTest, AWriteProtectedCardIsRefusedWithItsMessage) {
  PlainCard card{"cf", 40000};
  card.writeProtected = true;
  InstalledMachine machine(PlainCardMachine(card, "cf-wp.img"));
  prompter_.AnswerMessageBox(ui::IDOK, "The media is write protected.");
  EXPECT_EQ(DefaultFormat(kCompactFlash, 0, 1, 20), 0);
  EXPECT_EQ(mediaCode_, 0u);
}

TEST_F(FatFormatTest, ADriveThatCannotBeOpenedIsToldNotSilent) {
  InstalledMachine machine(PlainCardMachine({"cf", 40000}, "cf-none.img"));
  drive_ = 'K' - 'A';
  floppyDrive_ = drive_;
  for (int otherMaker = 0; otherMaker < 2; ++otherMaker) {
    prompter_.AnswerMessageBox(ui::IDOK, "Format application cannot format this drive.");
    EXPECT_EQ(Fat32Format(kCompactFlash, 0, otherMaker), 0);
  }
  for (const DWORD megabytes : {DWORD{20}, DWORD{4000}}) {
    prompter_.AnswerMessageBox(ui::IDOK, "Format application cannot format this drive.");
    EXPECT_EQ(DefaultFormat(kCompactFlash, 0, 0, megabytes), 0);
  }
  prompter_.AnswerMessageBox(ui::IDOK, "Format application cannot format this drive.");
  EXPECT_EQ(OtherMakerFormat(kCompactFlash, 0), 0);
  prompter_.AnswerMessageBox(ui::IDOK, "Format application cannot format this drive.");
  EXPECT_EQ(FloppyFormat(0), 0);
  EXPECT_EQ(mediaCode_, 0u);
}

TEST_F(FatFormatTest, TheClockChoosesTheSerialNumberAndNothingElse) {
  const std::string image = "cf-clock.img";
  const auto formatAt = [&](std::uint64_t secondsLater) {
    const auto clock = win::ManualClock::Install();
    clock->Advance(secondsLater * 1000);
    {
      InstalledMachine machine(PlainCardMachine({"cf", 131072}, image));
      EXPECT_EQ(DefaultFormat(kCompactFlash, 0, 1, 64), 1);
    }
    win::SetClock(nullptr);
    return test_support::ReadImage(image);
  };
  const auto first = formatAt(0);
  EXPECT_EQ(formatAt(0), first);
  const auto later = formatAt(5);
  ASSERT_EQ(later.size(), first.size());
  const std::uint64_t serial = std::uint64_t{ReadFirstPartition(ReadCardSector(image, 0)).firstSector} * 512 + 39;
  std::vector<std::size_t> differing;
  for (std::size_t at = 0; at < first.size(); ++at) {
    if (first[at] != later[at]) differing.push_back(at);
  }
  ASSERT_FALSE(differing.empty());
  EXPECT_GE(differing.front(), serial);
  EXPECT_LT(differing.back(), serial + 4);
  PartitionedVolume(image, image);
}

// clang-format off
struct OtherMakerCase {
  std::uint64_t sectors;
  std::uint8_t type;
  std::uint32_t heads;
  std::uint32_t sectorsPerCluster;
  int fatBits;
};
constexpr OtherMakerCase kOtherMakerCases[] = {
    {31251,   0x01, 2,  8,  12},  // 16 decimal MB
    {39063,   0x04, 4,  2,  16},  // 20 MB: two-sector clusters, more than 4080 of them
    {62501,   0x04, 4,  2,  16},  // 32 MB
    {64455,   0x06, 8,  2,  16},  // 33 MB
    {996094,  0x06, 32, 16, 16},  // 510 MB
    {1171875, 0x06, 64, 32, 16},  // 600 MB
    {4194304, 0x06, 64, 64, 16},  // 2147 MB: kept within the FAT16 reach
};
// clang-format on

TEST_F(FatFormatTest, OtherMakersReadersGetTheirTrackAlignedVolume) {
  for (const OtherMakerCase& step : kOtherMakerCases) {
    const std::string image = "other-" + std::to_string(step.sectors) + ".img";
    {
      PlainCard card{"mmcsd", step.sectors};
      card.maker = false;
      InstalledMachine machine(PlainCardMachine(card, image));
      ASSERT_EQ(OtherMakerFormat(kMmcSd, 0), 1) << image;
    }
    EXPECT_EQ(mediaCode_, step.sectors - 1) << image;
    const auto entry = ReadFirstPartition(ReadCardSector(image, 0));
    EXPECT_EQ(entry.type, step.type) << image;
    const BootFields boot = PartitionedVolume(image, image);
    EXPECT_EQ(boot.hiddenSectors, boot.sectorsPerTrack) << image;
    EXPECT_EQ(boot.heads, step.heads) << image;
    EXPECT_EQ(boot.sectorsPerCluster, step.sectorsPerCluster) << image;
    EXPECT_EQ(boot.FatBits(), step.fatBits) << image;
    std::filesystem::remove(test_support::ImagePath(image));
  }
}

TEST_F(FatFormatTest, TheFat32FormatOfTheMakersReaders) {
  const std::string image = "fat32-64.img";
  {
    InstalledMachine machine(PlainCardMachine({"mmcsd", 125001}, image));  // 64 decimal MB
    ASSERT_EQ(Fat32Format(kMmcSd, 0, 0), 1);
  }
  const BootFields boot = PartitionedVolume(image, image);
  EXPECT_EQ(boot.FatBits(), 32);
  EXPECT_EQ(boot.sectorsPerTrack, 32u);
  EXPECT_EQ(boot.heads, 8u);
  EXPECT_EQ(boot.sectorsPerCluster, 1u);
  EXPECT_EQ(boot.hiddenSectors, 32u);
  const auto backup = ReadCardSector(image, 32 + 6);
  EXPECT_EQ(ReadBootFields(backup).sectorsPerFat, boot.sectorsPerFat);
}

TEST_F(FatFormatTest, TheFat32FormatOfOtherMakersReadersGoesThroughThePhysicalDrive) {
  const std::string image = "fat32-other.img";
  {
    PlainCard card{"mmcsd", 524288};
    card.maker = false;
    InstalledMachine machine(PlainCardMachine(card, image));
    ASSERT_EQ(Fat32Format(kMmcSd, 1, 1), 1);
  }
  EXPECT_EQ(mediaCode_, 524287u);
  const BootFields boot = PartitionedVolume(image, image);
  EXPECT_EQ(boot.FatBits(), 32);
  EXPECT_EQ(boot.sectorsPerTrack, 63u);
  EXPECT_EQ(boot.sectorsPerCluster, 4u);
  std::filesystem::remove(test_support::ImagePath(image));
}

TEST_F(FatFormatTest, ACardTooSmallForFat32GetsFat16Instead) {
  for (const int otherMaker : {0, 1}) {
    const std::string image = "fat32-small-" + std::to_string(otherMaker) + ".img";
    {
      PlainCard card{"cf", 32768};
      card.maker = otherMaker == 0;
      InstalledMachine machine(PlainCardMachine(card, image));
      ASSERT_EQ(Fat32Format(kCompactFlash, 0, otherMaker), 1) << image;
    }
    EXPECT_NE(PartitionedVolume(image, image).FatBits(), 32) << image;
  }
}

TEST_F(FatFormatTest, TheDumpRecordsTheLayoutWhenSwitchedOn) {
  const auto dumped = [](const char* key) {
    std::array<char, 64> value{};
    win::GetPrivateProfileStringA("File_System", key, "", value.data(), static_cast<win::DWORD>(value.size()),
                                  "DFDLLDMP.INI");
    return std::string(value.data());
  };
  InstalledMachine machine(PlainCardMachine({"mmcsd", 131072}, "sd-dump.img"));
  win::WritePrivateProfileStringA("File_System", "Stale", "1", "DFDLLDMP.INI");
  ASSERT_EQ(DefaultFormat(kMmcSd, 0, 1, 64), 1);
  EXPECT_EQ(dumped("Stale"), "1");  // no switch: the dump is left alone
  win::WritePrivateProfileStringA("KRDEBUG", "KRDBGDUMP", "yes please", "Pradvik.ini");
  ASSERT_EQ(DefaultFormat(kMmcSd, 0, 1, 64), 1);
  EXPECT_EQ(dumped("Stale"), "");
  EXPECT_EQ(dumped("Format_Ver"), "3.54");
  EXPECT_EQ(dumped("Total_Sector"), "131072");
  EXPECT_EQ(dumped("bSecPerClu"), "32");
  EXPECT_EQ(dumped("FatBit"), "16");
  const auto boot = ReadBootFields(ReadCardSector("sd-dump.img", std::stoul(dumped("DBRWriteAdd"))));
  EXPECT_EQ(dumped("SectorPerFat"), std::to_string(boot.sectorsPerFat));
  ASSERT_EQ(DefaultFormat(kMmcSd, 0, 0, 4000), 1);
  EXPECT_EQ(dumped("FormatType"), "FAT32 Format");  // the profile drops the trailing blank
  EXPECT_EQ(dumped("bSecPerClu"), "");
  win::WritePrivateProfileStringA("KRDEBUG", nullptr, nullptr, "Pradvik.ini");
}

// Windows 9x has no pass-through and no physical drives: every card format reaches the reader
// through ASPI (found from the card driver's node the caller names) and takes the DOS volume
// lock, and the letter shows the new volume once the format is done.
enum class Road9x { Default, OtherMaker, Fat32, OtherMakerFat32 };
struct Win9xCase {
  const char* kind;
  bool maker;
  std::uint64_t sectors;
  Road9x road;
  int fatBits;
};
// clang-format off
constexpr Win9xCase kWin9xCases[] = {
    {"cf",    true,  40000,  Road9x::Default,         12},
    {"mmcsd", true,  140000, Road9x::Default,         16},
    {"mmcsd", false, 60000,  Road9x::OtherMaker,      16},
    {"mmcsd", true,  140000, Road9x::Fat32,           32},
    {"cf",    false, 140000, Road9x::OtherMakerFat32, 32},
};
// clang-format on

TEST_F(FatFormatTest, OnWindows9xTheCardFormatsGoThroughAspi) {
  for (const char* windows : {"98", "95", "me"}) {
    for (const Win9xCase& step : kWin9xCases) {
      const std::string image =
          std::string("card-") + windows + "-" + step.kind + "-" + std::to_string(static_cast<int>(step.road)) + ".img";
      const BYTE kind = std::string(step.kind) == "cf" ? kCompactFlash : kMmcSd;
      win::ULARGE_INTEGER available{};
      win::ULARGE_INTEGER letterBytes{};
      win::ULARGE_INTEGER free{};
      {
        PlainCard card{step.kind, step.sectors};
        card.maker = step.maker;
        card.windows = windows;
        test_support::WriteBlankImage(image, step.sectors);
        InstalledMachine machine(PlainCardMachine(card, image));
        deviceId_ = test_support::CardDriverNode('E');
        ASSERT_NE(deviceId_, 0u) << image;
        int result = 0;
        switch (step.road) {
          case Road9x::Default: result = DefaultFormat(kind, 0, 1, 0); break;
          case Road9x::OtherMaker: result = OtherMakerFormat(kind, 0); break;
          case Road9x::Fat32: result = Fat32Format(kind, 0, 0); break;
          case Road9x::OtherMakerFat32: result = Fat32Format(kind, 0, 1); break;
        }
        ASSERT_EQ(result, 1) << image;
        EXPECT_EQ(mediaCode_, step.sectors - 1) << image;
        ASSERT_NE(win::GetDiskFreeSpaceExA("E:\\", &available, &letterBytes, &free), win::FALSE) << image;
      }
      const BootFields boot = PartitionedVolume(image, image);
      EXPECT_EQ(boot.FatBits(), step.fatBits) << image;
      EXPECT_EQ(letterBytes.QuadPart, std::uint64_t{boot.Clusters()} * boot.sectorsPerCluster * 512) << image;
      std::filesystem::remove(test_support::ImagePath(image));
    }
  }
}

// A PCMCIA reader named with a SCSI road is looked for through ASPI, which does not reach it.
TEST_F(FatFormatTest, OnWindows9xAReaderAspiDoesNotReachIsNoMedia) {
  PlainCard card{"cf", 40000, "pcmcia"};
  card.windows = "98";
  InstalledMachine machine(PlainCardMachine(card, "cf-98.img"));
  const auto before = test_support::ReadImage("cf-98.img");
  deviceId_ = test_support::CardDriverNode('E');
  prompter_.AnswerMessageBox(ui::IDOK, "No media present");
  EXPECT_EQ(DefaultFormat(kCompactFlash, 0, 1, 20), 0);
  EXPECT_EQ(test_support::ReadImage("cf-98.img"), before);
}

// clang-format off
struct FloppyCase {
  const char* bus;
  std::uint64_t sectors;
  BYTE full;
  std::uint32_t sectorsPerCluster;
};
constexpr FloppyCase kFloppyCases[] = {
    {"floppy", 2880,   1, 1},
    {"floppy", 2880,   0, 1},
    {"ls120",  40960,  1, 1},   // 20 MB: one-sector clusters, a FAT16 count
    {"ls120",  66000,  1, 1},   // 32 MiB of volume
    {"ls120",  70000,  1, 4},   // above 32 MiB: the total in the 32-bit field
    {"ls120",  245760, 1, 4},   // LS-120 disk
    {"ls120",  245760, 0, 4},
};
// clang-format on

TEST_F(FatFormatTest, FloppyAndLs120DisksKeepASoundVolume) {
  for (const FloppyCase& step : kFloppyCases) {
    const std::string image =
        std::string("disk-") + std::to_string(step.sectors) + "-" + std::to_string(step.full) + ".img";
    {
      PlainCard card{"floppy", step.sectors, step.bus};
      InstalledMachine machine(PlainCardMachine(card, image));
      ASSERT_EQ(FloppyFormat(step.full), 1) << image;
    }
    EXPECT_GE(mediaCode_, 2880u) << image;
    const BootFields boot = ReadBootFields(ReadCardSector(image, 0));
    EXPECT_NE(boot.Total(), 0u) << image;
    EXPECT_LE(boot.Total(), step.sectors) << image;
    EXPECT_EQ(boot.media, 0xF0) << image;
    if (step.full == 1) {
      EXPECT_EQ(boot.sectorsPerCluster, step.sectorsPerCluster) << image;
    }
    ExpectSoundVolume(image, 0, image);
    std::filesystem::remove(test_support::ImagePath(image));
  }
}

TEST_F(FatFormatTest, AQuickFloppyFormatNeedsAFormattedDisk) {
  const std::string image = "disk-blank.img";
  test_support::WriteBlankImage(image, 2880);
  InstalledMachine machine(PlainCardMachine({"floppy", 2880, "floppy"}, image));
  prompter_.AnswerMessageBox(ui::IDOK, "You cannot do a Quick Format.");
  EXPECT_EQ(FloppyFormat(0), 0);
  // A full format measures the blank disk by its drive and formats it.
  EXPECT_EQ(FloppyFormat(1), 1);
}

TEST_F(FatFormatTest, AQuickFloppyFormatKeepsAOneFatDisksRootDirectory) {
  using machine::test_support::Quote;
  using machine::test_support::RunTool;
  const std::string image = "disk-one-fat.img";
  const auto path = test_support::ImagePath(image);
  std::filesystem::remove(path);
  ASSERT_EQ(RunTool("mkfs.fat -C -f 1 " + Quote(path.string()) + " 1440").status, 0);
  ExpectSoundVolume(image, 0, "the disk before");
  {
    InstalledMachine machine(PlainCardMachine({"floppy", 2880, "floppy"}, image));
    ASSERT_EQ(FloppyFormat(0), 1);
  }
  EXPECT_EQ(ReadBootFields(ReadCardSector(image, 0)).sectorsPerFat, 9u);
  EXPECT_EQ(RunTool("mdir -b -i " + Quote(path.string()) + " ::").output, "");
  ExpectSoundVolume(image, 0, image);
  std::filesystem::remove(path);
}

TEST_F(FatFormatTest, FullFormatsAgainAndAgainKeepTheWholeDisk) {
  for (const char* windows : {"xp", "98"}) {
    for (const PlainCard& disk : {PlainCard{"floppy", 20000, "ls120"}, PlainCard{"floppy", 2880, "floppy"}}) {
      const std::string image = std::string("disk-again-") + windows + "-" + disk.bus + ".img";
      PlainCard card = disk;
      card.windows = windows;
      for (int time = 1; time <= 3; ++time) {
        {
          InstalledMachine machine(PlainCardMachine(card, image));
          // Windows 9x names the drive by its card driver node, as the Format page does.
          if (std::string(windows) == "98") deviceId_ = test_support::CardDriverNode('A');
          ASSERT_EQ(FloppyFormat(1), 1) << image << " " << time;
        }
        EXPECT_EQ(mediaCode_, disk.sectors) << image << " " << time;
        EXPECT_EQ(ReadBootFields(ReadCardSector(image, 0)).Total(), disk.sectors) << image << " " << time;
        ExpectSoundVolume(image, 0, image);
      }
      std::filesystem::remove(test_support::ImagePath(image));
    }
  }
}

// A drive that answers no READ CAPACITY is measured by its geometry: every head's tracks count,
// so a disk of two whole cylinders is not formatted as a 1.44 MB one.
TEST_F(FatFormatTest, ADiskMeasuredByItsGeometryKeepsEveryHeadsTracks) {
  const std::string image = "disk-geometry-two-cylinders.img";
  test_support::WriteBlankImage(image, 32130);
  {
    InstalledMachine machine(PlainCardMachine({"floppy", 32130, "floppy"}, image));
    ASSERT_EQ(FloppyFormat(1), 1);
  }
  EXPECT_EQ(mediaCode_, 32130u);
  EXPECT_EQ(ReadBootFields(ReadCardSector(image, 0)).Total(), 32130u);
  ExpectSoundVolume(image, 0, image);
  std::filesystem::remove(test_support::ImagePath(image));
}

TEST_F(FatFormatTest, AnUnformattedDiskOnWindows9xIsMeasuredByItsDrive) {
  const std::string image = "disk-blank-98.img";
  test_support::WriteBlankImage(image, 2880);
  PlainCard card{"floppy", 2880, "floppy"};
  card.windows = "98";
  {
    InstalledMachine machine(PlainCardMachine(card, image));
    ASSERT_EQ(FloppyFormat(1), 1);
  }
  EXPECT_EQ(mediaCode_, 2880u);
  ExpectSoundVolume(image, 0, image);
}

TEST_F(FatFormatTest, TheFloppyFormatRunsOnWindows9xThroughVwin32) {
  const std::string image = "disk-98.img";
  {
    PlainCard card{"floppy", 2880, "floppy"};
    card.windows = "98";
    InstalledMachine machine(PlainCardMachine(card, image));
    ASSERT_EQ(FloppyFormat(1), 1);
  }
  ExpectSoundVolume(image, 0, image);
}

#endif

// A drive that answers no READ CAPACITY (a floppy-bus disk) is sized by its geometry a track
// short of its cylinders: both formats of other makers' readers keep their volume on the disk.
TEST_F(FatFormatTest, OtherMakersFormatsOfADiskSizedByItsGeometryStayOnTheDisk) {
  struct GeometryCase {
    std::uint32_t sectors;
    bool fat32;
  };
  for (const GeometryCase disk : {GeometryCase{32130, false}, GeometryCase{524288, true}}) {
    const std::string image = "geometry-other-" + std::to_string(disk.sectors) + ".img";
    test_support::WriteBlankImage(image, disk.sectors);
    {
      InstalledMachine machine(PlainCardMachine({"floppy", disk.sectors, "floppy"}, image));
      drive_ = kDriveA;
      ASSERT_EQ(disk.fat32 ? Fat32Format(kMmcSd, 0, 1) : OtherMakerFormat(kMmcSd, 0), 1) << image;
    }
    const std::uint32_t cylinderSectors = 255 * 63;  // the machine's disks report 255 heads of 63 sectors
    EXPECT_EQ(mediaCode_, disk.sectors / cylinderSectors * cylinderSectors - 63) << "a track short" << image;
    const auto entry = ReadFirstPartition(ReadCardSector(image, 0));
    EXPECT_LE(std::uint64_t{entry.firstSector} + entry.sectors, disk.sectors) << image;
    EXPECT_EQ(PartitionedVolume(image, image).FatBits() == 32, disk.fat32) << image;
    std::filesystem::remove(test_support::ImagePath(image));
  }
}

}  // namespace
}  // namespace pradvik

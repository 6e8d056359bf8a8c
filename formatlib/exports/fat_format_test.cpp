// The FAT format exports through the built library, bound by name as the Format page binds
// them, on plain cards of the machine at every capacity step of the formatters' tables: each
// volume must satisfy fsck.fat and take a file through mtools, with the boot record's fields
// those of the tables (or the sound ones where the tables' arithmetic would give a volume the
// system reads differently).
#include "formatlib/testing/fat_checks.h"
#include "formatlib/testing/flash_checks.h"
#include "formatlib/testing/flash_machine.h"

#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/win/registry/profile.h"
#include "platform/win/system/manual_clock.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>

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

std::uint32_t BinaryMib(std::uint64_t sectors) { return static_cast<std::uint32_t>(((sectors - 1) * 512) >> 20); }

class FatFormatTest : public ::testing::Test {
 protected:
  // DoDefaultFormat on the maker's USB reader, as the Format page calls it.
  int DefaultFormat(BYTE kind, BYTE full, int forceFat16, DWORD capacityMb, int enableBooting = 0) {
    auto* format = library_.Bind<DoDefaultFormatFn>("DoDefaultFormat");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    BYTE reinsert = 1;
    BYTE busy = 0;
    return format(nullptr, nullptr, nullptr, nullptr, 7, kDriveE, full, nullptr, &reinsert, &mediaCode_, kind, 0,
                  enableBooting, forceFat16, nullptr, 3, 0, 0, &busy, &capacityMb);
  }

  int Fat32Format(BYTE kind, BYTE full, int otherMaker) {
    auto* format = library_.Bind<DoDefaultFat32FormatFn>("DoDefaultFat32Format");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    BYTE reinsert = 1;
    return format(nullptr, nullptr, nullptr, nullptr, 7, kDriveE, full, nullptr, &reinsert, &mediaCode_, kind, nullptr,
                  0, nullptr, 3, 0, 0, 1, otherMaker);
  }

  int OtherMakerFormat(BYTE kind, BYTE full) {
    auto* format = library_.Bind<DoDefaultFormatForThirdPartyDevicesFn>("DoDefaultFormatForThirdPartyDevices");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    BYTE reinsert = 1;
    return format(nullptr, nullptr, nullptr, nullptr, 7, kDriveE, full, nullptr, &reinsert, &mediaCode_, kind, nullptr,
                  0, nullptr, 3, 0, 0);
  }

  int FloppyFormat(BYTE full) {
    auto* format = library_.Bind<DoFloppyFormatFn>("DoFloppyFormat");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    return format(nullptr, nullptr, nullptr, nullptr, 7, kDriveA, full, nullptr, &mediaCode_, 0, 0, 0, nullptr, 6);
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

  LoadedLibrary library_;
  ui::ScriptedPrompter prompter_{[](const std::string& what) { ADD_FAILURE() << what; }};
  DWORD mediaCode_ = 0;
};

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

TEST_F(FatFormatTest, EveryStepOfTheDefaultTablesGivesASoundVolume) {
  for (const DefaultCase& step : kDefaultCases) {
    const std::string image = std::string(step.kind == kMmcSd ? "sd-" : "cf-") + std::to_string(step.sectors) + ".img";
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

TEST_F(FatFormatTest, AVolumeThatCannotBeOpenedIsToldNotSilent) {
  InstalledMachine machine(PlainCardMachine({"cf", 40000}, "cf-none.img"));
  auto* format = library_.Bind<DoDefaultFormatFn>("DoDefaultFormat");
  ASSERT_NE(format, nullptr);
  DWORD capacity = 20;
  prompter_.AnswerMessageBox(ui::IDOK, "Format application cannot format this drive.");
  EXPECT_EQ(format(nullptr, nullptr, nullptr, nullptr, 7, 'K' - 'A', 0, nullptr, nullptr, &mediaCode_, kCompactFlash, 0,
                   0, 1, nullptr, 3, 0, 0, nullptr, &capacity),
            0);
}

TEST_F(FatFormatTest, AFixedClockGivesTheGoldenCard) {
  const auto clock = win::ManualClock::Install();
  {
    InstalledMachine machine(PlainCardMachine({"cf", 131072}, "cf-golden.img"));
    ASSERT_EQ(DefaultFormat(kCompactFlash, 0, 1, 64), 1);
  }
  win::SetClock(nullptr);
  EXPECT_EQ(test_support::Digest(test_support::ReadImage("cf-golden.img")), 3925185228959364731ULL);
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
  {
    std::ofstream blank(test_support::ImagePath(image), std::ios::binary);
    blank.seekp(2880 * 512 - 1);
    blank.put(0);
  }
  InstalledMachine machine(PlainCardMachine({"floppy", 2880, "floppy"}, image));
  prompter_.AnswerMessageBox(ui::IDOK, "You cannot do a Quick Format.");
  EXPECT_EQ(FloppyFormat(0), 0);
  // A full format measures the blank disk by its drive and formats it.
  EXPECT_EQ(FloppyFormat(1), 1);
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

}  // namespace
}  // namespace pradvik

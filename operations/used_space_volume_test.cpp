// Used-space images laid back onto cards of the same size and onto larger ones, judged by
// fsck.fat and mcopy; crafted and truncated bodies refused by the checking walk.
#include "operations/used_space_volume.h"

#include "operations/testing/fat_volumes.h"
#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarnlok {
namespace {

using test_support::Bytes;
constexpr win::DWORD kSector = 512;

class CardSink : public SectorSink {
 public:
  explicit CardSink(Bytes& card) : card_(card) {}
  bool Write(win::DWORD firstSector, std::span<const win::BYTE> data) override {
    const std::size_t at = std::size_t{firstSector} * kSector;
    if (data.size() % kSector != 0 || at + data.size() > card_.size()) return false;
    std::copy(data.begin(), data.end(), card_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
  }

 private:
  Bytes& card_;
};

struct Source {
  int fatBits;
  win::DWORD sectors;
  win::DWORD start;
};

UsedSpaceImage ImageOf(const Source& source) {
  return UsedSpaceImage{static_cast<win::BYTE>(source.fatBits == 12   ? 1
                                               : source.fatBits == 16 ? 2
                                                                      : 3),
                        source.start != 0, source.start, kSector, 0};
}

Bytes CardOf(const Source& source) {
  return test_support::MakeFatCard(source.fatBits, source.sectors, source.start, source.sectors - source.start);
}

UsedSpaceOutcome Check(const Bytes& body, const UsedSpaceImage& image, win::DWORD cardSectors) {
  MemoryImageSource source(body);
  return RestoreUsedSpaceVolume(source, nullptr, image, cardSectors, {});
}

UsedSpaceOutcome Restore(const Bytes& body, const UsedSpaceImage& image, Bytes& card) {
  MemoryImageSource source(body);
  CardSink sink(card);
  return RestoreUsedSpaceVolume(source, &sink, image, static_cast<win::DWORD>(card.size() / kSector), {});
}

win::DWORD BootField32(const Bytes& card, win::DWORD start, std::size_t offset) {
  return win::ReadLe32(std::span(card).subspan(std::size_t{start} * kSector), offset);
}

// A card that held something else before: every stale byte the restore leaves shows.
Bytes UsedCard(win::DWORD sectors) { return Bytes(std::size_t{sectors} * kSector, 0xA7); }

void ExpectSoundVolumeWithTheFiles(const Bytes& card, win::DWORD start, const Bytes& original) {
  const auto fsck = test_support::CheckVolume(card, start);
  EXPECT_EQ(fsck.status, 0) << fsck.output;
  const auto files = test_support::VolumeFiles(card, start);
  EXPECT_EQ(files, test_support::VolumeFiles(original, start));
  EXPECT_GE(files.size(), 17u);
}

TEST(UsedSpaceVolume, OntoACardOfTheSameSizeTheVolumeComesBackByteForByte) {
  for (const Source source :
       {Source{12, 2880, 0}, Source{12, 32768, 63}, Source{16, 131072, 63}, Source{32, 139264, 2048}}) {
    SCOPED_TRACE(test_support::FatBitsByClusterCount(CardOf(source), source.start));
    const Bytes original = CardOf(source);
    Bytes card(original.size(), 0);
    ASSERT_EQ(Restore(test_support::UsedSpaceBodyOf(original, source.fatBits, source.start), ImageOf(source), card),
              UsedSpaceOutcome::kRestored);
    EXPECT_TRUE(card == original) << "FAT" << source.fatBits;
  }
}

TEST(UsedSpaceVolume, ACardLargerByLessThanAMegabyteKeepsTheVolumeAsItWas) {
  const Source source{16, 131072, 63};
  const Bytes original = CardOf(source);
  Bytes card = UsedCard(source.sectors + 1900);
  ASSERT_EQ(Restore(test_support::UsedSpaceBodyOf(original, 16, 63), ImageOf(source), card),
            UsedSpaceOutcome::kRestored);
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + 63 * kSector + kSector, card.begin()))
      << "master boot record and boot sector untouched";
  ExpectSoundVolumeWithTheFiles(card, 63, original);
}

TEST(UsedSpaceVolume, Fat12GrownOntoALargerCardBecomesFat16WithItsPartition) {
  const Source source{12, 32768, 63};
  const Bytes original = CardOf(source);
  ASSERT_EQ(test_support::FatBitsByClusterCount(original, 63), 12);
  Bytes card = UsedCard(131072);
  ASSERT_EQ(Restore(test_support::UsedSpaceBodyOf(original, 12, 63), ImageOf(source), card),
            UsedSpaceOutcome::kRestored);
  EXPECT_EQ(test_support::FatBitsByClusterCount(card, 63), 16);
  EXPECT_EQ(card[0x1C2], 0x06);
  EXPECT_EQ(win::ReadLe32(card, 0x1CA), 131072u - 63);
  EXPECT_EQ(BootField32(card, 63, 32), 131072u - 63) << "32-bit total sectors";
  EXPECT_EQ(std::string(card.begin() + 63 * kSector + 54, card.begin() + 63 * kSector + 59), "FAT16");
  ExpectSoundVolumeWithTheFiles(card, 63, original);
}

TEST(UsedSpaceVolume, Fat16GrowsAsFarAsItsClusterSizeAllows) {
  const Source source{16, 131072, 63};
  const Bytes original = CardOf(source);
  Bytes card = UsedCard(524288);
  ASSERT_EQ(Restore(test_support::UsedSpaceBodyOf(original, 16, 63), ImageOf(source), card),
            UsedSpaceOutcome::kRestored);
  EXPECT_EQ(test_support::FatBitsByClusterCount(card, 63), 16);
  const win::DWORD total = BootField32(card, 63, 32);
  EXPECT_GT(total, 131072u - 63);
  EXPECT_EQ(win::ReadLe32(card, 0x1CA), total) << "the partition ends with the volume";
  ExpectSoundVolumeWithTheFiles(card, 63, original);
}

TEST(UsedSpaceVolume, Fat32GrownKeepsBackupBootSectorAndFreeCountTrue) {
  const Source source{32, 139264, 2048};
  const Bytes original = CardOf(source);
  Bytes card = UsedCard(300000);
  ASSERT_EQ(Restore(test_support::UsedSpaceBodyOf(original, 32, 2048), ImageOf(source), card),
            UsedSpaceOutcome::kRestored);
  EXPECT_EQ(BootField32(card, 2048, 32), 300000u - 2048);
  const auto boot = std::span(card).subspan(2048 * kSector, kSector);
  const win::WORD backup = win::ReadLe16(boot, 50);
  EXPECT_TRUE(std::equal(boot.begin(), boot.end(), card.begin() + (2048 + backup) * kSector));
  ExpectSoundVolumeWithTheFiles(card, 2048, original);
}

TEST(UsedSpaceVolume, Fat12BadClusterMarkStaysABadClusterOnFat16) {
  const Source source{12, 32768, 63};
  Bytes original = CardOf(source);
  // Mark the volume's last cluster bad in both FATs, as a scan would.
  const auto boot = std::span(original).subspan(63 * kSector, kSector);
  const win::DWORD fatSize = win::ReadLe16(boot, 22);
  const win::DWORD reserved = win::ReadLe16(boot, 14);
  const win::DWORD rootSectors = win::ReadLe16(boot, 17) * 32 / kSector;
  const win::DWORD cluster =
      1 + (win::ReadLe16(boot, 19) - reserved - 2 * fatSize - rootSectors) / win::ReadU8(boot, 13);
  for (win::DWORD copy = 0; copy < 2; ++copy) {
    const auto fat = std::span(original).subspan((63 + reserved + copy * fatSize) * kSector, fatSize * kSector);
    const std::size_t at = cluster * 3 / 2;
    const win::WORD pair = win::ReadLe16(fat, at);
    win::WriteLe16(fat, at,
                   static_cast<win::WORD>(cluster % 2 == 0 ? (pair & 0xF000) | 0xFF7 : (pair & 0x000F) | 0xFF70));
  }
  Bytes card = UsedCard(131072);
  ASSERT_EQ(Restore(test_support::UsedSpaceBodyOf(original, 12, 63), ImageOf(source), card),
            UsedSpaceOutcome::kRestored);
  const auto grownBoot = std::span(card).subspan(63 * kSector, kSector);
  const auto grownFat = std::span(card).subspan((63 + win::ReadLe16(grownBoot, 14)) * kSector);
  EXPECT_EQ(win::ReadLe16(grownFat, cluster * 2), 0xFFF7);
  ExpectSoundVolumeWithTheFiles(card, 63, original);
}

TEST(UsedSpaceVolume, AFat32EntryWithItsReservedBitsSetDoesNotEndTheWalk) {
  const Source source{32, 139264, 2048};
  const Bytes original = CardOf(source);
  Bytes body = test_support::UsedSpaceBodyOf(original, 32, 2048);
  // The first record's value (the root directory's end mark) gets its top bits set.
  const std::size_t firstRecord = std::size_t{2048 + 1 + 31} * kSector;
  ASSERT_EQ(win::ReadLe32(body, firstRecord), 8u);
  win::WriteLe32(body, firstRecord + 4, win::ReadLe32(body, firstRecord + 4) | 0xF0000000);
  Bytes card(original.size(), 0);
  ASSERT_EQ(Restore(body, ImageOf(source), card), UsedSpaceOutcome::kRestored);
  ExpectSoundVolumeWithTheFiles(card, 2048, original);
}

TEST(UsedSpaceVolume, TruncatedBodiesAreRefusedWhereverTheyEnd) {
  const Source source{16, 131072, 63};
  const Bytes body = test_support::UsedSpaceBodyOf(CardOf(source), 16, 63);
  ASSERT_EQ(Check(body, ImageOf(source), source.sectors), UsedSpaceOutcome::kRestored);
  const std::size_t system = std::size_t{64 + 3} * kSector;  // inside the root directory
  for (const std::size_t length : {std::size_t{100}, std::size_t{30} * kSector, system, body.size() - 5000,
                                   body.size() - 1, body.size() - 2048 - 3}) {
    const Bytes cut(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(Check(cut, ImageOf(source), source.sectors), UsedSpaceOutcome::kTruncatedImage) << length;
  }
}

TEST(UsedSpaceVolume, CraftedBodiesAreRefused) {
  const Source source{16, 131072, 63};
  const Bytes card = CardOf(source);
  const Bytes body = test_support::UsedSpaceBodyOf(card, 16, 63);
  const std::size_t boot = std::size_t{63} * kSector;
  const win::DWORD rootSectors = win::ReadLe16(card, boot + 17) * 32 / kSector;
  const std::size_t firstRecord = boot + kSector * (win::ReadLe16(card, boot + 14) + rootSectors);
  const win::DWORD clusterBytes = card[boot + 13] * kSector;
  const std::size_t secondRecord = firstRecord + 8 + clusterBytes;
  ASSERT_EQ(win::ReadLe32(body, firstRecord), 4u) << "the first record is cluster 2's";
  const auto crafted = [&](auto change) {
    Bytes copy = body;
    change(copy);
    return Check(copy, ImageOf(source), source.sectors);
  };
  EXPECT_EQ(crafted([&](Bytes& b) { b[boot + 13] = 0; }), UsedSpaceOutcome::kInvalidImage) << "no cluster size";
  EXPECT_EQ(crafted([&](Bytes& b) { b[boot + 16] = 0; }), UsedSpaceOutcome::kInvalidImage) << "no FAT";
  EXPECT_EQ(crafted([&](Bytes& b) { win::WriteLe32(b, boot + 32, 0x7FFFFFFF); }), UsedSpaceOutcome::kInvalidImage)
      << "a volume larger than the card";
  EXPECT_EQ(crafted([&](Bytes& b) { win::WriteLe32(b, 0x1C6, 62); }), UsedSpaceOutcome::kInvalidImage)
      << "a partition elsewhere than the header says";
  EXPECT_EQ(crafted([&](Bytes& b) { win::WriteLe32(b, secondRecord, 4); }), UsedSpaceOutcome::kInvalidImage)
      << "records out of FAT order";
  EXPECT_EQ(crafted([&](Bytes& b) { win::WriteLe32(b, secondRecord, 7); }), UsedSpaceOutcome::kInvalidImage)
      << "an offset inside an entry";
  EXPECT_EQ(crafted([&](Bytes& b) { win::WriteLe32(b, secondRecord, 0x7FFFFFF0); }), UsedSpaceOutcome::kInvalidImage)
      << "an offset past the FAT";
  EXPECT_EQ(crafted([&](Bytes& b) { win::WriteLe32(b, secondRecord + 4, 0x10000); }), UsedSpaceOutcome::kInvalidImage)
      << "a FAT16 entry above 16 bits";
  UsedSpaceImage noMbr = ImageOf(source);
  noMbr.hasMbr = false;
  EXPECT_EQ(Check(body, noMbr, source.sectors), UsedSpaceOutcome::kInvalidImage);
  UsedSpaceImage otherKind = ImageOf(source);
  otherKind.fileSystem = 4;
  EXPECT_EQ(Check(body, otherKind, source.sectors), UsedSpaceOutcome::kInvalidImage);
  EXPECT_EQ(Check(body, ImageOf(source), source.sectors - 100), UsedSpaceOutcome::kInvalidImage) << "a smaller card";
}

// Records the largest read the walk asks for: the walk fills a buffer it sized from the header.
class SizingSource : public MemoryImageSource {
 public:
  using MemoryImageSource::MemoryImageSource;
  bool Read(std::span<win::BYTE> bytes) override {
    largest = std::max(largest, bytes.size());
    return MemoryImageSource::Read(bytes);
  }
  std::size_t largest = 0;
};

TEST(UsedSpaceVolume, AHeaderClaimingAHugeSystemAreaIsRefusedBeforeItsBuffersAreSized) {
  // A FAT12 boot sector of 4096-byte sectors and nothing more: its FAT of 65535 sectors, or its
  // reserved area of as many, would be 256 MB of memory.
  constexpr win::DWORD kBytes = 4096;
  constexpr win::DWORD kCardSectors = 0x20000;
  const auto bootSector = [](win::WORD reserved, win::WORD fatSectors) {
    Bytes boot(kBytes, 0);
    win::WriteLe16(boot, 11, kBytes);
    win::WriteU8(boot, 13, 1);
    win::WriteLe16(boot, 14, reserved);
    win::WriteU8(boot, 16, 1);
    win::WriteLe16(boot, 17, 16);
    win::WriteLe32(boot, 32, kCardSectors);
    win::WriteLe16(boot, 22, fatSectors);
    Bytes body = boot;
    body.resize(body.size() + kBytes, 0);  // the zero sector that follows a boot sector without MBR
    return body;
  };
  const UsedSpaceImage image{1, false, 0, kBytes, 0};
  for (const auto& [reserved, fatSectors] : {std::pair<win::WORD, win::WORD>{1, 0xFFFF}, {0xFFFF, 1}}) {
    const Bytes body = bootSector(reserved, fatSectors);
    SizingSource source(body);
    EXPECT_EQ(RestoreUsedSpaceVolume(source, nullptr, image, kCardSectors, {}), UsedSpaceOutcome::kTruncatedImage)
        << reserved << " " << fatSectors;
    EXPECT_LE(source.largest, body.size()) << reserved << " " << fatSectors;
  }
}

TEST(UsedSpaceVolume, AFailedWriteEndsTheRestore) {
  const Source source{12, 2880, 0};
  const Bytes body = test_support::UsedSpaceBodyOf(CardOf(source), 12, 0);
  Bytes tooSmall(30 * kSector, 0);  // ends inside the root directory
  MemoryImageSource image(body);
  CardSink sink(tooSmall);
  EXPECT_EQ(RestoreUsedSpaceVolume(image, &sink, ImageOf(source), 2880, {}), UsedSpaceOutcome::kWriteFailed);
}

}  // namespace
}  // namespace tarnlok

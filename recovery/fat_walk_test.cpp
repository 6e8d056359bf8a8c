// The boot sector's geometry, the free-run tracking and the deleted-entry scans.
#include "recovery/deleted_entries.h"
#include "recovery/recovery_fat.h"
#include "recovery/free_run.h"
#include "recovery/throughput.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace recovery {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BootSector(const char* text, int bytesPerSector, int perCluster, int reserved, int fats, int rootEntries,
                 std::uint32_t total16, int perFat, std::uint32_t hidden, std::uint32_t total32) {
  Bytes s(512, 0);
  auto le16 = [&s](std::size_t at, std::uint32_t v) {
    s[at] = std::uint8_t(v);
    s[at + 1] = std::uint8_t(v >> 8);
  };
  auto le32 = [&](std::size_t at, std::uint32_t v) {
    le16(at, v & 0xFFFF);
    le16(at + 2, v >> 16);
  };
  le16(11, static_cast<std::uint32_t>(bytesPerSector));
  s[13] = std::uint8_t(perCluster);
  le16(14, static_cast<std::uint32_t>(reserved));
  s[16] = std::uint8_t(fats);
  le16(17, static_cast<std::uint32_t>(rootEntries));
  le16(19, total16);
  le16(22, static_cast<std::uint32_t>(perFat));
  le32(28, hidden);
  le32(32, total32);
  std::memcpy(s.data() + 54, text, std::strlen(text));
  s[510] = 0x55;
  s[511] = 0xAA;
  return s;
}

TEST(BootSector, ClustersAreCountedFromTheDataAreaWhateverTheGeometry) {
  // A floppy: 2880 sectors, 1 reserved, 2 FATs of 9, 224 root entries (14 sectors).
  const BootFacts floppy = ReadBootSector(BootSector("FAT12   ", 512, 1, 1, 2, 224, 2880, 9, 0, 0), 0);
  EXPECT_EQ(floppy.fileSystem, FileSystem::Fat12);
  EXPECT_EQ(floppy.firstDataSector, 33u);
  EXPECT_EQ(floppy.clusterCount, 2847u);
  // A partition behind 63 hidden sectors: they are not part of the volume's count.
  const BootFacts card = ReadBootSector(BootSector("FAT16   ", 512, 4, 1, 2, 512, 0, 64, 63, 65536), 0);
  EXPECT_EQ(card.firstDataSector, 1u + 128u + 32u);
  EXPECT_EQ(card.clusterCount, (65536u - 161u) / 4u);
  EXPECT_EQ(card.ClusterSector(2), 161u);
  // No count in the boot sector: the volume's size serves.
  EXPECT_EQ(ReadBootSector(BootSector("FAT16   ", 512, 2, 1, 2, 512, 0, 32, 0, 0), 10000).clusterCount,
            (10000u - 97u) / 2u);
  // Geometries that describe no data area are not walked at all.
  EXPECT_FALSE(ReadBootSector(BootSector("FAT16   ", 512, 0, 1, 2, 512, 4000, 16, 0, 0), 0).IsFat());
  EXPECT_FALSE(ReadBootSector(BootSector("FAT12   ", 512, 1, 1, 2, 224, 20, 9, 0, 0), 0).IsFat());
  EXPECT_EQ(ReadBootSector(BootSector("NTFS    ", 512, 8, 0, 0, 0, 0, 0, 0, 0), 0).fileSystem, FileSystem::Ntfs);
  EXPECT_EQ(ReadBootSector(Bytes(512, 0), 0).fileSystem, FileSystem::None);
}

TEST(BootSector, NoCountGoesPastTheCard) {
  // A 4 MB card whose boot sector claims 0xFFFFFFFF sectors, or 65535 in its 16-bit count.
  const BootFacts huge = ReadBootSector(BootSector("FAT16   ", 512, 4, 1, 2, 512, 0, 16, 0, 0xFFFFFFFF), 8192);
  EXPECT_EQ(huge.totalSectors, 8192u);
  EXPECT_EQ(huge.clusterCount, (8192u - 65u) / 4u);
  EXPECT_EQ(ReadBootSector(BootSector("FAT12   ", 512, 1, 1, 2, 224, 0xFFFF, 9, 0, 0), 2880).totalSectors, 2880u);
  // FATs that would end past the card leave no data area to walk.
  EXPECT_FALSE(ReadBootSector(BootSector("FAT16   ", 512, 4, 1, 2, 512, 0, 0xFFFF, 0, 0xFFFFFFFF), 8192).IsFat());
  // A count inside the card stands.
  EXPECT_EQ(ReadBootSector(BootSector("FAT16   ", 512, 4, 1, 2, 512, 6000, 16, 0, 0), 8192).totalSectors, 6000u);
}

TEST(BootSector, Fat12EntriesAreUnpackedAsTheFatLaysThemOut) {
  // Entries 0..3: F0F, FFF, 003, 000 packed in 6 bytes.
  const Bytes fat = {0x0F, 0xFF, 0xFF, 0x03, 0x00, 0x00};
  const FatTable table(FileSystem::Fat12, fat, 2);
  EXPECT_TRUE(table.InUse(2));
  EXPECT_FALSE(table.InUse(3));
  EXPECT_FALSE(FatTable().InUse(2));
}

TEST(FreeRun, FiftyFreeClustersInARowStartTheScanAtTheFirstOfThem) {
  FreeRunTracker tracker;
  for (std::uint32_t c = 2; c < 2 + 49; ++c) EXPECT_FALSE(tracker.Step(c, false, std::nullopt));
  EXPECT_FALSE(tracker.Step(51, true, std::nullopt));
  bool started = false;
  for (std::uint32_t c = 52; c < 52 + 50 && !started; ++c) started = tracker.Step(c, false, std::nullopt);
  EXPECT_TRUE(started);
  EXPECT_EQ(tracker.RunStartCluster(), 52u);
}

TEST(FreeRun, WithDeletedEntriesTheFifthFreeClusterPastTheLimitStartsIt) {
  FreeRunTracker tracker;
  EXPECT_FALSE(tracker.Step(5, false, 10u));  // before the limit: resets
  EXPECT_FALSE(tracker.Step(10, false, 10u));  // the limit itself: nothing
  EXPECT_FALSE(tracker.Step(11, false, 10u));
  EXPECT_FALSE(tracker.Step(12, true, 10u));  // in use: nothing, need not be consecutive
  EXPECT_FALSE(tracker.Step(13, false, 10u));
  EXPECT_FALSE(tracker.Step(14, false, 10u));
  EXPECT_FALSE(tracker.Step(15, false, 10u));
  EXPECT_TRUE(tracker.Step(16, false, 10u));
  EXPECT_EQ(tracker.RunStartCluster(), 11u);
}

Bytes Entry(const char* name11, std::uint8_t attribute, std::uint8_t second = 0) {
  Bytes e(32, 0);
  std::memcpy(e.data(), name11, 11);
  if (second) e[1] = second;
  e[11] = attribute;
  e[26] = 9;
  e[28] = 0xE8;
  e[29] = 0x03;
  return e;
}

Bytes Join(const std::vector<Bytes>& entries) {
  Bytes all;
  for (const Bytes& e : entries) all.insert(all.end(), e.begin(), e.end());
  return all;
}

std::string NameOf(const DeletedEntry& entry) {
  return std::string(entry.name, 8) + "." + std::string(entry.extension, 3);
}

// The checksum a long-name entry holds of its short name: the FAT specification's
// rotate-and-add over the 11 name bytes.
std::uint8_t Checksum(const char* shortName11) {
  std::uint8_t sum = 0;
  for (int k = 0; k < 11; ++k)
    sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + static_cast<std::uint8_t>(shortName11[k]));
  return sum;
}

// The long-name entry holding the first characters of a long name.
Bytes LongName(std::uint8_t first, const char* shortName11) {
  Bytes e(32, 0);
  e[0] = 0xE5;
  e[1] = first;
  e[11] = 0x0F;
  e[13] = Checksum(shortName11);
  return e;
}

TEST(DeletedEntries, TheRootScanRestoresTheFirstLetterAndListsPlainArchivesOnly) {
  DeletedEntryList list;
  list.ScanRootForDeletedEntries(
      Join({LongName('P', "PHOTO   JPG"), Entry("\xE5HOTO   JPG", 0x20), Entry("\xE5HOTO   JPG", 0x20),
            Entry("\xE5"
                  "EADONLYJPG",
                  0x21),
            Entry("LIVE    JPG", 0x20)}));
  ASSERT_EQ(list.Entries().size(), 2u);
  EXPECT_EQ(NameOf(list.Entries()[0]), "PHOTO   .JPG");
  EXPECT_EQ(NameOf(list.Entries()[1]), "_HOTO   .JPG");
  EXPECT_EQ(list.Entries()[1].size, 1000u);
  EXPECT_EQ(list.Entries()[1].clusterLow, 9u);
}

TEST(DeletedEntries, TheFirstLetterComesOnlyFromTheFilesOwnLongName) {
  // The volume label, whose byte 13 (a time's hundredths) happens to hold the checksum.
  Bytes label = Entry("UNTITLED   ", 0x08);
  label[13] = Checksum("NHOTO1  JPG");
  DeletedEntryList list;
  list.ScanRootForDeletedEntries(Join({
      label, Entry("\xE5HOTO1  JPG", 0x20), LongName('T', "TESTLO~1JPG"),
      Entry("TESTLO~1JPG", 0x20),  // a file still on the card
      Entry("\xE5MG_0003JPG", 0x20), LongName('v', "VOICE-~1WAV"),
      Entry("\xE5OICE-~1WAV", 0x20),  // its own name, as written
      LongName('Q', "QUOTE   ZIP"), Entry("\xE5URCH   ZIP", 0x20),  // another file's long name
  }));
  ASSERT_EQ(list.Entries().size(), 4u);
  EXPECT_EQ(NameOf(list.Entries()[0]), "_HOTO1  .JPG");
  EXPECT_EQ(NameOf(list.Entries()[1]), "_MG_0003.JPG");
  EXPECT_EQ(NameOf(list.Entries()[2]), "vOICE-~1.WAV");
  EXPECT_EQ(NameOf(list.Entries()[3]), "_URCH   .ZIP");

  // The same in a deleted directory's cluster.
  Bytes dot = Entry(".          ", 0x10);
  Bytes dotdot = Entry("..         ", 0x10);
  dotdot[28] = dotdot[29] = 0;
  DeletedEntryList cluster;
  cluster.ScanDirectoryCluster(Join({dot, dotdot, LongName('I', "IMG_0001JPG"), Entry("\xE5MG_0001JPG", 0x20),
                                     LongName('X', "XYZ     JPG"), Entry("\xE5MG_0002JPG", 0x20)}),
                               false);
  ASSERT_EQ(cluster.Entries().size(), 2u);
  EXPECT_EQ(NameOf(cluster.Entries()[0]), "IMG_0001.JPG");
  EXPECT_EQ(NameOf(cluster.Entries()[1]), "_MG_0002.JPG");
}

TEST(DeletedEntries, ADirectoryClusterIsRecognisedByItsDotDotEntry) {
  Bytes dot = Entry(".          ", 0x10);
  Bytes dotdot = Entry("..         ", 0x10);
  dotdot[28] = dotdot[29] = 0;
  DeletedEntryList free;
  // A free cluster that is a directory: every archive entry with a plain extension is listed.
  EXPECT_EQ(free.ScanDirectoryCluster(Join({dot, dotdot, Entry("LIVE    MP3", 0x20),
                                            Entry("\xE5"
                                                  "ONE    MP3",
                                                  0x20),
                                            Entry("BLANK   M 3", 0x20)}),
                                      false),
            1);
  EXPECT_EQ(free.Entries().size(), 2u);
  DeletedEntryList used;
  EXPECT_EQ(used.ScanDirectoryCluster(Join({dot, dotdot, Entry("LIVE    MP3", 0x20)}), true), 5);
  DeletedEntryList data;
  EXPECT_EQ(data.ScanDirectoryCluster(
                Join({Entry("ABCDEFGHIJK", 0x20), Entry("LMNOPQRSTUV", 0x20), Entry("\xE5OTLISTEDXX", 0x20)}), false),
            1);
  EXPECT_TRUE(data.Empty());
  EXPECT_EQ(HasDirectoryEntries(Bytes(512, 0)), 0);
  EXPECT_EQ(HasDirectoryEntries(Bytes(128, 0)), 1);
}

TEST(Throughput, TheGaugeDoublesItsScaleWhenTheRatePassesIt) {
  std::uint64_t gaugeMax = 0;
  const ThroughputReading first = ComputeThroughput(5, 5 * 1000, gaugeMax);
  EXPECT_EQ(first.bytesPerMinute, 60000u);
  EXPECT_EQ(first.gaugePosition, 50);
  EXPECT_EQ(ComputeThroughput(5, 5 * 600, gaugeMax).gaugePosition, 30);
  EXPECT_FALSE(ComputeThroughput(0, 100, gaugeMax).shown);
}

}  // namespace
}  // namespace recovery

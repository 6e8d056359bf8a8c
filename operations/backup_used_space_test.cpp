// Used-space backups of FAT12, FAT16 and FAT32 volumes with and without a master boot record:
// the volume is rebuilt from the image's system area and cluster records as a restore would,
// then fsck.fat and mtools judge it and every file is compared.
#include "device/device_entry.h"
#include "device/file_system_type.h"
#include "device/testing/card_images.h"
#include "operations/backup_test_support.h"
#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace tarnlok {
namespace {

using test_support::ReadHostFile;
namespace fs = std::filesystem;

struct PutFile {
  std::string name;
  std::size_t size;
};

const std::vector<PutFile> kFiles = {
    {"PHOTO1.JPG", 70000}, {"NOTE.TXT", 100}, {"DIR/INNER.BIN", 9000}, {"EMPTY.DAT", 0}, {"LAST.RAW", 33333}};

std::string Content(const PutFile& file) {
  std::string text(file.size, '\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char>((i * 7 + file.name.size() * 13 + i / 511) & 0xFF);
  return text;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

// A FAT volume made by mkfs.fat with the files copied in by mtools.
std::vector<win::BYTE> VolumeWithFiles(int fatBits, std::size_t sectors) {
  const auto volume = test_support::WriteImage("volume.img", test_support::FormattedVolume(fatBits, sectors));
  const std::string image = "'" + volume.string() + "'";
  EXPECT_EQ(Shell("MTOOLS_SKIP_CHECK=1 mmd -i " + image + " ::DIR"), 0);
  for (const PutFile& file : kFiles) {
    const auto source = test_support::TestDataHome() / "source.bin";
    std::ofstream(source, std::ios::binary) << Content(file);
    EXPECT_EQ(Shell("MTOOLS_SKIP_CHECK=1 mcopy -i " + image + " '" + source.string() + "' ::" + file.name), 0);
  }
  return ReadHostFile(volume);
}

win::DWORD RootSectorsAsStored(win::DWORD entries) { return entries * 32 / 512 + (entries % 512 != 0 ? 1 : 0); }

// The volume a restore would write back, rebuilt from the image alone.
std::vector<win::BYTE> RebuildVolume(const FmbHeader& header, const std::vector<win::BYTE>& body,
                                     std::size_t volumeSectors) {
  std::size_t at = 0;
  auto take = [&](std::size_t bytes) {
    EXPECT_LE(at + bytes, body.size());
    std::vector<win::BYTE> part(body.begin() + static_cast<std::ptrdiff_t>(at),
                                body.begin() + static_cast<std::ptrdiff_t>(std::min(at + bytes, body.size())));
    at += bytes;
    return part;
  };
  const win::DWORD start = header.mbrFlag != 0 ? header.volumeStart : 0;
  take(512);  // sector 0
  if (start > 1) take((start - 1) * 512);
  std::vector<win::BYTE> boot = take(512);
  if (header.mbrFlag == 0) {
    EXPECT_TRUE(boot == std::vector<win::BYTE>(512, 0)) << "a block of zeros after the boot sector";
    boot.assign(body.begin(), body.begin() + 512);
  }
  std::vector<win::BYTE> volume(volumeSectors * 512, 0);
  std::copy(boot.begin(), boot.end(), volume.begin());
  const win::DWORD reserved = win::ReadLe16(boot, 14);
  const win::DWORD fats = boot[16];
  const win::DWORD rootEntries = win::ReadLe16(boot, 17);
  const win::DWORD fatSize = header.fileSystem == kFat32 ? win::ReadLe32(boot, 36) : win::ReadLe16(boot, 22);
  const win::DWORD perCluster = boot[13];
  auto place = [&](win::DWORD sector, const std::vector<win::BYTE>& bytes) {
    std::copy(bytes.begin(), bytes.end(), volume.begin() + static_cast<std::ptrdiff_t>(sector) * 512);
  };
  if (reserved > 1) place(1, take((reserved - 1) * 512));
  std::vector<win::BYTE> fat(fatSize * 512, 0);
  if (header.fileSystem == kFat12) fat = take(fatSize * 512);
  const win::DWORD rootStart = reserved + fats * fatSize;
  if (header.fileSystem != kFat32) {
    auto root = take(RootSectorsAsStored(rootEntries) * 512);
    root.resize(rootEntries * 32);
    place(rootStart, root);
  }
  const win::DWORD dataStart = rootStart + (header.fileSystem == kFat32 ? 0 : (rootEntries * 32 + 511) / 512);
  if (header.fileSystem == kFat16) {
    win::WriteLe16(fat, 0, static_cast<win::WORD>(0xFF00 | boot[21]));
    win::WriteLe16(fat, 2, 0xFFFF);
  } else if (header.fileSystem == kFat32) {
    win::WriteLe32(fat, 0, 0x0FFFFF00 | boot[21]);
    win::WriteLe32(fat, 4, 0x0FFFFFFF);
  }
  while (at < body.size()) {
    const auto record = ReadClusterRecord(body, at);
    if (!record) {
      ADD_FAILURE() << "a record cut off at " << at;
      break;
    }
    at += kClusterRecordSize;
    EXPECT_NE(record->fatOffset, 0u);
    EXPECT_NE(record->entryValue, 0u);
    if (header.fileSystem == kFat16) win::WriteLe16(fat, record->fatOffset, static_cast<win::WORD>(record->entryValue));
    if (header.fileSystem == kFat32) win::WriteLe32(fat, record->fatOffset, record->entryValue);
    const win::DWORD cluster = ClusterOfFatOffset(header.fileSystem, record->fatOffset);
    place(dataStart + (cluster - 2) * perCluster, take(perCluster * 512));
  }
  for (win::DWORD copy = 0; copy < fats; ++copy) place(reserved + copy * fatSize, fat);
  return volume;
}

struct UsedSpaceCase {
  int fatBits;
  std::size_t volumeSectors;
  win::DWORD partitionStart;  // 0: no master boot record
  bool hiddenFieldZero = false;  // the boot sector's hidden-sector field left at 0, as mkfs.fat --offset without -h
};

class UsedSpaceBackup : public test_support::BackupProgramTest, public ::testing::WithParamInterface<UsedSpaceCase> {};

TEST_P(UsedSpaceBackup, TheRebuiltVolumeIsTheCardsVolume) {
  const UsedSpaceCase& c = GetParam();
  auto volume = VolumeWithFiles(c.fatBits, c.volumeSectors);
  // A volume in a partition counts the sectors in front of it as hidden, as most formatters write it.
  const win::DWORD hidden = c.hiddenFieldZero ? 0 : c.partitionStart;
  win::WriteLe32(volume, 28, hidden);
  if (c.fatBits == 32) win::WriteLe32(volume, 6 * 512 + 28, hidden);
  const auto card = c.partitionStart == 0 ? volume : test_support::Partitioned(volume, c.partitionStart);
  test_support::WriteImage("card.img", card);
  Start(R"({ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
    "card": { "kind": "cf", "image": "card.img", "sectors": )" +
        std::to_string(card.size() / 512) + R"( } } ] })");
  ExpectConfirmation();
  ExpectSuccess();
  RunBackup({.wholeMedia = false});
  const auto header = ImageHeader();
  ASSERT_TRUE(header.has_value());
  EXPECT_TRUE(IsAcceptedFmbHeader(*header));
  EXPECT_EQ(header->backupKind, kBackupUsedSpace);
  EXPECT_EQ(header->fileSystem, c.fatBits == 12 ? kFat12 : c.fatBits == 16 ? kFat16 : kFat32);
  EXPECT_EQ(header->mbrFlag, c.partitionStart != 0 ? 1 : 0);
  EXPECT_EQ(header->volumeStart, c.partitionStart);
  EXPECT_GT(header->usedSectors, 0u);

  const auto rebuilt = RebuildVolume(*header, ImageBody(), c.volumeSectors);
  EXPECT_TRUE(rebuilt == volume) << "the rebuilt volume differs from the card's";
  const auto rebuiltPath = test_support::WriteImage("rebuilt.img", rebuilt);
  const std::string image = "'" + rebuiltPath.string() + "'";
  EXPECT_EQ(Shell("fsck.fat -n " + image + " >/dev/null 2>&1"), 0) << "fsck.fat finds faults";
  for (const PutFile& file : kFiles) {
    const auto out = test_support::TestDataHome() / "out.bin";
    EXPECT_EQ(Shell("MTOOLS_SKIP_CHECK=1 mtype -i " + image + " ::" + file.name + " > '" + out.string() + "'"), 0);
    const auto got = ReadHostFile(out);
    EXPECT_TRUE(std::string(got.begin(), got.end()) == Content(file)) << file.name << " differs";
  }
}

INSTANTIATE_TEST_SUITE_P(Volumes, UsedSpaceBackup,
                         ::testing::Values(UsedSpaceCase{12, 8000, 0}, UsedSpaceCase{12, 8000, 63},
                                           UsedSpaceCase{16, 40000, 0}, UsedSpaceCase{16, 40000, 63},
                                           UsedSpaceCase{32, 70000, 63}, UsedSpaceCase{32, 70000, 0},
                                           UsedSpaceCase{12, 8000, 63, true}, UsedSpaceCase{16, 40000, 63, true},
                                           UsedSpaceCase{32, 70000, 63, true}));

// A FAT12 FAT whose last sector holds a non-zero entry past the volume's last cluster (left by a
// formatter, or a camera's firmware): the entry names no cluster, so the backup passes over it
// instead of reading past the end of the card.
class UsedSpaceFatWalk : public test_support::BackupProgramTest {};

TEST_F(UsedSpaceFatWalk, AnEntryPastTheLastClusterIsPassedOver) {
  auto volume = VolumeWithFiles(12, 8000);
  const win::DWORD reserved = win::ReadLe16(volume, 14);
  const win::DWORD fats = volume[16];
  const win::DWORD fatSize = win::ReadLe16(volume, 22);
  const win::DWORD dataStart = reserved + fats * fatSize + RootSectorsAsStored(win::ReadLe16(volume, 17));
  const win::DWORD lastCluster = (win::ReadLe16(volume, 19) - dataStart) / volume[13] + 1;
  const win::DWORD stray = lastCluster + 1;
  ASSERT_LE(stray * 3 / 2 + 2, fatSize * 512) << "the FAT must have room past the last cluster";
  for (win::DWORD copy = 0; copy < fats; ++copy) {
    const std::size_t at = (reserved + copy * fatSize) * 512 + stray * 3 / 2;
    const win::WORD pair = win::ReadLe16(volume, at);
    win::WriteLe16(volume, at,
                   static_cast<win::WORD>(stray % 2 == 0 ? (pair & 0xF000) | 0x123 : (pair & 0x000F) | 0x1230));
  }
  test_support::WriteImage("card.img", volume);
  Start(R"({ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
    "card": { "kind": "cf", "image": "card.img", "sectors": 8000 } } ] })");
  ExpectConfirmation();
  ExpectSuccess();
  RunBackup({.wholeMedia = false});
  const auto header = ImageHeader();
  ASSERT_TRUE(header.has_value());
  const auto rebuilt = RebuildVolume(*header, ImageBody(), 8000);
  EXPECT_TRUE(rebuilt == volume) << "the rebuilt volume differs from the card's";
}

}  // namespace
}  // namespace tarnlok

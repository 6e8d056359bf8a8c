// The used-space volume growth swept over card sizes around each FAT type's cluster limit: every
// grown volume (boot sector, FATs, root directory) is written out and fsck.fat judges it, telling
// the FAT's entry size and cluster count by the rules every system goes by.
#include "operations/fat_volume_layout.h"

#include "operations/testing/fat_volumes.h"
#include "platform/win/layouts/byte_order.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace tarnlok {
namespace {

using test_support::Bytes;
namespace fs = std::filesystem;
constexpr win::DWORD kSector = 512;

fs::path Scratch(const std::string& name) { return test_support::TestDataHome() / name; }

// The reserved area (boot sector first) mkfs.fat writes for a volume of that many sectors, its
// FATs unaligned so that they are no larger than its clusters need: a grown volume's FAT then
// has to grow with it.
Bytes MkfsReservedArea(int fatBits, win::DWORD sectors, win::DWORD sectorsPerCluster) {
  const fs::path image = Scratch("mkfs-" + std::to_string(fatBits) + ".img");
  fs::remove(image);
  const std::string command = "mkfs.fat -C -a -F " + std::to_string(fatBits) + " -s " +
                              std::to_string(sectorsPerCluster) + " -i 1234ABCD '" + image.string() + "' " +
                              std::to_string(sectors / 2) + " >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream file(image, std::ios::binary);
  const Bytes all(std::istreambuf_iterator<char>(file), {});
  const std::size_t reserved = std::size_t{win::ReadLe16(all, 14)} * kSector;
  return Bytes(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::max(reserved, std::size_t{kSector})));
}

// The grown volume as a restore lays its system area out: the reserved area with the new boot
// sector (and its FAT32 backup, the FSInfo free count unknown), FAT copies that start with the
// media entries (and the FAT32 root directory's cluster), an empty root directory, nothing in the data area (a sparse file).
fs::path WriteGrownVolume(const Bytes& storedReserved, const FatLayout& grown) {
  Bytes reserved = storedReserved;
  const auto boot = std::span(reserved).first(kSector);
  ApplyLayoutToBootSector(grown, boot);
  if (grown.fatBits == 32) {
    const std::size_t backup = std::size_t{win::ReadLe16(boot, kBootBackupSector)} * kSector;
    std::copy(boot.begin(), boot.end(), reserved.begin() + static_cast<std::ptrdiff_t>(backup));
    win::WriteLe32(reserved, std::size_t{win::ReadLe16(boot, kBootFsInfoSector)} * kSector + 488, 0xFFFFFFFF);
  }
  const fs::path path = Scratch("grown.img");
  fs::remove(path);
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(reserved.data()), static_cast<std::streamsize>(reserved.size()));
  const Bytes head = grown.fatBits == 12 ? Bytes{reserved[21], 0xFF, 0xFF}
                     : grown.fatBits == 16
                         ? Bytes{reserved[21], 0xFF, 0xFF, 0xFF}
                         : Bytes{reserved[21], 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};
  for (win::DWORD copy = 0; copy < grown.fatCount; ++copy) {
    file.seekp(std::streamoff{grown.FirstFatSector() + copy * grown.fatSectors} * kSector);
    file.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  }
  file.close();
  fs::resize_file(path, std::uintmax_t{grown.totalSectors} * kSector);
  return path;
}

struct FsckView {
  int status = -1;
  int entryBits = 0;
  win::DWORD clusters = 0;
  std::string output;
};

FsckView Judge(const fs::path& volume) {
  const auto result = test_support::CheckVolumeFile(volume);
  FsckView view{result.status, 0, 0, result.output};
  std::smatch match;
  if (std::regex_search(result.output, match, std::regex(R"((\d+) bit entries)"))) view.entryBits = std::stoi(match[1]);
  if (std::regex_search(result.output, match, std::regex(R"((\d+) data clusters)")))
    view.clusters = static_cast<win::DWORD>(std::stoul(match[1]));
  return view;
}

// Whether a FAT one sector smaller would still hold an entry for every cluster it leaves room for.
bool OneFatSectorLessWouldDo(const FatLayout& volume) {
  const win::ULONGLONG fatSectors = volume.fatSectors - 1;
  const win::ULONGLONG system = volume.reservedSectors + volume.fatCount * fatSectors + volume.rootSectors;
  const win::ULONGLONG clusters = (volume.totalSectors - system) / volume.sectorsPerCluster;
  return fatSectors * volume.bytesPerSector * 8 / volume.fatBits >= clusters + 2;
}

// Grows the stored volume onto every card size of [first, last] and judges each.
void SweepGrowth(const Bytes& storedReserved, int storedBits, win::DWORD first, win::DWORD last, win::DWORD step) {
  const auto stored = ReadFatLayout(std::span(storedReserved).first(kSector), storedBits, kSector);
  ASSERT_TRUE(stored.has_value());
  for (win::DWORD sectors = first; sectors <= last; sectors += step) {
    const FatLayout grown = GrowFatLayout(*stored, sectors);
    ASSERT_LE(grown.totalSectors, sectors);
    ASSERT_GT(grown.totalSectors, stored->totalSectors) << sectors << " sectors: the volume grows";
    const FsckView view = Judge(WriteGrownVolume(storedReserved, grown));
    ASSERT_EQ(view.status, 0) << sectors << " sectors:\n" << view.output;
    ASSERT_EQ(view.entryBits, grown.fatBits) << sectors << " sectors: another FAT type than the volume was laid out as";
    ASSERT_EQ(view.clusters, grown.clusterCount) << sectors << " sectors";
    // The type by the FAT standard's rule, which fsck.fat only warns about on FAT16.
    ASSERT_EQ(view.clusters < 4085 ? 12 : view.clusters < 65525 ? 16 : 32, grown.fatBits) << sectors << " sectors";
    // fsck.fat refuses a FAT too small for the clusters; one larger than they need wastes sectors.
    if (grown.fatSectors > stored->fatSectors) {
      ASSERT_FALSE(OneFatSectorLessWouldDo(grown)) << sectors << " sectors";
    }
  }
}

// Clusters of 32 sectors: FAT12 reaches 4084 clusters near 130,800 sectors; around there a card
// gets the largest FAT12 volume, or a FAT16 one of at least 4085 clusters, never a FAT12 FAT
// over a FAT16 cluster count.
TEST(FatVolumeGrowth, AroundTheFat12LimitEveryVolumeIsOfTheTypeItsClustersMake) {
  const Bytes reserved = MkfsReservedArea(12, 64000, 32);
  SweepGrowth(reserved, 12, 4078 * 32, 4092 * 32 + 128, 3);
}

// Clusters of 4 sectors from 1,500 to 4,060: the FAT12 FAT grows from 5 sectors to 12, one
// sector at each 341 clusters.
TEST(FatVolumeGrowth, AFat12VolumeStaysFat12WithTheFatItsClustersNeed) {
  const Bytes reserved = MkfsReservedArea(12, 6000, 4);
  SweepGrowth(reserved, 12, 6001, 16300, 11);
}

// One sector per cluster: FAT16 stops at 65,524 clusters (near 66,070 sectors); larger cards get
// that largest volume.
TEST(FatVolumeGrowth, AroundTheFat16LimitTheVolumeStopsAtItsLargestSize) {
  const Bytes reserved = MkfsReservedArea(16, 40000, 1);
  SweepGrowth(reserved, 16, 65900, 66400, 3);
}

// FAT32 with one sector per cluster from just above its smallest size: grown, it stays FAT32.
TEST(FatVolumeGrowth, AFat32VolumeGrowsAsFat32) {
  const Bytes reserved = MkfsReservedArea(32, 70000, 1);
  SweepGrowth(reserved, 32, 72000, 76000, 401);
}

}  // namespace
}  // namespace tarnlok

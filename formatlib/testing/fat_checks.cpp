#include "formatlib/testing/fat_checks.h"

#include "formatlib/testing/flash_machine.h"

#include "platform/machine/testing/fat_images.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace pradvik::test_support {

std::string PlainCardMachine(const PlainCard& card, const std::string& image, const std::string& faults) {
  const bool drive = card.bus == "floppy" || card.bus == "ls120";
  return R"({"version":1,"windows":")" + card.windows + R"(","readers":[{"bus":")" + card.bus + R"(","maker":)" +
         (card.maker && !drive ? "true" : "false") + R"(,"letter":")" + (drive ? "A" : "E") + R"(","card":{"kind":")" +
         card.kind + R"(","image":")" + image + R"(","sectors":)" + std::to_string(card.sectors) +
         R"(,"writeProtected":)" + (card.writeProtected ? "true" : "false") +
         (faults.empty() ? "" : R"(,"faults":)" + faults) + "}}]}";
}

void WriteBlankImage(const std::string& image, std::uint64_t sectors) {
  std::filesystem::remove(ImagePath(image));
  std::ofstream blank(ImagePath(image), std::ios::binary);
  blank.seekp(static_cast<std::streamoff>(sectors * 512 - 1));
  blank.put(0);
}

std::array<std::uint8_t, 512> ReadCardSector(const std::string& image, std::uint64_t lba) {
  std::array<std::uint8_t, 512> sector{};
  std::ifstream file(ImagePath(image), std::ios::binary);
  file.seekg(static_cast<std::streamoff>(lba * 512));
  file.read(reinterpret_cast<char*>(sector.data()), sector.size());
  EXPECT_TRUE(file.good()) << image << " sector " << lba;
  return sector;
}

std::uint32_t BootFields::Clusters() const {
  const std::uint32_t root = (rootEntries * 32 + 511) / 512;
  const std::uint32_t system = reservedSectors + 2 * sectorsPerFat + root;
  return Total() > system && sectorsPerCluster != 0 ? (Total() - system) / sectorsPerCluster : 0;
}

int BootFields::FatBits() const {
  if (Clusters() < 4085) return 12;
  return Clusters() < 65525 ? 16 : 32;
}

BootFields ReadBootFields(const std::array<std::uint8_t, 512>& sector) {
  BootFields fields;
  fields.sectorsPerCluster = sector[win::bpb::kSectorsPerCluster];
  fields.reservedSectors = win::ReadLe16(sector, win::bpb::kReservedSectors);
  fields.rootEntries = win::ReadLe16(sector, win::bpb::kRootEntryCount);
  fields.shortTotal = win::ReadLe16(sector, win::bpb::kTotalSectors16);
  fields.media = sector[win::bpb::kMedia];
  fields.sectorsPerFat = win::ReadLe16(sector, win::bpb::kSectorsPerFat16);
  fields.sectorsPerTrack = win::ReadLe16(sector, win::bpb::kSectorsPerTrack);
  fields.heads = win::ReadLe16(sector, win::bpb::kHeads);
  fields.hiddenSectors = win::ReadLe32(sector, win::bpb::kHiddenSectors);
  fields.longTotal = win::ReadLe32(sector, win::bpb::kTotalSectors32);
  const bool fat32 = fields.sectorsPerFat == 0;
  if (fat32) fields.sectorsPerFat = win::ReadLe32(sector, win::bpb::kSectorsPerFat32);
  fields.fileSystem.assign(reinterpret_cast<const char*>(sector.data()) +
                               (fat32 ? win::bpb::kExtendedFat32 : win::bpb::kExtendedFat16) +
                               win::bpb::kExtFileSystemType,
                           8);
  return fields;
}

PartitionFields ReadFirstPartition(const std::array<std::uint8_t, 512>& mbr) {
  namespace table = win::partition_table;
  constexpr std::size_t kEntry = table::kFirstEntry;
  PartitionFields fields;
  fields.endHead = mbr[kEntry + table::kLastChs];
  fields.endSector = mbr[kEntry + table::kLastChs + 1] & 0x3F;
  fields.endCylinder = mbr[kEntry + table::kLastChs + 2] | ((mbr[kEntry + table::kLastChs + 1] & 0xC0) << 2);
  fields.type = mbr[kEntry + table::kType];
  fields.firstSector = win::ReadLe32(mbr, kEntry + table::kFirstSector);
  fields.sectors = win::ReadLe32(mbr, kEntry + table::kSectorCount);
  return fields;
}

void ExpectSoundVolume(const std::string& image, std::uint64_t firstSector, const std::string& label) {
  using machine::test_support::TestImage;
  const TestImage volume{ImagePath(image), firstSector * 512, machine::test_support::FatKind::Fat16};
  const auto fsck = machine::test_support::CheckWithFsck(volume);
  EXPECT_EQ(fsck.status, 0) << label << ": " << fsck.output;
  EXPECT_EQ(fsck.output.find("Warning"), std::string::npos) << label << ": " << fsck.output;
  const auto content = machine::test_support::Pattern(70000, static_cast<std::uint32_t>(firstSector));
  const auto source = ImagePath(image + ".probe");
  machine::test_support::WriteHostFile(source, content);
  machine::test_support::PutWithMtools(volume, source, "::/PROBE.BIN");
  EXPECT_EQ(machine::test_support::ReadWithMtools(volume, "::/PROBE.BIN"), std::string(content.begin(), content.end()))
      << label;
  std::filesystem::remove(source);
}

}  // namespace pradvik::test_support

#include "platform/machine/cards/factory_format.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace machine {
namespace {

using Sector = std::array<std::uint8_t, SectorDevice::kSectorSize>;

namespace bpb = win::bpb;
namespace fs = win::fs_info;
namespace table = win::partition_table;

constexpr std::uint8_t kActive = 0x80;
// CHS addresses stop at cylinder 1023; larger addresses are written as the largest one.
constexpr std::uint64_t kLastCylinder = 1023;
constexpr std::uint32_t kFsInfoSector = 1;
constexpr std::uint32_t kBackupBootSector = 6;
constexpr std::uint32_t kFirstCluster = 2;

constexpr std::string_view kOem = "MSDOS5.0";
constexpr std::string_view kNoName = "NO NAME    ";
constexpr std::size_t kZeroChunkSectors = 64;

void PutText(Sector& sector, std::size_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), sector.begin() + static_cast<std::ptrdiff_t>(at));
}

// The three CHS bytes of an MBR entry for a sector, in the card's geometry.
void PutChs(Sector& sector, std::size_t at, std::uint64_t lba, const FactoryLayout& layout) {
  const std::uint64_t perCylinder = std::uint64_t{layout.heads} * layout.sectorsPerTrack;
  std::uint64_t cylinder = lba / perCylinder;
  std::uint64_t head = (lba / layout.sectorsPerTrack) % layout.heads;
  std::uint64_t number = lba % layout.sectorsPerTrack + 1;
  if (cylinder > kLastCylinder) {
    cylinder = kLastCylinder;
    head = layout.heads - 1U;
    number = layout.sectorsPerTrack;
  }
  win::WriteU8(sector, at, static_cast<std::uint32_t>(head));
  win::WriteU8(sector, at + 1, static_cast<std::uint32_t>(number | ((cylinder >> 2) & 0xC0)));
  win::WriteU8(sector, at + 2, static_cast<std::uint32_t>(cylinder & 0xFF));
}

Sector MasterBootRecord(const FactoryLayout& layout) {
  Sector mbr{};
  const std::uint64_t last = layout.volumeStart + layout.volumeSectors - 1;
  win::WriteU8(mbr, table::kFirstEntry + table::kStatus, kActive);
  PutChs(mbr, table::kFirstEntry + table::kFirstChs, layout.volumeStart, layout);
  win::WriteU8(mbr, table::kFirstEntry + table::kType, layout.partitionType);
  PutChs(mbr, table::kFirstEntry + table::kLastChs, last, layout);
  win::WriteLe32(mbr, table::kFirstEntry + table::kFirstSector, static_cast<std::uint32_t>(layout.volumeStart));
  win::WriteLe32(mbr, table::kFirstEntry + table::kSectorCount, static_cast<std::uint32_t>(layout.volumeSectors));
  win::WriteLe16(mbr, bpb::kSignatureAt, bpb::kSignature);
  return mbr;
}

Sector BootSector(const FactoryLayout& layout, std::uint32_t serial) {
  Sector boot{};
  const bool fat32 = layout.type == FatType::Fat32;
  // A short jump over the parameter block, then NOP, as every formatter writes it.
  constexpr std::array<std::uint8_t, 3> kJump16{0xEB, 0x3C, 0x90};
  constexpr std::array<std::uint8_t, 3> kJump32{0xEB, 0x58, 0x90};
  const auto& jump = fat32 ? kJump32 : kJump16;
  std::copy(jump.begin(), jump.end(), boot.begin() + bpb::kJumpBoot);
  PutText(boot, bpb::kOemName, kOem);
  win::WriteLe16(boot, bpb::kBytesPerSector, SectorDevice::kSectorSize);
  win::WriteU8(boot, bpb::kSectorsPerCluster, layout.sectorsPerCluster);
  win::WriteLe16(boot, bpb::kReservedSectors, layout.reservedSectors);
  win::WriteU8(boot, bpb::kFatCount, 2);
  win::WriteLe16(boot, bpb::kRootEntryCount, layout.rootEntries);
  const bool small = !fat32 && layout.volumeSectors < 0x10000;
  win::WriteLe16(boot, bpb::kTotalSectors16, small ? static_cast<std::uint32_t>(layout.volumeSectors) : 0);
  win::WriteU8(boot, bpb::kMedia, layout.media);
  win::WriteLe16(boot, bpb::kSectorsPerFat16, fat32 ? 0 : layout.sectorsPerFat);
  win::WriteLe16(boot, bpb::kSectorsPerTrack, layout.sectorsPerTrack);
  win::WriteLe16(boot, bpb::kHeads, layout.heads);
  win::WriteLe32(boot, bpb::kHiddenSectors, static_cast<std::uint32_t>(layout.volumeStart));
  win::WriteLe32(boot, bpb::kTotalSectors32, small ? 0 : static_cast<std::uint32_t>(layout.volumeSectors));
  if (fat32) {
    win::WriteLe32(boot, bpb::kSectorsPerFat32, layout.sectorsPerFat);
    win::WriteLe32(boot, bpb::kRootCluster, kFirstCluster);
    win::WriteLe16(boot, bpb::kFsInfoSector, kFsInfoSector);
    win::WriteLe16(boot, bpb::kBackupBootSector, kBackupBootSector);
  }
  const std::size_t extended = fat32 ? bpb::kExtendedFat32 : bpb::kExtendedFat16;
  win::WriteU8(boot, extended + bpb::kExtDriveNumber, layout.partitioned ? bpb::kFixedDiskDrive : 0x00);
  win::WriteU8(boot, extended + bpb::kExtBootSignature, bpb::kSignatureWithLabel);
  win::WriteLe32(boot, extended + bpb::kExtVolumeId, serial);
  PutText(boot, extended + bpb::kExtVolumeLabel, kNoName);
  constexpr std::array<std::string_view, 3> kTypeNames{"FAT12   ", "FAT16   ", "FAT32   "};
  PutText(boot, extended + bpb::kExtFileSystemType, kTypeNames[static_cast<std::size_t>(layout.type)]);
  win::WriteLe16(boot, bpb::kSignatureAt, bpb::kSignature);
  return boot;
}

// Free count and next free are left unknown for the system to count.
Sector FsInfo() {
  Sector info{};
  win::WriteLe32(info, fs::kLeadSignatureAt, fs::kLeadSignature);
  win::WriteLe32(info, fs::kStructSignatureAt, fs::kStructSignature);
  win::WriteLe32(info, fs::kFreeCount, fs::kUnknown);
  win::WriteLe32(info, fs::kNextFree, fs::kUnknown);
  win::WriteLe32(info, fs::kTrailSignatureAt, fs::kTrailSignature);
  return info;
}

// The first FAT sector: the media byte in entry 0, end-of-chain in entry 1 and, on FAT32, in
// the root directory's cluster 2.
Sector FirstFatSector(const FactoryLayout& layout) {
  Sector fat{};
  switch (layout.type) {
    case FatType::Fat12:
      win::WriteU8(fat, 0, layout.media);
      win::WriteLe16(fat, 1, 0xFFFF);
      break;
    case FatType::Fat16:
      win::WriteLe16(fat, 0, 0xFF00U | layout.media);
      win::WriteLe16(fat, 2, 0xFFFF);
      break;
    case FatType::Fat32:
      win::WriteLe32(fat, 0, 0x0FFFFF00U | layout.media);
      win::WriteLe32(fat, 4, 0x0FFFFFFF);
      win::WriteLe32(fat, 8, 0x0FFFFFFF);
      break;
  }
  return fat;
}

IoStatus WriteZeros(SectorDevice& device, std::uint64_t first, std::uint64_t count) {
  const std::vector<std::uint8_t> zeros(kZeroChunkSectors * SectorDevice::kSectorSize, 0);
  for (std::uint64_t done = 0; done < count;) {
    const std::uint64_t step = std::min<std::uint64_t>(kZeroChunkSectors, count - done);
    auto written = device.WriteSectors(first + done, std::span(zeros).first(step * SectorDevice::kSectorSize));
    if (!written) return written;
    done += step;
  }
  return IoOk();
}

IoStatus WriteVolume(SectorWindow& volume, const FactoryLayout& layout, std::uint32_t serial) {
  const std::uint64_t rootSectors =
      (std::uint64_t{layout.rootEntries} * 32 + SectorDevice::kSectorSize - 1) / SectorDevice::kSectorSize;
  const std::uint64_t firstData = layout.reservedSectors + 2ULL * layout.sectorsPerFat + rootSectors;
  const bool fat32 = layout.type == FatType::Fat32;
  if (auto cleared = WriteZeros(volume, 0, firstData + (fat32 ? layout.sectorsPerCluster : 0)); !cleared) {
    return cleared;
  }
  const Sector boot = BootSector(layout, serial);
  const Sector fat = FirstFatSector(layout);
  std::vector<std::pair<std::uint64_t, Sector>> sectors{
      {0, boot}, {layout.reservedSectors, fat}, {layout.reservedSectors + layout.sectorsPerFat, fat}};
  if (fat32) {
    sectors.push_back({kFsInfoSector, FsInfo()});
    sectors.push_back({kBackupBootSector, boot});
    sectors.push_back({kBackupBootSector + kFsInfoSector, FsInfo()});
  }
  for (const auto& [at, bytes] : sectors) {
    if (auto written = volume.WriteSectors(at, bytes); !written) return written;
  }
  return IoOk();
}

}  // namespace

IoStatus FactoryFormat(SectorDevice& card, const FactoryLayout& layout, std::uint32_t serial) {
  if (layout.partitioned) {
    if (auto cleared = WriteZeros(card, 0, layout.volumeStart); !cleared) return cleared;
    if (auto written = card.WriteSectors(0, MasterBootRecord(layout)); !written) return written;
  }
  SectorWindow volume(card, layout.volumeStart, layout.volumeSectors);
  return WriteVolume(volume, layout, serial);
}

std::uint32_t SerialFromClock() {
  win::SYSTEMTIME now{};
  win::GetLocalTime(&now);
  // The date and time words summed in pairs: the serial changes with every formatting second.
  const std::uint32_t high = ((std::uint32_t{now.wHour} << 8) | now.wMinute) + now.wYear;
  const std::uint32_t low =
      ((std::uint32_t{now.wMonth} << 8) | now.wDay) + ((std::uint32_t{now.wSecond} << 8) | (now.wMilliseconds / 10U));
  return ((high & 0xFFFF) << 16) | (low & 0xFFFF);
}

}  // namespace machine

// The sectors the FAT formatters write: the master boot record with its one partition entry,
// the FAT12/16 and FAT32 boot records made from their templates, the FAT32 FSInfo sector and
// the first sector of a FAT.
#pragma once

#include "formatlib/fat/fat_layout.h"

#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <array>
#include <cstdint>
#include <span>

namespace pradvik {

using Sector = std::array<std::uint8_t, 512>;

constexpr std::uint8_t kMediaFixed = 0xF8;
constexpr std::uint8_t kMediaFloppy = 0xF0;
constexpr std::size_t kFat16SignatureOffset = win::bpb::kExtendedFat16 + win::bpb::kExtBootSignature;
constexpr std::size_t kFat32SignatureOffset = win::bpb::kExtendedFat32 + win::bpb::kExtBootSignature;
constexpr std::size_t kFat16TypeNameOffset = win::bpb::kExtendedFat16 + win::bpb::kExtFileSystemType;
constexpr std::size_t kFat32TypeNameOffset = win::bpb::kExtendedFat32 + win::bpb::kExtFileSystemType;

// Templates. The master boot record: the x86 loader that starts the active partition, an empty
// table and 0x55 0xAA. The FAT12 and FAT16 boot records ("FreeDOS ", jump EB 4C 90), the FAT32
// boot record ("MSDOS5.0", EB 58 90) and the 1.44 MB floppy boot record ("MSWIN4.1", EB 3C 90)
// carry a boot program that says the disk holds no system and restarts on a key.
Sector MbrTemplate();
Sector FreeDosTemplate(bool fat16);
Sector Fat32Template();
Sector FloppyTemplate();

// The jump of a boot record that is not meant to start anything.
void SetPlainJump(Sector& boot);
bool EndsWithSignature(std::span<const std::uint8_t, 512> sector);
// "FAT" at offset, each letter in either case.
bool HasFatText(std::span<const std::uint8_t, 512> sector, std::size_t offset);

// Extended boot signature 0x29 at `signatureOffset`, the serial number behind it (the C
// library's generator seeded with the time: high and low byte of a first and a second draw),
// the label "NO NAME" and 0x55 0xAA.
void WriteVolumeId(Sector& boot, std::size_t signatureOffset);

struct DiskGeometry {
  std::uint16_t heads = 0;
  std::uint16_t sectorsPerTrack = 0;
};

// The BIOS parameter block of a FAT12/16 boot record (reserved 1, 2 FATs, media 0xF8 unless
// told): the total in the 16-bit field when `shortTotal` and it fits, else in the 32-bit field,
// and the file-system text of the layout's FAT width.
void WriteFat16Fields(Sector& boot, const FatLayout& layout, DiskGeometry geometry, bool shortTotal,
                      std::uint8_t media = kMediaFixed);
// The FreeDOS loader's variables behind the BPB: first FAT sector, root directory and data area.
void WriteFreeDosLoaderFields(Sector& boot, const FatLayout& layout);
// The FAT32 fields (32 reserved sectors, FSInfo at 1, backup at 6, root cluster 2).
void WriteFat32Fields(Sector& boot, const FatLayout& layout, DiskGeometry geometry);

struct PartitionEntry {
  std::uint8_t type = 0;
  DiskGeometry geometry;
  std::uint32_t cylinders = 0;  // the end cylinder field; beyond 1023 it stays 1023
  std::uint32_t firstSector = 0;
  std::uint32_t sectors = 0;
};
// The first entry of the table (active, start head 1 sector 1 cylinder 0); the other three and
// the rest of the table cleared.
void WritePartitionEntry(Sector& mbr, const PartitionEntry& entry);
void ClearPartitionTable(Sector& mbr);

// FSInfo of a fresh volume: every cluster free but the root directory's, the search from 2.
Sector FsInfoSector(const FatLayout& layout);
Sector EmptyBootSector();
// The first sector of a FAT: the media byte, the end-of-chain entry 1 and, for FAT32, the
// end-of-chain root directory cluster.
Sector FirstFatSector(std::uint8_t fatBits, std::uint8_t media = kMediaFixed);

}  // namespace pradvik

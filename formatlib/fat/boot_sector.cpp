#include "formatlib/fat/boot_sector.h"

#include "formatlib/flash/boot_loader.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"
#include "platform/win/system/c_random.h"
#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace pradvik {
namespace {

namespace bpb = win::bpb;
namespace table = win::partition_table;

constexpr std::uint32_t kMostCylinder = 1023;

// Position independent: finds its message behind itself, prints it through the BIOS, waits for
// a key and asks the BIOS to boot again.
// clang-format off
constexpr std::uint8_t kNoSystemProgram[] = {
    0xFA,              // cli
    0x0E, 0x1F,        // push cs; pop ds
    0x31, 0xC0,        // xor ax, ax
    0x8E, 0xD0,        // mov ss, ax
    0xBC, 0x00, 0x7C,  // mov sp, 0x7C00
    0xFB,              // sti
    0xE8, 0x00, 0x00,  // call next
    0x5E,              // next: pop si
    0x83, 0xC6, 0x18,  // add si, message - next
    0xAC,              // print: lodsb
    0x84, 0xC0,        // test al, al
    0x74, 0x09,        // jz wait
    0xB4, 0x0E,        // mov ah, 0x0E
    0xBB, 0x07, 0x00,  // mov bx, 7
    0xCD, 0x10,        // int 0x10
    0xEB, 0xF2,        // jmp print
    0x31, 0xC0,        // wait: xor ax, ax
    0xCD, 0x16,        // int 0x16
    0xCD, 0x19,        // int 0x19
};
// clang-format on
constexpr std::string_view kNoSystemMessage = "\r\nNon-system disk. Press any key to restart.\r\n";

void PutText(Sector& sector, std::size_t offset, std::string_view text) {
  std::copy(text.begin(), text.end(), sector.begin() + static_cast<std::ptrdiff_t>(offset));
}

void PutSignature(Sector& sector) { win::WriteLe16(sector, bpb::kSignatureAt, bpb::kSignature); }

Sector BootTemplate(std::uint8_t jump, std::string_view oem, std::size_t programOffset) {
  Sector boot{};
  boot[0] = 0xEB;
  boot[1] = jump;
  boot[2] = 0x90;
  PutText(boot, bpb::kOemName, oem);
  std::copy(std::begin(kNoSystemProgram), std::end(kNoSystemProgram), boot.begin() + programOffset);
  PutText(boot, programOffset + sizeof(kNoSystemProgram), kNoSystemMessage);
  PutSignature(boot);
  return boot;
}

void WriteCommonBpb(Sector& boot, const FatLayout& layout, DiskGeometry geometry, std::uint8_t media) {
  win::WriteLe16(boot, bpb::kBytesPerSector, 512);
  boot[bpb::kSectorsPerCluster] = layout.sectorsPerCluster;
  win::WriteLe16(boot, bpb::kReservedSectors, layout.reservedSectors);
  boot[bpb::kFatCount] = 2;
  win::WriteLe16(boot, bpb::kRootEntryCount, layout.rootEntries);
  boot[bpb::kMedia] = media;
  win::WriteLe16(boot, bpb::kSectorsPerTrack, geometry.sectorsPerTrack);
  win::WriteLe16(boot, bpb::kHeads, geometry.heads);
  win::WriteLe32(boot, bpb::kHiddenSectors, layout.partitionStart);
}

}  // namespace

Sector MbrTemplate() {
  Sector mbr{};
  const auto loader = BootLoaderTemplate();
  std::copy_n(loader.begin(), std::min<std::size_t>(loader.size(), table::kFirstEntry), mbr.begin());
  PutSignature(mbr);
  return mbr;
}

Sector FreeDosTemplate(bool fat16) {
  Sector boot = BootTemplate(0x4C, "FreeDOS ", 78);
  win::WriteLe16(boot, bpb::kBytesPerSector, 512);
  boot[bpb::kFatCount] = 2;
  boot[bpb::kMedia] = kMediaFixed;
  boot[bpb::kExtendedFat16 + bpb::kExtDriveNumber] = bpb::kFixedDiskDrive;
  PutText(boot, kFat16TypeNameOffset, fat16 ? "FAT16   " : "FAT12   ");
  // Stored for a layout with 32 hidden sectors, as the loader's own image keeps them.
  win::WriteLe32(boot, 66, 33);
  win::WriteLe32(boot, 70, 157);
  win::WriteLe32(boot, 74, 189);
  return boot;
}

Sector Fat32Template() {
  Sector boot = BootTemplate(0x58, "MSDOS5.0", 90);
  boot[bpb::kExtendedFat32 + bpb::kExtDriveNumber] = bpb::kFixedDiskDrive;
  PutText(boot, kFat32TypeNameOffset, "FAT32   ");
  return boot;
}

Sector FloppyTemplate() {
  Sector boot = BootTemplate(0x3C, "MSWIN4.1", 62);
  win::WriteLe16(boot, bpb::kBytesPerSector, 512);
  boot[bpb::kSectorsPerCluster] = 1;
  win::WriteLe16(boot, bpb::kReservedSectors, 1);
  boot[bpb::kFatCount] = 2;
  win::WriteLe16(boot, bpb::kRootEntryCount, 224);
  win::WriteLe16(boot, bpb::kTotalSectors16, 2880);
  boot[bpb::kMedia] = kMediaFloppy;
  win::WriteLe16(boot, bpb::kSectorsPerFat16, 9);
  win::WriteLe16(boot, bpb::kSectorsPerTrack, 18);
  win::WriteLe16(boot, bpb::kHeads, 2);
  boot[kFat16SignatureOffset] = bpb::kSignatureWithLabel;
  PutText(boot, bpb::kExtendedFat16 + bpb::kExtVolumeLabel, "NO NAME    ");
  PutText(boot, kFat16TypeNameOffset, "FAT12   ");
  return boot;
}

void SetPlainJump(Sector& boot) {
  boot[0] = 0xEB;
  boot[1] = 0x3E;
  boot[2] = 0x90;
}

bool EndsWithSignature(std::span<const std::uint8_t, 512> sector) {
  return win::ReadLe16(sector, bpb::kSignatureAt) == bpb::kSignature;
}

bool HasFatText(std::span<const std::uint8_t, 512> sector, std::size_t offset) {
  return std::toupper(sector[offset]) == 'F' && std::toupper(sector[offset + 1]) == 'A' &&
         std::toupper(sector[offset + 2]) == 'T';
}

void WriteVolumeId(Sector& boot, std::size_t signatureOffset) {
  boot[signatureOffset] = bpb::kSignatureWithLabel;
  win::srand(static_cast<unsigned>(win::time(nullptr)));
  const int first = win::rand();
  const int second = win::rand();
  boot[signatureOffset + 1] = static_cast<std::uint8_t>(first >> 8);
  boot[signatureOffset + 2] = static_cast<std::uint8_t>(first);
  boot[signatureOffset + 3] = static_cast<std::uint8_t>(second >> 8);
  boot[signatureOffset + 4] = static_cast<std::uint8_t>(second);
  // "NO NAME" is how the system spells an unlabelled volume; a label of blanks is refused.
  PutText(boot, signatureOffset + 5, "NO NAME    ");
  PutSignature(boot);
}

void WriteFat16Fields(Sector& boot, const FatLayout& layout, DiskGeometry geometry, bool shortTotal,
                      std::uint8_t media) {
  WriteCommonBpb(boot, layout, geometry, media);
  const bool fitsShort = shortTotal && layout.volumeSectors <= 0xFFFF;
  win::WriteLe16(boot, bpb::kTotalSectors16, fitsShort ? static_cast<std::uint16_t>(layout.volumeSectors) : 0);
  win::WriteLe32(boot, bpb::kTotalSectors32, fitsShort ? 0 : layout.volumeSectors);
  win::WriteLe16(boot, bpb::kSectorsPerFat16, static_cast<std::uint16_t>(layout.sectorsPerFat));
  // The flags of a kept boot record (dirty, surface scan due) belonged to the old volume.
  boot[bpb::kExtendedFat16 + bpb::kExtReserved] = 0;
  PutText(boot, kFat16TypeNameOffset, layout.fatBits == 16 ? "FAT16   " : "FAT12   ");
}

void WriteFreeDosLoaderFields(Sector& boot, const FatLayout& layout) {
  const std::uint32_t firstFat = layout.partitionStart + layout.reservedSectors;
  const std::uint32_t root = firstFat + 2 * layout.sectorsPerFat;
  win::WriteLe32(boot, 66, firstFat);
  win::WriteLe32(boot, 70, root);
  win::WriteLe32(boot, 74, root + RootDirectorySectors(layout));
}

void WriteFat32Fields(Sector& boot, const FatLayout& layout, DiskGeometry geometry) {
  WriteCommonBpb(boot, layout, geometry, kMediaFixed);
  win::WriteLe16(boot, bpb::kTotalSectors16, 0);
  win::WriteLe16(boot, bpb::kSectorsPerFat16, 0);
  win::WriteLe32(boot, bpb::kTotalSectors32, layout.volumeSectors);
  win::WriteLe32(boot, bpb::kSectorsPerFat32, layout.sectorsPerFat);
  win::WriteLe32(boot, bpb::kRootCluster, 2);
  win::WriteLe16(boot, bpb::kFsInfoSector, 1);
  win::WriteLe16(boot, bpb::kBackupBootSector, 6);
}

void ClearPartitionTable(Sector& mbr) {
  std::fill(mbr.begin() + table::kFirstEntry, mbr.begin() + bpb::kSignatureAt, 0);
}

void WritePartitionEntry(Sector& mbr, const PartitionEntry& entry) {
  ClearPartitionTable(mbr);
  const std::uint32_t cylinder = std::min(entry.cylinders, kMostCylinder);
  const auto first = static_cast<std::ptrdiff_t>(table::kFirstEntry);
  const std::uint8_t fields[8] = {0x80,
                                  1,
                                  1,
                                  0,
                                  entry.type,
                                  static_cast<std::uint8_t>(entry.geometry.heads - 1),
                                  static_cast<std::uint8_t>(entry.geometry.sectorsPerTrack | ((cylinder >> 2) & 0xC0)),
                                  static_cast<std::uint8_t>(cylinder)};
  std::copy(std::begin(fields), std::end(fields), mbr.begin() + first);
  win::WriteLe32(mbr, table::kFirstEntry + table::kFirstSector, entry.firstSector);
  win::WriteLe32(mbr, table::kFirstEntry + table::kSectorCount, entry.sectors);
  PutSignature(mbr);
}

Sector FsInfoSector(const FatLayout& layout) {
  Sector info{};
  win::WriteLe32(info, win::fs_info::kLeadSignatureAt, win::fs_info::kLeadSignature);
  win::WriteLe32(info, win::fs_info::kStructSignatureAt, win::fs_info::kStructSignature);
  // Every cluster but the root directory's is free; an unknown count is taken for damage.
  win::WriteLe32(info, win::fs_info::kFreeCount, ClusterCount(layout) - 1);
  win::WriteLe32(info, win::fs_info::kNextFree, 2);
  PutSignature(info);
  return info;
}

Sector EmptyBootSector() {
  Sector sector{};
  PutSignature(sector);
  return sector;
}

Sector FirstFatSector(std::uint8_t fatBits, std::uint8_t media) {
  Sector fat{};
  fat[0] = media;
  fat[1] = 0xFF;
  fat[2] = 0xFF;
  if (fatBits >= 16) fat[3] = 0xFF;
  if (fatBits == 32) {
    fat[3] = 0x0F;
    win::WriteLe32(fat, 4, 0x0FFFFFFF);
    win::WriteLe32(fat, 8, 0x0FFFFFFF);
  }
  return fat;
}

}  // namespace pradvik

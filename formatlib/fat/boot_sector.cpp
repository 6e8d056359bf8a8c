#include "formatlib/fat/boot_sector.h"

#include "formatlib/flash/boot_loader.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/system/c_random.h"
#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace pradvik {
namespace {

constexpr std::size_t kPartitionTable = 446;
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

void PutSignature(Sector& sector) {
  sector[510] = 0x55;
  sector[511] = 0xAA;
}

Sector BootTemplate(std::uint8_t jump, std::string_view oem, std::size_t programOffset) {
  Sector boot{};
  boot[0] = 0xEB;
  boot[1] = jump;
  boot[2] = 0x90;
  PutText(boot, 3, oem);
  std::copy(std::begin(kNoSystemProgram), std::end(kNoSystemProgram), boot.begin() + programOffset);
  PutText(boot, programOffset + sizeof(kNoSystemProgram), kNoSystemMessage);
  PutSignature(boot);
  return boot;
}

void WriteCommonBpb(Sector& boot, const FatLayout& layout, DiskGeometry geometry, std::uint8_t media) {
  win::WriteLe16(boot, 11, 512);
  boot[13] = layout.sectorsPerCluster;
  win::WriteLe16(boot, 14, layout.reservedSectors);
  boot[16] = 2;
  win::WriteLe16(boot, 17, layout.rootEntries);
  boot[21] = media;
  win::WriteLe16(boot, 24, geometry.sectorsPerTrack);
  win::WriteLe16(boot, 26, geometry.heads);
  win::WriteLe32(boot, 28, layout.partitionStart);
}

}  // namespace

Sector MbrTemplate() {
  Sector mbr{};
  const auto loader = BootLoaderTemplate();
  std::copy_n(loader.begin(), std::min<std::size_t>(loader.size(), kPartitionTable), mbr.begin());
  PutSignature(mbr);
  return mbr;
}

Sector FreeDosTemplate(bool fat16) {
  Sector boot = BootTemplate(0x4C, "FreeDOS ", 78);
  win::WriteLe16(boot, 11, 512);
  boot[16] = 2;
  boot[21] = kMediaFixed;
  boot[36] = 0x80;
  PutText(boot, 54, fat16 ? "FAT16   " : "FAT12   ");
  // Stored for a layout with 32 hidden sectors, as the loader's own image keeps them.
  win::WriteLe32(boot, 66, 33);
  win::WriteLe32(boot, 70, 157);
  win::WriteLe32(boot, 74, 189);
  return boot;
}

Sector Fat32Template() {
  Sector boot = BootTemplate(0x58, "MSDOS5.0", 90);
  boot[64] = 0x80;
  PutText(boot, 82, "FAT32   ");
  return boot;
}

Sector FloppyTemplate() {
  Sector boot = BootTemplate(0x3C, "MSWIN4.1", 62);
  win::WriteLe16(boot, 11, 512);
  boot[13] = 1;
  win::WriteLe16(boot, 14, 1);
  boot[16] = 2;
  win::WriteLe16(boot, 17, 224);
  win::WriteLe16(boot, 19, 2880);
  boot[21] = kMediaFloppy;
  win::WriteLe16(boot, 22, 9);
  win::WriteLe16(boot, 24, 18);
  win::WriteLe16(boot, 26, 2);
  boot[38] = 0x29;
  PutText(boot, 43, "NO NAME    ");
  PutText(boot, 54, "FAT12   ");
  return boot;
}

void SetPlainJump(Sector& boot) {
  boot[0] = 0xEB;
  boot[1] = 0x3E;
  boot[2] = 0x90;
}

bool EndsWithSignature(std::span<const std::uint8_t, 512> sector) { return sector[510] == 0x55 && sector[511] == 0xAA; }

bool HasFatText(std::span<const std::uint8_t, 512> sector, std::size_t offset) {
  return std::toupper(sector[offset]) == 'F' && std::toupper(sector[offset + 1]) == 'A' &&
         std::toupper(sector[offset + 2]) == 'T';
}

void WriteVolumeId(Sector& boot, std::size_t signatureOffset) {
  boot[signatureOffset] = 0x29;
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
  win::WriteLe16(boot, 19, fitsShort ? static_cast<std::uint16_t>(layout.volumeSectors) : 0);
  win::WriteLe32(boot, 32, fitsShort ? 0 : layout.volumeSectors);
  win::WriteLe16(boot, 22, static_cast<std::uint16_t>(layout.sectorsPerFat));
  // The flags of a kept boot record (dirty, surface scan due) belonged to the old volume.
  boot[37] = 0;
  PutText(boot, 54, layout.fatBits == 16 ? "FAT16   " : "FAT12   ");
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
  win::WriteLe16(boot, 19, 0);
  win::WriteLe16(boot, 22, 0);
  win::WriteLe32(boot, 32, layout.volumeSectors);
  win::WriteLe32(boot, 36, layout.sectorsPerFat);
  win::WriteLe32(boot, 44, 2);
  win::WriteLe16(boot, 48, 1);
  win::WriteLe16(boot, 50, 6);
}

void ClearPartitionTable(Sector& mbr) { std::fill(mbr.begin() + kPartitionTable, mbr.begin() + 510, 0); }

void WritePartitionEntry(Sector& mbr, const PartitionEntry& entry) {
  ClearPartitionTable(mbr);
  const std::uint32_t cylinder = std::min(entry.cylinders, kMostCylinder);
  const auto first = static_cast<std::ptrdiff_t>(kPartitionTable);
  const std::uint8_t fields[8] = {0x80,
                                  1,
                                  1,
                                  0,
                                  entry.type,
                                  static_cast<std::uint8_t>(entry.geometry.heads - 1),
                                  static_cast<std::uint8_t>(entry.geometry.sectorsPerTrack | ((cylinder >> 2) & 0xC0)),
                                  static_cast<std::uint8_t>(cylinder)};
  std::copy(std::begin(fields), std::end(fields), mbr.begin() + first);
  win::WriteLe32(mbr, kPartitionTable + 8, entry.firstSector);
  win::WriteLe32(mbr, kPartitionTable + 12, entry.sectors);
  PutSignature(mbr);
}

Sector FsInfoSector(const FatLayout& layout) {
  Sector info{};
  win::WriteLe32(info, 0, 0x41615252);
  win::WriteLe32(info, 484, 0x61417272);
  // Every cluster but the root directory's is free; an unknown count is taken for damage.
  win::WriteLe32(info, 488, ClusterCount(layout) - 1);
  win::WriteLe32(info, 492, 2);
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

// The FAT boot sector as FAT12, FAT16 and FAT32 volumes lay it out: the BIOS parameter block,
// FAT32's extension of it, the extended boot record after it, the closing signature; the FAT32
// FSInfo sector; and the partition table of a master boot record. Byte offsets in a 512-byte
// sector, all fields little-endian. The formatter writes these, the machine, the recovery and
// the backup read them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win::bpb {

constexpr std::size_t kSectorSize = 512;

// The BIOS parameter block, common to all three FAT types.
constexpr std::size_t kJumpBoot = 0;  // EB xx 90 or E9 xx xx
constexpr std::size_t kOemName = 3;  // text, 8 bytes
constexpr std::size_t kBytesPerSector = 11;  // 16 bits
constexpr std::size_t kSectorsPerCluster = 13;  // 8 bits
constexpr std::size_t kReservedSectors = 14;  // 16 bits
constexpr std::size_t kFatCount = 16;  // 8 bits
constexpr std::size_t kRootEntryCount = 17;  // 16 bits: 0 on FAT32
constexpr std::size_t kTotalSectors16 = 19;  // 16 bits: 0 when the 32-bit total holds the count
constexpr std::size_t kMedia = 21;  // 8 bits
constexpr std::size_t kSectorsPerFat16 = 22;  // 16 bits: 0 marks the FAT32 layout
constexpr std::size_t kSectorsPerTrack = 24;  // 16 bits
constexpr std::size_t kHeads = 26;  // 16 bits
constexpr std::size_t kHiddenSectors = 28;  // 32 bits: the sectors before the volume
constexpr std::size_t kTotalSectors32 = 32;  // 32 bits

// FAT32's extension of the block.
constexpr std::size_t kSectorsPerFat32 = 36;  // 32 bits
constexpr std::size_t kExtFlags = 40;  // 16 bits: bit 7 set, only the FAT in bits 0-3 is active
constexpr std::size_t kFsVersion = 42;  // 16 bits
constexpr std::size_t kRootCluster = 44;  // 32 bits
constexpr std::size_t kFsInfoSector = 48;  // 16 bits
constexpr std::size_t kBackupBootSector = 50;  // 16 bits

// The extended boot record follows the block: at 36 on FAT12/16, at 64 on FAT32. Its fields are
// counted from its start.
constexpr std::size_t kExtendedFat16 = 36;
constexpr std::size_t kExtendedFat32 = 64;
constexpr std::size_t kExtDriveNumber = 0;  // 8 bits
constexpr std::size_t kExtReserved = 1;  // 8 bits: flags of the system that last checked the volume
constexpr std::size_t kExtBootSignature = 2;  // 8 bits
constexpr std::size_t kExtVolumeId = 3;  // 32 bits: the serial number
constexpr std::size_t kExtVolumeLabel = 7;  // text, kLabelLength bytes
constexpr std::size_t kExtFileSystemType = 18;  // text, kFileSystemTypeLength bytes
constexpr std::size_t kLabelLength = 11;
constexpr std::size_t kFileSystemTypeLength = 8;
// The extended boot signature: 0x29 says serial, label and type name follow; 0x28 only the serial.
constexpr std::uint8_t kSignatureWithLabel = 0x29;
constexpr std::uint8_t kSignatureSerialOnly = 0x28;
// The drive number of a fixed disk.
constexpr std::uint8_t kFixedDiskDrive = 0x80;

// Every boot sector, master boot record and FSInfo sector ends with 55 AA.
constexpr std::size_t kSignatureAt = 510;  // 16 bits
constexpr std::uint16_t kSignature = 0xAA55;

}  // namespace win::bpb

namespace win::fs_info {

// Three signatures make a sector an FSInfo sector: "RRaA", "rrAa" and 00 00 55 AA.
constexpr std::size_t kLeadSignatureAt = 0;
constexpr std::uint32_t kLeadSignature = 0x41615252;
constexpr std::size_t kStructSignatureAt = 484;
constexpr std::uint32_t kStructSignature = 0x61417272;
constexpr std::size_t kFreeCount = 488;  // 32 bits: free clusters
constexpr std::size_t kNextFree = 492;  // 32 bits: where to look for a free cluster first
constexpr std::size_t kTrailSignatureAt = 508;
constexpr std::uint32_t kTrailSignature = 0xAA550000;
// Either field holds this when its value is not known.
constexpr std::uint32_t kUnknown = 0xFFFFFFFF;

}  // namespace win::fs_info

namespace win::partition_table {

// Four 16-byte entries from byte 446 of the master boot record.
constexpr std::size_t kFirstEntry = 446;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kEntries = 4;

// Fields within an entry.
constexpr std::size_t kStatus = 0;  // 8 bits: 0x80 active
constexpr std::size_t kFirstChs = 1;  // head, sector and high cylinder bits, cylinder
constexpr std::size_t kType = 4;  // 8 bits
constexpr std::size_t kLastChs = 5;  // head, sector and high cylinder bits, cylinder
constexpr std::size_t kFirstSector = 8;  // 32 bits
constexpr std::size_t kSectorCount = 12;  // 32 bits

constexpr std::size_t EntryOffset(std::size_t index) { return kFirstEntry + kEntrySize * index; }

}  // namespace win::partition_table

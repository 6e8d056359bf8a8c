// FAT cluster numbers to sector numbers from a boot sector's BIOS parameter block, and the
// byte swaps that turn SCSI's big-endian answers into numbers.
#pragma once

#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

using BootSector = std::span<const win::BYTE, 512>;

// Sector numbers on the card count from volumeStart, where the partition table puts the volume
// (0 without one): formatters that leave the boot sector's hidden-sector field at 0 on a
// partitioned card are common, and systems locate the volume by the table.

// First sector of a FAT12/16 cluster. A sector size of 0 (a corrupt boot sector) counts as 512.
win::DWORD FatClusterToSector(win::DWORD cluster, win::DWORD bytesPerSector, BootSector bpb, win::DWORD volumeStart);

// First sector of a FAT32 cluster; a FAT count of 0 counts as one FAT.
win::DWORD Fat32ClusterToSector(win::DWORD cluster, BootSector bpb, win::DWORD volumeStart);

win::DWORD SwapBigEndian32(win::DWORD value);
// The low 16 bits of value with their two bytes exchanged.
win::DWORD SwapBigEndian16(win::DWORD value);
// Upper half SwapBigEndian32(high), lower half SwapBigEndian32(low).
win::ULONGLONG SwapBigEndian64(win::DWORD high, win::DWORD low);

}  // namespace tarnlok

// Volumes for the restore tests, made and judged by outside tools: mkfs.fat formats them, mcopy
// fills them with a tree of files, fsck.fat -n and mcopy judge what a restore wrote. Also the
// used-space body of a card's volume laid out as the backup stores it.
#pragma once

#include "platform/win/system/types.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tarnlok::test_support {

using Bytes = std::vector<win::BYTE>;

// A card of cardSectors with a master boot record and one FAT volume of fatBits from sector
// start (a superfloppy from sector 0 when start is 0), holding the tree of files that FillTree
// makes.
Bytes MakeFatCard(int fatBits, win::DWORD cardSectors, win::DWORD start, win::DWORD volumeSectors);

// The used-space body of the card's volume: system area, then a record and data per non-zero
// FAT entry.
Bytes UsedSpaceBodyOf(const Bytes& card, int fatBits, win::DWORD start);

// fsck.fat -n of the volume at start: its exit status and what it said.
struct FsckResult {
  int status = -1;
  std::string output;
};
FsckResult CheckVolume(const Bytes& card, win::DWORD start);
// fsck.fat -n -v of a volume image file (it also tells the FAT's entry size and cluster count).
FsckResult CheckVolumeFile(const std::filesystem::path& volume);

// Every file of the volume, path to bytes, as mcopy reads them.
std::vector<std::pair<std::string, Bytes>> VolumeFiles(const Bytes& card, win::DWORD start);

// The file-system type text fsck.fat and the kernel go by: the boot sector's cluster count.
int FatBitsByClusterCount(const Bytes& card, win::DWORD start);

}  // namespace tarnlok::test_support

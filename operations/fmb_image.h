// The backup image file (*.FMB): its 51-byte header and the 8-byte cluster record of used-space
// images, each with one writer and one bounds-checked reader, and the tests that decide which
// raw flash blocks carry data in an image. The Backup page writes images; the Restore page reads
// them.
#pragma once

#include "platform/win/system/types.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>

namespace tarnlok {

constexpr std::size_t kFmbHeaderSize = 51;
constexpr std::size_t kClusterRecordSize = 8;
constexpr std::size_t kFmbSignatureSize = 16;
constexpr char kFmbSignature[] = "QUARNWELL";

// What the body after the header holds (byte 38).
enum FmbBackupKind : win::BYTE { kBackupUsedSpace = 1, kBackupWholeMedia = 2 };

struct FmbHeader {
  win::DWORD headerSize = kFmbHeaderSize;
  std::array<win::BYTE, kFmbSignatureSize> signature{'Q', 'U', 'A', 'R', 'N', 'W', 'E', 'L', 'L'};
  win::BYTE deviceKind = 0;
  win::DWORD mediaSizeCode = 0;  // media size code (raw flash) or megabytes
  win::DWORD sectorsPerBlock = 0;  // pages per block (raw flash) or sectors per transfer
  win::DWORD blockCount = 0;  // physical blocks (raw flash) or the card's sectors
  win::BYTE complete = 0;
  win::DWORD bytesPerSector = 512;
  win::BYTE backupKind = kBackupWholeMedia;
  win::BYTE fileSystem = 0;  // used space: 1 FAT12, 2 FAT16, 3 FAT32
  win::BYTE mbrFlag = 0;  // used space: sector 0 is a master boot record
  win::DWORD volumeStart = 0;
  win::DWORD usedSectors = 0;
};

using FmbHeaderBytes = std::array<win::BYTE, kFmbHeaderSize>;

// The header's bytes; the reserved bytes 49-50 are zero.
FmbHeaderBytes WriteFmbHeader(const FmbHeader& header);
// The header at the start of bytes; nothing when fewer than 51 bytes are given.
std::optional<FmbHeader> ReadFmbHeader(std::span<const win::BYTE> bytes);
// A header size and the signature's 9 characters (what follows them in the field is not compared).
bool IsSignedFmbHeader(const FmbHeader& header);
// True for the images a restore may take: signed, and the complete flag set.
bool IsAcceptedFmbHeader(const FmbHeader& header);

// One used cluster of a used-space image: where its entry lies in the first FAT and its value.
struct ClusterRecord {
  win::DWORD fatOffset = 0;
  win::DWORD entryValue = 0;
};

using ClusterRecordBytes = std::array<win::BYTE, kClusterRecordSize>;

ClusterRecordBytes WriteClusterRecord(const ClusterRecord& record);
// The record at offset of bytes; nothing when it does not lie wholly inside them.
std::optional<ClusterRecord> ReadClusterRecord(std::span<const win::BYTE> bytes, std::size_t offset = 0);
// The cluster number a record's FAT offset names (file system 1 FAT12, 2 FAT16, 3 FAT32).
win::DWORD ClusterOfFatOffset(win::BYTE fileSystem, win::DWORD fatOffset);
// The FAT offset of a cluster's entry, the inverse of ClusterOfFatOffset.
win::DWORD FatOffsetOfCluster(win::BYTE fileSystem, win::DWORD cluster);

// Memory Stick: whether a block's 4 bytes of extra data are followed by the block's pages.
bool MemoryStickBlockHasData(std::span<const win::BYTE> extraData);
// SmartMedia: whether a block's redundant data are followed by the block's pages.
bool SmartMediaBlockHasData(std::span<const win::BYTE> redundantData);

}  // namespace tarnlok

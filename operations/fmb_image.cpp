#include "operations/fmb_image.h"

#include "device/file_system_type.h"
#include "device/reader_commands.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <iterator>

namespace tarnlok {
namespace {

// Field offsets of the header.
constexpr std::size_t kHeaderSizeAt = 0;
constexpr std::size_t kSignatureAt = 4;
constexpr std::size_t kDeviceKindAt = 20;
constexpr std::size_t kMediaSizeCodeAt = 21;
constexpr std::size_t kSectorsPerBlockAt = 25;
constexpr std::size_t kBlockCountAt = 29;
constexpr std::size_t kCompleteAt = 33;
constexpr std::size_t kBytesPerSectorAt = 34;
constexpr std::size_t kBackupKindAt = 38;
constexpr std::size_t kFileSystemAt = 39;
constexpr std::size_t kMbrFlagAt = 40;
constexpr std::size_t kVolumeStartAt = 41;
constexpr std::size_t kUsedSectorsAt = 45;

// Memory Stick extra data: byte 0 bit 7 marks a good block; bytes 2-3 0xFFFF an unused one.
constexpr win::BYTE kMemoryStickGoodBit = 0x80;
// SmartMedia redundant area: byte 5 block status (0xFF good), bytes 6-7 the block address.
constexpr std::size_t kBlockStatusAt = 5;
constexpr std::size_t kBlockAddressAt = 6;

}  // namespace

FmbHeaderBytes WriteFmbHeader(const FmbHeader& header) {
  FmbHeaderBytes bytes{};
  win::WriteLe32(bytes, kHeaderSizeAt, header.headerSize);
  std::copy(header.signature.begin(), header.signature.end(), bytes.begin() + kSignatureAt);
  win::WriteU8(bytes, kDeviceKindAt, header.deviceKind);
  win::WriteLe32(bytes, kMediaSizeCodeAt, header.mediaSizeCode);
  win::WriteLe32(bytes, kSectorsPerBlockAt, header.sectorsPerBlock);
  win::WriteLe32(bytes, kBlockCountAt, header.blockCount);
  win::WriteU8(bytes, kCompleteAt, header.complete);
  win::WriteLe32(bytes, kBytesPerSectorAt, header.bytesPerSector);
  win::WriteU8(bytes, kBackupKindAt, header.backupKind);
  win::WriteU8(bytes, kFileSystemAt, header.fileSystem);
  win::WriteU8(bytes, kMbrFlagAt, header.mbrFlag);
  win::WriteLe32(bytes, kVolumeStartAt, header.volumeStart);
  win::WriteLe32(bytes, kUsedSectorsAt, header.usedSectors);
  return bytes;
}

std::optional<FmbHeader> ReadFmbHeader(std::span<const win::BYTE> bytes) {
  if (bytes.size() < kFmbHeaderSize) return std::nullopt;
  FmbHeader header;
  header.headerSize = win::ReadLe32(bytes, kHeaderSizeAt);
  const auto signature = bytes.subspan(kSignatureAt, kFmbSignatureSize);
  std::copy(signature.begin(), signature.end(), header.signature.begin());
  header.deviceKind = win::ReadU8(bytes, kDeviceKindAt);
  header.mediaSizeCode = win::ReadLe32(bytes, kMediaSizeCodeAt);
  header.sectorsPerBlock = win::ReadLe32(bytes, kSectorsPerBlockAt);
  header.blockCount = win::ReadLe32(bytes, kBlockCountAt);
  header.complete = win::ReadU8(bytes, kCompleteAt);
  header.bytesPerSector = win::ReadLe32(bytes, kBytesPerSectorAt);
  header.backupKind = win::ReadU8(bytes, kBackupKindAt);
  header.fileSystem = win::ReadU8(bytes, kFileSystemAt);
  header.mbrFlag = win::ReadU8(bytes, kMbrFlagAt);
  header.volumeStart = win::ReadLe32(bytes, kVolumeStartAt);
  header.usedSectors = win::ReadLe32(bytes, kUsedSectorsAt);
  return header;
}

bool IsSignedFmbHeader(const FmbHeader& header) {
  return header.headerSize != 0 &&
         std::equal(std::begin(kFmbSignature), std::end(kFmbSignature) - 1, header.signature.begin());
}

bool IsAcceptedFmbHeader(const FmbHeader& header) { return IsSignedFmbHeader(header) && header.complete != 0; }

ClusterRecordBytes WriteClusterRecord(const ClusterRecord& record) {
  ClusterRecordBytes bytes{};
  win::WriteLe32(bytes, 0, record.fatOffset);
  win::WriteLe32(bytes, 4, record.entryValue);
  return bytes;
}

std::optional<ClusterRecord> ReadClusterRecord(std::span<const win::BYTE> bytes, std::size_t offset) {
  if (!win::FieldFits(bytes.size(), offset, kClusterRecordSize)) return std::nullopt;
  return ClusterRecord{win::ReadLe32(bytes, offset), win::ReadLe32(bytes, offset + 4)};
}

win::DWORD ClusterOfFatOffset(win::BYTE fileSystem, win::DWORD fatOffset) {
  switch (fileSystem) {
    case kFat12:  // an entry of one and a half bytes; rounding up recovers the odd clusters
      return static_cast<win::DWORD>((2 * win::ULONGLONG{fatOffset} + 2) / 3);
    case kFat16: return fatOffset / 2;
    default: return fatOffset / 4;
  }
}

win::DWORD FatOffsetOfCluster(win::BYTE fileSystem, win::DWORD cluster) {
  switch (fileSystem) {
    case kFat12: return static_cast<win::DWORD>(win::ULONGLONG{cluster} * 3 / 2);
    case kFat16: return cluster * 2;
    default: return cluster * 4;
  }
}

bool MemoryStickBlockHasData(std::span<const win::BYTE> extraData) {
  if (extraData.size() < 4 || StartsWithNoMediaReply(extraData)) return false;
  return (extraData[0] & kMemoryStickGoodBit) != 0 && win::ReadLe16(extraData, 2) != 0xFFFF;
}

bool SmartMediaBlockHasData(std::span<const win::BYTE> redundantData) {
  if (redundantData.size() <= kBlockAddressAt + 1 || StartsWithNoMediaReply(redundantData)) return false;
  return redundantData[kBlockStatusAt] == 0xFF && win::ReadLe16(redundantData, kBlockAddressAt) != 0xFFFF;
}

}  // namespace tarnlok

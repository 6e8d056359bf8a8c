#include "operations/used_space_volume.h"

#include "device/file_system_type.h"
#include "operations/fat_volume_layout.h"
#include "operations/fmb_image.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tarnlok {
namespace {

// A card grows the volume only when it has more than this many bytes beyond the stored volume.
constexpr win::DWORD kGrowthMarginBytes = 1000000;

// First partition entry of the master boot record.
constexpr std::size_t kPartitionType = 0x1C2;
constexpr std::size_t kPartitionStart = 0x1C6;
constexpr std::size_t kPartitionLength = 0x1CA;
constexpr win::BYTE kPartitionFat12 = 0x01;
constexpr win::BYTE kPartitionFat16Small = 0x04;
constexpr win::BYTE kPartitionFat16 = 0x06;

// FSInfo sector: signatures and the free-cluster hints.
constexpr std::size_t kFsInfoLeadSignature = 0;
constexpr std::size_t kFsInfoStructSignature = 484;
constexpr std::size_t kFsInfoFreeCount = 488;
constexpr std::size_t kFsInfoNextFree = 492;
constexpr win::DWORD kFsInfoLead = 0x41615252;
constexpr win::DWORD kFsInfoStruct = 0x61417272;
constexpr win::DWORD kUnknownHint = 0xFFFFFFFF;

constexpr win::DWORD kCopyChunkSectors = 64;

// FAT12 marks (reserved, bad and end of chain, 0xFF0 up) keep their meaning as FAT16 marks.
win::DWORD Fat12ToFat16Entry(win::DWORD value) { return value >= 0xFF0 ? (value | 0xF000) : value; }

int FatBitsOf(win::BYTE fileSystem) {
  switch (fileSystem) {
    case kFat12: return 12;
    case kFat16: return 16;
    case kFat32: return 32;
    default: return 0;
  }
}

bool IsFatPartitionType(win::BYTE type) {
  return type == kPartitionFat12 || type == kPartitionFat16Small || type == kPartitionFat16;
}

class UsedSpaceWalk {
 public:
  UsedSpaceWalk(ImageSource& source, SectorSink* sink, const UsedSpaceImage& image, win::DWORD cardSectors,
                const UsedSpaceProgress& progress)
      : source_(source), sink_(sink), image_(image), cardSectors_(cardSectors), progress_(progress) {}

  UsedSpaceOutcome Run();

 private:
  UsedSpaceOutcome ReadSystemStart(std::vector<win::BYTE>& mbr, std::vector<win::BYTE>& boot);
  UsedSpaceOutcome WriteReservedArea(const std::vector<win::BYTE>& boot);
  UsedSpaceOutcome WriteFat12Copies();
  UsedSpaceOutcome WriteClusters();
  UsedSpaceOutcome WriteFsInfo();
  void GrowPartition(std::vector<win::BYTE>& mbr) const;

  bool Read(std::span<win::BYTE> bytes) { return source_.Read(bytes); }
  // The header's sizes are the image's word only: a buffer is sized from them once the image
  // is known to hold that many bytes, so a crafted image cannot ask for more memory than it has.
  bool Holds(win::ULONGLONG sectors) const { return source_.Remaining() / bytesPerSector_ >= sectors; }
  bool Write(win::DWORD volumeSector, std::span<const win::BYTE> data) {
    return sink_ == nullptr || sink_->Write(image_.volumeStart + volumeSector, data);
  }
  UsedSpaceOutcome CopySectors(win::DWORD cardSector, win::DWORD count);
  UsedSpaceOutcome ZeroSectors(win::DWORD volumeSector, win::DWORD count);
  void Advance(win::DWORD units) {
    done_ += units;
    if (progress_) progress_(done_, total_);
  }

  ImageSource& source_;
  SectorSink* sink_;
  UsedSpaceImage image_;
  win::DWORD cardSectors_;
  const UsedSpaceProgress& progress_;
  win::DWORD bytesPerSector_ = 0;
  FatLayout stored_;
  FatLayout volume_;
  bool grown_ = false;
  std::vector<win::BYTE> reserved_;
  win::DWORD usedClusters_ = 0;
  win::DWORD done_ = 0;
  win::DWORD total_ = 0;
};

// Rebuilds FAT16 and FAT32 FATs one sector at a time; entries come in rising order.
class FatRebuild {
 public:
  FatRebuild(const FatLayout& volume, win::BYTE media,
             std::function<bool(win::DWORD, std::span<const win::BYTE>)> write)
      : volume_(volume), sector_(volume.bytesPerSector, 0), write_(std::move(write)) {
    const bool fat32 = volume.fatBits == 32;
    Put(0, fat32 ? 0x0FFFFF00U | media : 0xFF00U | media);
    Put(1, fat32 ? 0x0FFFFFFFU : 0xFFFFU);
  }

  bool Put(win::DWORD cluster, win::DWORD value) {
    const win::DWORD width = volume_.fatBits / 8;
    const win::DWORD byte = cluster * width;
    const win::DWORD sector = byte / volume_.bytesPerSector;
    if (sector != index_) {
      if (!Flush()) return false;
      std::fill(sector_.begin(), sector_.end(), 0);
      index_ = sector;
    }
    const std::size_t at = byte % volume_.bytesPerSector;
    if (width == 2) {
      win::WriteLe16(sector_, at, static_cast<win::WORD>(value));
    } else {
      win::WriteLe32(sector_, at, value);
    }
    return true;
  }

  // Writes the sector in hand into every FAT copy.
  bool Flush() {
    for (win::DWORD copy = 0; copy < volume_.fatCount; ++copy) {
      if (!write_(volume_.FirstFatSector() + copy * volume_.fatSectors + index_, sector_)) return false;
    }
    return true;
  }

 private:
  const FatLayout& volume_;
  std::vector<win::BYTE> sector_;
  win::DWORD index_ = 0;
  std::function<bool(win::DWORD, std::span<const win::BYTE>)> write_;
};

UsedSpaceOutcome UsedSpaceWalk::CopySectors(win::DWORD cardSector, win::DWORD count) {
  if (sink_ == nullptr) {
    return source_.Skip(win::ULONGLONG{count} * bytesPerSector_) ? UsedSpaceOutcome::kRestored
                                                                 : UsedSpaceOutcome::kTruncatedImage;
  }
  std::vector<win::BYTE> chunk(std::size_t{kCopyChunkSectors} * bytesPerSector_);
  for (win::DWORD done = 0; done < count;) {
    const win::DWORD sectors = std::min(kCopyChunkSectors, count - done);
    const auto part = std::span(chunk).first(std::size_t{sectors} * bytesPerSector_);
    if (!Read(part)) return UsedSpaceOutcome::kTruncatedImage;
    if (!sink_->Write(cardSector + done, part)) return UsedSpaceOutcome::kWriteFailed;
    done += sectors;
    Advance(sectors);
  }
  return UsedSpaceOutcome::kRestored;
}

UsedSpaceOutcome UsedSpaceWalk::ZeroSectors(win::DWORD volumeSector, win::DWORD count) {
  const std::vector<win::BYTE> zeros(std::size_t{kCopyChunkSectors} * bytesPerSector_, 0);
  for (win::DWORD done = 0; done < count;) {
    const win::DWORD sectors = std::min(kCopyChunkSectors, count - done);
    if (!Write(volumeSector + done, std::span(zeros).first(std::size_t{sectors} * bytesPerSector_)))
      return UsedSpaceOutcome::kWriteFailed;
    done += sectors;
    Advance(sectors);
  }
  return UsedSpaceOutcome::kRestored;
}

UsedSpaceOutcome UsedSpaceWalk::ReadSystemStart(std::vector<win::BYTE>& mbr, std::vector<win::BYTE>& boot) {
  if (image_.hasMbr) {
    if (image_.volumeStart == 0 || image_.volumeStart >= cardSectors_) return UsedSpaceOutcome::kInvalidImage;
    if (!Read(mbr)) return UsedSpaceOutcome::kTruncatedImage;
    if (win::ReadLe32(mbr, kPartitionStart) != image_.volumeStart) return UsedSpaceOutcome::kInvalidImage;
    // The sectors between the master boot record and the volume go back as they were.
    if (const auto outcome = CopySectors(1, image_.volumeStart - 1); outcome != UsedSpaceOutcome::kRestored)
      return outcome;
    if (!Read(boot)) return UsedSpaceOutcome::kTruncatedImage;
    return UsedSpaceOutcome::kRestored;
  }
  if (image_.volumeStart != 0) return UsedSpaceOutcome::kInvalidImage;
  // Without a master boot record the boot sector is followed by one sector of zeros.
  if (!Read(boot) || !source_.Skip(bytesPerSector_)) return UsedSpaceOutcome::kTruncatedImage;
  return UsedSpaceOutcome::kRestored;
}

void UsedSpaceWalk::GrowPartition(std::vector<win::BYTE>& mbr) const {
  win::WriteLe32(mbr, kPartitionLength, volume_.totalSectors);
  if (!IsFatPartitionType(win::ReadU8(mbr, kPartitionType))) return;
  const win::BYTE type = volume_.fatBits == 12            ? kPartitionFat12
                         : volume_.totalSectors <= 0xFFFF ? kPartitionFat16Small
                                                          : kPartitionFat16;
  win::WriteU8(mbr, kPartitionType, type);
}

UsedSpaceOutcome UsedSpaceWalk::WriteReservedArea(const std::vector<win::BYTE>& boot) {
  if (!Holds(volume_.reservedSectors - 1)) return UsedSpaceOutcome::kTruncatedImage;
  reserved_.assign(std::size_t{volume_.reservedSectors} * bytesPerSector_, 0);
  std::copy(boot.begin(), boot.end(), reserved_.begin());
  if (!Read(std::span(reserved_).subspan(bytesPerSector_))) return UsedSpaceOutcome::kTruncatedImage;
  if (volume_.fatBits == 32) {
    const win::DWORD backup = win::ReadLe16(boot, kBootBackupSector);
    if (backup != 0 && backup < volume_.reservedSectors) {
      std::copy(boot.begin(), boot.end(), reserved_.begin() + std::size_t{backup} * bytesPerSector_);
    }
  }
  if (!Write(0, reserved_)) return UsedSpaceOutcome::kWriteFailed;
  Advance(volume_.reservedSectors);
  return UsedSpaceOutcome::kRestored;
}

UsedSpaceOutcome UsedSpaceWalk::WriteFat12Copies() {
  if (!Holds(stored_.fatSectors)) return UsedSpaceOutcome::kTruncatedImage;
  std::vector<win::BYTE> fat(std::size_t{stored_.fatSectors} * bytesPerSector_, 0);
  if (!Read(fat)) return UsedSpaceOutcome::kTruncatedImage;
  // Entries past the stored volume's last cluster name clusters the grown volume really has.
  for (win::DWORD cluster = stored_.LastCluster() + 1; grown_ && cluster * 3 / 2 + 1 < fat.size(); ++cluster) {
    const std::size_t at = cluster * 3 / 2;
    const win::WORD pair = win::ReadLe16(fat, at);
    win::WriteLe16(fat, at, static_cast<win::WORD>(cluster % 2 == 0 ? (pair & 0xF000) : (pair & 0x000F)));
  }
  fat.resize(std::size_t{volume_.fatSectors} * bytesPerSector_, 0);
  for (win::DWORD copy = 0; copy < volume_.fatCount; ++copy) {
    if (!Write(volume_.FirstFatSector() + copy * volume_.fatSectors, fat)) return UsedSpaceOutcome::kWriteFailed;
  }
  return UsedSpaceOutcome::kRestored;
}

UsedSpaceOutcome UsedSpaceWalk::WriteClusters() {
  const int storedBits = stored_.fatBits;
  const bool rebuild = volume_.fatBits != 12;
  FatRebuild fat(volume_, win::ReadU8(reserved_, kBootMedia),
                 [this](win::DWORD sector, std::span<const win::BYTE> data) { return Write(sector, data); });
  const win::ULONGLONG storedFatBytes = win::ULONGLONG{stored_.fatSectors} * bytesPerSector_;
  const win::DWORD clusterBytes = stored_.sectorsPerCluster * bytesPerSector_;
  std::vector<win::BYTE> data(clusterBytes);
  win::DWORD lastOffset = 0;
  for (;;) {
    if (source_.Remaining() == 0) break;
    ClusterRecordBytes bytes{};
    if (!Read(bytes)) return UsedSpaceOutcome::kTruncatedImage;
    const auto [offset, value] = *ReadClusterRecord(bytes);
    if (offset == 0 || value == 0) break;
    // Records come in FAT order, each at the first byte of a whole entry of the stored FAT.
    const win::DWORD cluster = ClusterOfFatOffset(image_.fileSystem, offset);
    const bool wholeEntry = FatOffsetOfCluster(image_.fileSystem, cluster) == offset;
    const win::ULONGLONG entryEnd = offset + win::ULONGLONG{storedBits == 12 ? 2U : storedBits / 8U};
    if (offset <= lastOffset || !wholeEntry || cluster < 2 || entryEnd > storedFatBytes) {
      return UsedSpaceOutcome::kInvalidImage;
    }
    if ((storedBits == 12 && value > 0xFFF) || (storedBits == 16 && value > 0xFFFF)) {
      return UsedSpaceOutcome::kInvalidImage;
    }
    lastOffset = offset;
    // An entry past the last cluster has no cluster on the volume: its data is passed over.
    if (cluster > stored_.LastCluster()) {
      if (!source_.Skip(clusterBytes)) return UsedSpaceOutcome::kTruncatedImage;
      continue;
    }
    if (sink_ == nullptr) {
      if (!source_.Skip(clusterBytes)) return UsedSpaceOutcome::kTruncatedImage;
    } else {
      if (!Read(data)) return UsedSpaceOutcome::kTruncatedImage;
      if (!Write(volume_.ClusterSector(cluster), data)) return UsedSpaceOutcome::kWriteFailed;
    }
    if (rebuild && !fat.Put(cluster, storedBits == 12 ? Fat12ToFat16Entry(value) : value)) {
      return UsedSpaceOutcome::kWriteFailed;
    }
    ++usedClusters_;
    Advance(1);
  }
  if (rebuild && !fat.Flush()) return UsedSpaceOutcome::kWriteFailed;
  return UsedSpaceOutcome::kRestored;
}

UsedSpaceOutcome UsedSpaceWalk::WriteFsInfo() {
  const win::DWORD fsInfo = win::ReadLe16(reserved_, kBootFsInfoSector);
  const win::DWORD backup = win::ReadLe16(reserved_, kBootBackupSector);
  const auto sectorAt = [this](win::DWORD index) {
    return std::span(reserved_).subspan(std::size_t{index} * bytesPerSector_, bytesPerSector_);
  };
  const auto isFsInfo = [&](win::DWORD index) {
    if (index == 0 || index >= volume_.reservedSectors) return false;
    const auto sector = sectorAt(index);
    return win::ReadLe32(sector, kFsInfoLeadSignature) == kFsInfoLead &&
           win::ReadLe32(sector, kFsInfoStructSignature) == kFsInfoStruct;
  };
  for (const win::DWORD index : {fsInfo, backup != 0 ? backup + 1 : 0}) {
    if (!isFsInfo(index)) continue;
    const auto sector = sectorAt(index);
    win::WriteLe32(sector, kFsInfoFreeCount, volume_.clusterCount - std::min(usedClusters_, volume_.clusterCount));
    win::WriteLe32(sector, kFsInfoNextFree, kUnknownHint);
    if (!Write(index, sector)) return UsedSpaceOutcome::kWriteFailed;
  }
  return UsedSpaceOutcome::kRestored;
}

UsedSpaceOutcome UsedSpaceWalk::Run() {
  bytesPerSector_ = image_.bytesPerSector;
  const int fatBits = FatBitsOf(image_.fileSystem);
  if (fatBits == 0 || bytesPerSector_ < 512 || bytesPerSector_ > 4096 || (bytesPerSector_ & (bytesPerSector_ - 1)) != 0)
    return UsedSpaceOutcome::kInvalidImage;
  std::vector<win::BYTE> mbr(bytesPerSector_);
  std::vector<win::BYTE> boot(bytesPerSector_);
  if (const auto outcome = ReadSystemStart(mbr, boot); outcome != UsedSpaceOutcome::kRestored) return outcome;

  const auto stored = ReadFatLayout(boot, fatBits, bytesPerSector_);
  if (!stored || win::ULONGLONG{image_.volumeStart} + stored->totalSectors > cardSectors_)
    return UsedSpaceOutcome::kInvalidImage;
  stored_ = *stored;
  const win::DWORD room = cardSectors_ - image_.volumeStart;
  grown_ = room - stored_.totalSectors > kGrowthMarginBytes / bytesPerSector_;
  volume_ = grown_ ? GrowFatLayout(stored_, room) : stored_;
  grown_ = volume_.totalSectors != stored_.totalSectors;
  if (grown_) ApplyLayoutToBootSector(volume_, boot);

  const win::DWORD rootSectors = fatBits == 32 ? 0 : StoredRootSectors(stored_.rootEntries, bytesPerSector_);
  if (win::ULONGLONG{volume_.RootSector()} + rootSectors > volume_.totalSectors) return UsedSpaceOutcome::kInvalidImage;
  total_ = volume_.reservedSectors + volume_.fatCount * volume_.fatSectors + rootSectors +
           image_.usedSectors / stored_.sectorsPerCluster;

  if (image_.hasMbr) {
    if (grown_) GrowPartition(mbr);
    if (sink_ != nullptr && !sink_->Write(0, mbr)) return UsedSpaceOutcome::kWriteFailed;
  }
  if (const auto outcome = WriteReservedArea(boot); outcome != UsedSpaceOutcome::kRestored) return outcome;
  // The whole FAT area starts empty: sectors the records do not reach hold no stale chains.
  if (const auto outcome = ZeroSectors(volume_.FirstFatSector(), volume_.fatCount * volume_.fatSectors);
      outcome != UsedSpaceOutcome::kRestored)
    return outcome;
  if (fatBits == 12) {
    const auto outcome = volume_.fatBits == 12 ? WriteFat12Copies()
                         : source_.Skip(win::ULONGLONG{stored_.fatSectors} * bytesPerSector_)
                             ? UsedSpaceOutcome::kRestored
                             : UsedSpaceOutcome::kTruncatedImage;
    if (outcome != UsedSpaceOutcome::kRestored) return outcome;
  }
  if (const auto outcome = CopySectors(image_.volumeStart + volume_.RootSector(), rootSectors);
      outcome != UsedSpaceOutcome::kRestored)
    return outcome;
  if (const auto outcome = WriteClusters(); outcome != UsedSpaceOutcome::kRestored) return outcome;
  return fatBits == 32 && grown_ ? WriteFsInfo() : UsedSpaceOutcome::kRestored;
}

}  // namespace

win::DWORD StoredRootSectors(win::DWORD rootEntries, win::DWORD bytesPerSector) {
  return rootEntries * 32 / bytesPerSector + (rootEntries % bytesPerSector != 0 ? 1 : 0);
}

UsedSpaceOutcome RestoreUsedSpaceVolume(ImageSource& source, SectorSink* sink, const UsedSpaceImage& image,
                                        win::DWORD cardSectors, const UsedSpaceProgress& progress) {
  return UsedSpaceWalk(source, sink, image, cardSectors, progress).Run();
}

}  // namespace tarnlok

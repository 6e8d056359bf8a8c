// The used-space body of a backup image: the FAT volume's system area, then one cluster record
// and the cluster's data for every non-zero entry of the first FAT.
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/fat_geometry.h"
#include "device/file_system_type.h"
#include "device/string_ids.h"
#include "operations/backup_run.h"
#include "operations/base_page.h"
#include "device/card_reads.h"
#include "operations/used_cluster_walk.h"
#include "operations/used_space_volume.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <algorithm>
#include <new>

namespace tarnlok {
namespace {

// The boot sector fields a used-space backup walks by.
struct BootParameters {
  win::DWORD sectorsPerCluster = 0;
  win::DWORD reservedSectors = 0;
  win::DWORD fatCount = 0;
  win::DWORD rootEntries = 0;
  win::DWORD fatSectors = 0;

  // The FAT's first sector counts from the reserved count, which is at least the boot sector.
  win::DWORD FirstFatOffset() const { return std::max<win::DWORD>(reservedSectors, 1); }
};

BootParameters ReadBootParameters(std::span<const win::BYTE, 512> bpb, win::BYTE fileSystem) {
  BootParameters parameters;
  parameters.sectorsPerCluster = bpb[win::bpb::kSectorsPerCluster];
  parameters.reservedSectors = win::ReadLe16(bpb, win::bpb::kReservedSectors);
  parameters.fatCount = bpb[win::bpb::kFatCount];
  parameters.rootEntries = win::ReadLe16(bpb, win::bpb::kRootEntryCount);
  parameters.fatSectors = fileSystem == kFat32 ? win::ReadLe32(bpb, win::bpb::kSectorsPerFat32)
                                               : win::ReadLe16(bpb, win::bpb::kSectorsPerFat16);
  return parameters;
}

}  // namespace

win::ULONGLONG BackupRun::SystemAreaBytes() const {
  const BootParameters bpb = ReadBootParameters(volume_.ParameterSector(), volume_.fileSystem);
  const win::DWORD bytesPerSector = geometry_.bytesPerSector;
  win::ULONGLONG sectors = 2;  // the first sector and the boot sector (or its block of zeros)
  if (volume_.sector0IsMbr != 0 && volume_.volumeStart > 1) sectors += volume_.volumeStart - 1;
  if (bpb.reservedSectors > 1) sectors += bpb.reservedSectors - 1;
  if (volume_.fileSystem == kFat12) sectors += bpb.fatSectors;
  if (volume_.fileSystem != kFat32) sectors += StoredRootSectors(bpb.rootEntries, bytesPerSector);
  return sectors * bytesPerSector;
}

bool BackupRun::BackupSystemSectors(win::DWORD first, win::DWORD count, bool countsUnits) {
  const win::DWORD bytesPerSector = geometry_.bytesPerSector;
  const auto sector = std::span(blockBuffer_).first(bytesPerSector);
  for (win::DWORD lba = first; lba < first + count; ++lba) {
    if (!BlockPoll()) return false;
    std::fill(sector.begin(), sector.end(), 0);
    PromptText = LoadProgramString(kStringReadFailed);
    if (!ReadCardSectors(card_.Handle(), *entry_, lba, 1, bytesPerSector, sector.data())) return false;
    if (countsUnits) {
      progress_.Show(static_cast<win::DWORD>(unitsDone_), unitsDone_);
      ++unitsDone_;
    }
    if (!Write(sector)) return false;
  }
  return true;
}

bool BackupRun::BackupUsedSpace() {
  if (volume_.fileSystem < kFat12 || volume_.fileSystem > kFat32) return false;
  const win::BYTE fileSystem = volume_.fileSystem;
  const auto bootSector = volume_.ParameterSector();
  const BootParameters bpb = ReadBootParameters(bootSector, fileSystem);
  const win::DWORD bytesPerSector = geometry_.bytesPerSector;
  const bool mbr = volume_.sector0IsMbr != 0;
  const win::DWORD start = mbr ? volume_.volumeStart : 0;
  const win::DWORD rootSectors = fileSystem == kFat32 ? 0 : StoredRootSectors(bpb.rootEntries, bytesPerSector);
  const win::ULONGLONG clusterBytes = win::ULONGLONG{bpb.sectorsPerCluster} * bytesPerSector;
  if (clusterBytes == 0) return false;
  const UsedClusterVolume walk = UsedClusterVolumeOf(bootSector, fileSystem, bytesPerSector);

  win::ULONGLONG unitTotal = volume_.usedBytes / clusterBytes + rootSectors;
  if (bpb.reservedSectors > 1) unitTotal += bpb.reservedSectors;
  if (mbr && start > 0) unitTotal += start - 1;
  progress_.SetTotal(unitTotal);
  page_.SetDlgItemText(kTotalBlocksValue, BlockNumberText(static_cast<win::DWORD>(unitTotal)));

  std::vector<win::BYTE> fat;
  try {
    fat.assign(UsedClusterBufferBytes(walk), 0);
    clusterBuffer_.assign(clusterBytes, 0);
  } catch (const std::bad_alloc&) {
    ShowStringMessage(kStringNotEnoughMemory, ui::MB_ICONERROR);
    return false;
  }

  if (!Write(volume_.sector0)) return false;
  if (mbr && start > 1 && !BackupSystemSectors(1, start - 1, true)) return false;
  const std::array<win::BYTE, 512> zeros{};
  if (!Write(mbr ? std::span<const win::BYTE>(volume_.bootSector)
                 : std::span<const win::BYTE>(zeros).first(bytesPerSector))) {
    return false;
  }
  if (bpb.reservedSectors > 1 && !BackupSystemSectors(start + 1, bpb.reservedSectors - 1, true)) return false;
  const win::DWORD firstFat = start + bpb.FirstFatOffset();
  if (fileSystem == kFat12 && !BackupSystemSectors(firstFat, bpb.fatSectors, false)) return false;
  if (rootSectors > 0 && !BackupSystemSectors(firstFat + bpb.fatCount * bpb.fatSectors, rootSectors, true)) {
    return false;
  }

  const auto readFat = [&](win::DWORD first, win::DWORD count, std::span<win::BYTE> buffer) {
    PromptText = LoadProgramString(kStringReadFailed);
    return ReadCardSectors(card_.Handle(), *entry_, firstFat + first, count, bytesPerSector, buffer.data());
  };
  if (!WalkUsedClusters(walk, fat, readFat,
                        [this](win::DWORD offset, win::DWORD value) { return BackupCluster(offset, value); })) {
    return false;
  }
  progress_.Finish(static_cast<win::DWORD>(unitTotal));
  return true;
}

bool BackupRun::BackupCluster(win::DWORD entryOffset, win::DWORD entryValue) {
  if (!Write(WriteClusterRecord({entryOffset, entryValue}))) return false;
  if (!BlockPoll()) return false;
  const win::ULONGLONG total = progress_.Total();
  unitsDone_ = std::min(unitsDone_, total);
  progress_.Show(static_cast<win::DWORD>(unitsDone_), unitsDone_);
  ++unitsDone_;
  std::fill(clusterBuffer_.begin(), clusterBuffer_.end(), 0);
  const win::BYTE fileSystem = volume_.fileSystem;
  const win::DWORD cluster = ClusterOfFatOffset(fileSystem, entryOffset);
  const auto bpb = volume_.ParameterSector();
  const win::DWORD bytesPerSector = geometry_.bytesPerSector;
  const win::DWORD start = volume_.sector0IsMbr != 0 ? volume_.volumeStart : 0;
  const win::DWORD lba = fileSystem == kFat32 ? Fat32ClusterToSector(cluster, bpb, start)
                                              : FatClusterToSector(cluster, bytesPerSector, bpb, start);
  PromptText = LoadProgramString(kStringReadFailed);
  const auto sectors = static_cast<win::DWORD>(clusterBuffer_.size() / bytesPerSector);
  if (!ReadCardSectors(card_.Handle(), *entry_, lba, sectors, bytesPerSector, clusterBuffer_.data())) return false;
  return Write(clusterBuffer_);
}

}  // namespace tarnlok

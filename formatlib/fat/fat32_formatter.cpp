#include "formatlib/fat/fat32_formatter.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/volume_handle.h"
#include "formatlib/fat/medium_probe.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace pradvik {
namespace {

namespace bpb = win::bpb;

constexpr std::uint32_t kDataAlignment = 256;
constexpr std::uint16_t kFat32TrackSectors = 63;

std::uint16_t Fat32Heads(std::uint32_t decimalMb) {
  if (decimalMb <= 2048) return 64;
  return decimalMb <= 4096 ? 128 : 255;
}

bool LayDownVolume(const SectorRoad& road, const FatFormatArgs& args, const CardCapacity& capacity,
                   const FormatDump& dump) {
  const OldLayout old = ReadOldLayout(road, args.windows.step, BootAtSectorZero::Ignored, kFat32TypeNameOffset);
  Sector boot = NewFat32BootRecord(args.enableBooting);
  const DiskGeometry geometry{Fat32Heads(capacity.DecimalMb()), kFat32TrackSectors};
  dump.Number("Head", geometry.heads);
  dump.Number("Sect", geometry.sectorsPerTrack);

  const std::uint32_t total = capacity.lastLba;
  const FatLayout layout = Fat32CardLayout(total);
  dump.Number("SectorPerCluster", layout.sectorsPerCluster);
  dump.Number("BoundUnit", kDataAlignment);
  dump.Number("FatBit", 32);
  dump.Number("ReserveSector", kFat32ReservedSectors);
  dump.Number("RootEntry", 0);
  dump.Number("MBR_SIZE", layout.partitionStart & 0xFFFF);
  dump.Number("SectorPerFat", layout.sectorsPerFat & 0xFFFF);
  dump.Number("TotalCluster", ClusterCount(layout));
  const std::uint32_t track = std::uint32_t{geometry.heads} * kFat32TrackSectors;
  // The CHS fields count no further than 1023 cylinders; the volume still covers the whole card.
  const std::uint32_t cylinders = std::min<std::uint32_t>(total / track, 1023);
  dump.Number("Cylenders", cylinders);

  Sector mbr = NewMasterBootRecord(old, args.enableBooting);
  WritePartitionEntry(mbr,
                      {Fat32PartitionType(total), geometry, cylinders, layout.partitionStart, layout.volumeSectors});
  WriteFat32Fields(boot, layout, geometry);

  const ClearingPlan plan{ClearKindOf(args.fullFormat),
                          layout.partitionStart + SystemSectors(layout) + layout.sectorsPerCluster, total,
                          kFat32TrackSectors, 8};
  if (!RunClearingPass(road, args.windows, plan, dump)) return false;
  if (!WriteSystemSector(road, args.windows, 0, mbr, kStrStepMbr, kStrMbrSectorFailed)) return false;
  return WriteFat32SystemSectors(road, args.windows, boot, layout, dump);
}

}  // namespace

std::uint8_t Fat32PartitionType(std::uint32_t totalSectors) {
  constexpr std::uint8_t kTypeFat32Chs = 0x0B;
  constexpr std::uint8_t kTypeFat32Lba = 0x0C;
  return totalSectors <= kMostChsFat32Sectors ? kTypeFat32Chs : kTypeFat32Lba;
}

FatLayout Fat32CardLayout(std::uint32_t totalSectors) {
  std::uint8_t cluster = 64;
  FatLayout layout = AlignedFatLayout(totalSectors, cluster, kDataAlignment, 32, kFat32ReservedSectors, 0);
  while (ClusterCount(layout) <= kMostFat16Clusters && cluster > 1) {
    cluster = static_cast<std::uint8_t>(cluster > 4 ? cluster / 4 : 1);
    layout = AlignedFatLayout(totalSectors, cluster, kDataAlignment, 32, kFat32ReservedSectors, 0);
  }
  return layout;
}

bool WriteFat32SystemSectors(const SectorRoad& road, const ProgressWindows& windows, const Sector& boot,
                             const FatLayout& layout, const FormatDump& dump) {
  const Sector info = FsInfoSector(layout);
  const Sector third = EmptyBootSector();
  const Sector fat = FirstFatSector(32);
  const std::uint32_t start = layout.partitionStart;
  const std::uint32_t backup = win::ReadLe16(boot, bpb::kBackupBootSector);
  const std::uint32_t firstFat = start + win::ReadLe16(boot, bpb::kReservedSectors);
  struct Placed {
    const char* key;
    std::uint32_t lba;
    const Sector* sector;
  };
  const Placed sectors[] = {
      {"First_Dbr_Add", start, &boot},      {"First_Bkup_Dbr_Add", start + backup, &boot},
      {"Second_Dbr_Add", start + 1, &info}, {"Second_Bkup_Dbr_Add", start + backup + 1, &info},
      {"Third_Dbr_Add", start + 2, &third}, {"Third_BkupDbr_Add", start + backup + 2, &third},
      {"FirstFatAdd", firstFat, &fat},      {"Second_Fat_Add", firstFat + layout.sectorsPerFat, &fat}};
  for (const Placed& placed : sectors) {
    dump.Number(placed.key, placed.lba);
    if (!WriteSystemSector(road, windows, placed.lba, *placed.sector, kStrStepDbr, kStrDbrSectorFailed)) return false;
  }
  return true;
}

int FormatFat32Default(const FatFormatArgs& args) {
  BeginFormat(args.owner, args.windows, args.deviceId, args.driveIndex);
  const FormatDump dump = FormatDump::FromSwitch();
  const OwnedVolume volume(OpenVolume(args.driveIndex));
  if (!volume.IsOpen()) TellDriveNotOpened();
  bool locked = false;
  bool done = false;
  const auto probed = volume.IsOpen() ? ProbeCardCapacity(volume.Get()) : std::nullopt;
  if (probed) {
    const CardCapacity& capacity = *probed;
    SetOut(args.mediaCode, capacity.lastLba);
    dump.Number("Total_Sector", std::int64_t{capacity.lastLba} + 1);
    std::array<char, 32> size{};
    std::snprintf(size.data(), size.size(), "%u MB", capacity.DecimalMb());
    dump.Text("MediaSize", size.data());
    dump.Text("FormatType", "FAT32 Format ");
    locked = LockOrDismountVolume(volume.Get(), 1);
    done = LayDownVolume(SectorRoad(volume.Get(), SectorRoad::Kind::Scsi), args, capacity, dump);
  }
  ReleaseCard(volume.Get(), args, false);
  UnlockVolume(volume.Get(), locked);
  return done ? 1 : 0;
}

}  // namespace pradvik

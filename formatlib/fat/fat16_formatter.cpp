#include "formatlib/fat/fat16_formatter.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/volume_handle.h"
#include "formatlib/fat/geometry_rules.h"
#include "formatlib/fat/medium_probe.h"

#include <array>
#include <cstdio>

namespace pradvik {
namespace {

// Partition types of a FAT12 volume, a FAT16 one below 32 MB and a larger FAT16 one.
constexpr std::uint8_t kTypeFat12 = 0x01;
constexpr std::uint8_t kTypeSmallFat16 = 0x04;
constexpr std::uint8_t kTypeFat16 = 0x06;

std::uint8_t TypeBySectors(std::uint32_t sectors) {
  if (sectors < 32680) return kTypeFat12;
  return sectors < 65536 ? kTypeSmallFat16 : kTypeFat16;
}

void DumpLayout(const FormatDump& dump, const FatLayout& layout, std::uint32_t boundUnit) {
  dump.Number("bSecPerClu", layout.sectorsPerCluster);
  dump.Number("BoundUnit", boundUnit);
  dump.Number("FatBit", layout.fatBits);
  dump.Number("ReserveSector", 1);
  dump.Number("RootEntry", kFat16RootEntries);
  dump.Number("MBR_SIZE", layout.partitionStart & 0xFFFF);
  dump.Number("SectorPerFat", layout.sectorsPerFat & 0xFFFF);
  dump.Number("TotalCluster", boundUnit == 0 ? 0 : ClusterCount(layout));
}

bool LayDownVolume(const SectorRoad& road, const FatFormatArgs& args, const CardCapacity& capacity,
                   const FormatDump& dump) {
  const OldLayout old = ReadOldLayout(road, args.windows.step, BootAtSectorZero::Kept, kFat16TypeNameOffset);
  const std::uint32_t mib = capacity.BinaryMib();
  const std::uint32_t mb = capacity.DecimalMb();
  const DiskGeometry geometry = args.enableBooting ? Fat16BootGeometry(args.deviceKind, old.bootFound, mib, mb)
                                                   : Fat16PlainGeometry(args.deviceKind, old.bootFound, mib);
  Sector boot = NewFat16BootRecord(old, args.enableBooting, mb > 16);
  dump.Number("Head", geometry.heads);
  dump.Number("Sect", geometry.sectorsPerTrack);

  const std::uint32_t track = std::uint32_t{geometry.heads} * geometry.sectorsPerTrack;
  std::uint32_t total = capacity.lastLba;
  if (total % track != 0 && args.transportKind != kTransportIde) ++total;
  FatLayout layout;
  if (!args.enableBooting) {
    const PlainLayoutRule rule = Fat16PlainLayoutRule(args.deviceKind, mib);
    layout = SoundAlignedFat16Layout(total, rule.sectorsPerCluster, rule.boundUnit, rule.fatBits);
    DumpLayout(dump, layout, rule.boundUnit);
  } else {
    DumpLayout(dump, FatLayout{0, 0, 1, kFat16RootEntries, 0, 0, 0}, 0);
  }
  const std::uint32_t cylinders = CutToChsCylinders(total, geometry);
  dump.Number("Cylenders", cylinders);

  Sector mbr = NewMasterBootRecord(old, args.enableBooting);
  std::uint8_t type = 0;
  if (args.enableBooting) {
    const auto bytes = std::uint64_t{total} * capacity.blockLength;
    layout = TrackAlignedFat16Layout(total, geometry.sectorsPerTrack,
                                     BootClusterSectors(static_cast<std::uint32_t>(bytes >> 20)));
    type = Fat16PartitionTypeByMb(bytes / 1000000);
    WriteFat16Fields(boot, layout, geometry, (bytes >> 20) < 32);
    WriteFreeDosLoaderFields(boot, layout);
  } else {
    layout.volumeSectors = total - layout.partitionStart;
    if (!IsSoundFatLayout(layout)) FitFat16Layout(layout);
    type = TypeBySectors(layout.volumeSectors);
    WriteFat16Fields(boot, layout, geometry, mib < 32);
  }
  WritePartitionEntry(mbr, {type, geometry, cylinders, layout.partitionStart, layout.volumeSectors});

  const ClearingPlan plan{ClearKindOf(args.fullFormat), layout.partitionStart + SystemSectors(layout), total,
                          geometry.sectorsPerTrack, 4};
  return RunClearingPass(road, args.windows, plan, dump) &&
         WriteFat16SystemSectors(road, args.windows, mbr, boot, layout, dump);
}

}  // namespace

std::uint8_t Fat16PartitionTypeByMb(std::uint64_t decimalMb) {
  if (decimalMb <= 16) return kTypeFat12;
  return decimalMb <= 32 ? kTypeSmallFat16 : kTypeFat16;
}

bool WriteFat16SystemSectors(const SectorRoad& road, const ProgressWindows& windows, const Sector& mbr,
                             const Sector& boot, const FatLayout& layout, const FormatDump& dump) {
  const Sector fat = FirstFatSector(layout.fatBits);
  const std::uint32_t firstFat = layout.partitionStart + layout.reservedSectors;
  if (!WriteSystemSector(road, windows, 0, mbr, kStrStepMbr, kStrMbrSectorFailed)) return false;
  dump.Number("DBRWriteAdd", layout.partitionStart);
  if (!WriteSystemSector(road, windows, layout.partitionStart, boot, kStrStepDbr, kStrDbrSectorFailed)) return false;
  dump.Number("FATFirstAdd", firstFat);
  if (!WriteSystemSector(road, windows, firstFat, fat, kStrStepFat1, kStrFat1SectorFailed)) return false;
  dump.Number("FATSecondAdd", firstFat + layout.sectorsPerFat);
  return WriteSystemSector(road, windows, firstFat + layout.sectorsPerFat, fat, kStrStepFat2, kStrFat2SectorFailed);
}

int FormatFat16Default(const FatFormatArgs& args) {
  BeginFormat(args.owner, args.windows, args.deviceId, args.driveIndex);
  const FormatDump dump = FormatDump::FromSwitch();
  const OwnedVolume volume(OpenVolume(args.driveIndex));
  if (!volume.IsOpen()) {
    TellDriveNotOpened();
    return 0;
  }
  const auto probed = ProbeCardCapacity(volume.Get());
  if (!probed) return 0;
  CardCapacity capacity = *probed;
  if (capacity.DecimalMb() > 2048) capacity.lastLba = kFat16MostLastLba;
  SetOut(args.mediaCode, capacity.lastLba);
  dump.Number("Total_Sector", std::int64_t{capacity.lastLba} + 1);
  std::array<char, 32> size{};
  std::snprintf(size.data(), size.size(), "%u MB", capacity.DecimalMb());
  dump.Text("MediaSize", size.data());

  const bool locked = LockOrDismountVolume(volume.Get(), 1);
  const SectorRoad road(volume.Get(), SectorRoad::Kind::Scsi);
  const bool done = LayDownVolume(road, args, capacity, dump);
  if (locked) ReleaseCard(volume.Get(), args, args.transportKind == kTransportIde);
  UnlockVolume(volume.Get(), locked);
  return done ? 1 : 0;
}

}  // namespace pradvik

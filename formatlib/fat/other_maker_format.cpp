#include "formatlib/fat/other_maker_format.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/volume_handle.h"
#include "formatlib/fat/drive_handle.h"
#include "formatlib/fat/fat16_formatter.h"
#include "formatlib/fat/geometry_rules.h"
#include "formatlib/fat/medium_probe.h"

#include "platform/ui/dialogs/message_box.h"

namespace pradvik {
namespace {

bool LayDownVolume(const SectorRoad& road, const OtherMakerArgs& args, const CardCapacity& capacity) {
  const FatFormatArgs& format = args.format;
  const FormatDump noDump;
  const OldLayout old = ReadOldLayout(road, format.windows.step, BootAtSectorZero::Kept, kFat16TypeNameOffset);
  const std::uint32_t mb = capacity.DecimalMb();
  Sector boot = NewFat16BootRecord(old, format.enableBooting, mb > 16);
  const DiskGeometry geometry = DriveGeometry(format.deviceKind, old.bootFound, format.enableBooting, mb);

  std::uint32_t total = capacity.lastLba;
  const std::uint32_t cylinders = CutToChsCylinders(total, geometry);
  const std::uint64_t bytes = std::uint64_t{total} * capacity.blockLength;
  const auto mib = static_cast<std::uint32_t>(bytes >> 20);
  const std::uint8_t cluster = format.enableBooting ? BootClusterSectors(mib) : OtherMakerClusterSectors(mib);
  const FatLayout layout = TrackAlignedFat16Layout(total, geometry.sectorsPerTrack, cluster);
  Sector mbr = NewMasterBootRecord(old, format.enableBooting);
  WritePartitionEntry(
      mbr, {Fat16PartitionTypeByMb(bytes / 1000000), geometry, cylinders, layout.partitionStart, layout.volumeSectors});
  WriteFat16Fields(boot, layout, geometry, mib < 32);
  if (format.enableBooting) WriteFreeDosLoaderFields(boot, layout);

  const ClearKind kind = ClearKindOf(format.fullFormat);
  if (kind == ClearKind::Full) ResetBadBlocks();
  const ClearingPlan plan{kind, layout.partitionStart + SystemSectors(layout), total, geometry.sectorsPerTrack, 4};
  return RunClearingPass(road, format.windows, plan, noDump) &&
         WriteFat16SystemSectors(road, format.windows, mbr, boot, layout, noDump);
}

}  // namespace

int FormatForOtherMakers(const OtherMakerArgs& args) {
  const FatFormatArgs& format = args.format;
  ResetBadBlocks();
  ClearErrorText();
  BeginFormat(format.owner, format.windows, format.deviceId, format.driveIndex);
  const OwnedVolume drive(OpenWholeDrive(format.driveIndex));
  if (!drive.IsOpen()) {
    TellDriveNotOpened();
    return 0;
  }
  CardCapacity capacity = DriveCapacity(drive.Get());
  if (capacity.lastLba == 0) {
    ShowLibraryMessage(kStrNoMediaPresent, ui::MB_ICONSTOP);
    return 0;
  }
  SetOut(format.mediaCode, capacity.lastLba);
  if (capacity.blockLength == 0) {
    ShowLibraryMessage(kStrNoMediaPresent, ui::MB_ICONSTOP);
    return 0;
  }
  ShowCapacityText(args.capacityWindow, capacity, 256);
  // A FAT16 volume reaches no further than the default formatter's limit.
  if (capacity.DecimalMb() > 2048) capacity.lastLba = kFat16MostLastLba;
  const bool locked = LockOrDismountVolume(drive.Get(), 1);
  const bool done = LayDownVolume(WholeDriveRoad(drive.Get()), args, capacity);
  UnlockVolume(drive.Get(), locked);
  return done ? 1 : 0;
}

}  // namespace pradvik

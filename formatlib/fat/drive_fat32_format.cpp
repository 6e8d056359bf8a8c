#include "formatlib/fat/drive_fat32_format.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/volume_handle.h"
#include "formatlib/fat/drive_handle.h"
#include "formatlib/fat/fat16_formatter.h"
#include "formatlib/fat/fat32_formatter.h"
#include "formatlib/fat/geometry_rules.h"
#include "formatlib/fat/medium_probe.h"
#include "formatlib/fat/other_maker_format.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/win/layouts/byte_order.h"

namespace pradvik {
namespace {

// A sector of the first track that the format has always written.
constexpr std::uint32_t kMarkerLba = 44;

std::uint8_t ClusterSectorsByBytes(std::uint64_t bytes) {
  if (bytes <= 0x7FFFFFF) return 1;
  if (bytes <= 0xFFFFFFF) return 2;
  return bytes <= 0x1FFFFFFF ? 4 : 8;
}

std::uint16_t TrackSectorsOf(std::uint64_t bytes) { return bytes / 1000000 < 257 ? 32 : 63; }

// The card's sectors as the layout counts them: the last block address, one more when it does
// not end a cylinder.
std::uint32_t CountedSectors(std::uint32_t lastLba, DiskGeometry geometry) {
  const std::uint32_t track = std::uint32_t{geometry.heads} * geometry.sectorsPerTrack;
  return lastLba % track != 0 ? lastLba + 1 : lastLba;
}

struct Drive {
  SectorRoad road;
  CardCapacity capacity;
};

bool LayDownVolume(const Drive& drive, const DriveFat32Args& args) {
  const FatFormatArgs& format = args.format;
  const OldLayout old =
      ReadOldLayout(drive.road, format.windows.step, BootAtSectorZero::Recognised, kFat32TypeNameOffset);
  Sector boot = NewFat32BootRecord(format.enableBooting);
  const std::uint64_t bytes = drive.capacity.Bytes();
  const DiskGeometry geometry = DriveGeometry(format.deviceKind, old.bootFound, format.enableBooting, bytes / 1000000);
  const std::uint32_t total = CountedSectors(drive.capacity.lastLba, geometry);
  const auto layout = Fat32DriveLayout(total, drive.capacity.blockLength, geometry.sectorsPerTrack);
  if (!layout) return false;
  const std::uint32_t cylinders = total / (std::uint32_t{geometry.heads} * geometry.sectorsPerTrack);

  Sector mbr = NewMasterBootRecord(old, format.enableBooting);
  WritePartitionEntry(mbr,
                      {Fat32PartitionType(total), geometry, cylinders, layout->partitionStart, layout->volumeSectors});
  WriteFat32Fields(boot, *layout, geometry);

  const ClearingPlan plan{ClearKindOf(format.fullFormat),
                          layout->partitionStart + SystemSectors(*layout) + layout->sectorsPerCluster, total,
                          geometry.sectorsPerTrack, 8};
  const FormatDump noDump;
  if (!RunClearingPass(drive.road, format.windows, plan, noDump)) return false;
  if (!WriteSystemSector(drive.road, format.windows, 0, mbr, kStrStepMbr, kStrMbrSectorFailed)) return false;
  if (!WriteFat32SystemSectors(drive.road, format.windows, boot, *layout, noDump)) return false;
  Sector marker{};
  marker[389] = 0xC3;
  win::WriteLe16(marker, win::bpb::kSignatureAt, win::bpb::kSignature);
  return WriteSystemSector(drive.road, format.windows, kMarkerLba, marker, kStrStepDbr, kStrDbrSectorFailed);
}

CardCapacity CapacityOf(win::HANDLE handle, bool otherMaker) {
  if (!otherMaker) return ProbeCardCapacity(handle).value_or(CardCapacity{});
  const CardCapacity capacity = DriveCapacity(handle);
  if (capacity.lastLba == 0 || capacity.blockLength == 0) ShowLibraryMessage(kStrNoMediaPresent, ui::MB_ICONSTOP);
  return capacity;
}

bool HoldsFat32(const CardCapacity& capacity) {
  const std::uint16_t track = TrackSectorsOf(capacity.Bytes());
  return Fat32DriveLayout(capacity.lastLba + 1, capacity.blockLength, track).has_value();
}

int FormatAsFat16(const DriveFat32Args& args) {
  if (args.otherMaker) return FormatForOtherMakers({args.format, args.capacityWindow});
  return FormatFat16Default(args.format);
}

enum class Outcome { Done, Failed, TooSmall };

// On the open drive: the size, then (unless the card is too small for FAT32) the lock, the
// layout, the release command and the unlock.
Outcome FormatOnDrive(win::HANDLE handle, const DriveFat32Args& args) {
  const FatFormatArgs& format = args.format;
  const CardCapacity capacity = CapacityOf(handle, args.otherMaker);
  bool locked = false;
  bool done = false;
  if (capacity.lastLba != 0 && capacity.blockLength != 0) {
    SetOut(format.mediaCode, capacity.lastLba);
    ShowCapacityText(args.capacityWindow, capacity, 256);
    if (!HoldsFat32(capacity)) return Outcome::TooSmall;
    locked = LockOrDismountVolume(handle, 1);
    const SectorRoad road = args.otherMaker ? WholeDriveRoad(handle) : SectorRoad(handle, SectorRoad::Kind::Scsi);
    done = LayDownVolume({road, capacity}, args);
  }
  ReleaseCard(handle, format, false);
  UnlockVolume(handle, locked);
  return done ? Outcome::Done : Outcome::Failed;
}

}  // namespace

std::optional<FatLayout> Fat32DriveLayout(std::uint32_t totalSectors, std::uint32_t blockLength,
                                          std::uint16_t trackSectors) {
  if (totalSectors <= trackSectors) return std::nullopt;
  FatLayout layout;
  layout.partitionStart = trackSectors;
  layout.volumeSectors = totalSectors - trackSectors;
  layout.reservedSectors = kFat32ReservedSectors;
  layout.rootEntries = 0;
  layout.fatBits = 32;
  layout.sectorsPerCluster = ClusterSectorsByBytes(std::uint64_t{blockLength} * totalSectors);
  for (;;) {
    const std::uint32_t estimate = layout.volumeSectors / layout.sectorsPerCluster / 128;
    layout.sectorsPerFat = estimate > 3 ? estimate - 3 : 1;
    while (FatSectorsFor(ClusterCount(layout), 32) > layout.sectorsPerFat) ++layout.sectorsPerFat;
    if (ClusterCount(layout) > kMostFat16Clusters) return layout;
    if (layout.sectorsPerCluster == 1) return std::nullopt;
    layout.sectorsPerCluster = static_cast<std::uint8_t>(layout.sectorsPerCluster / 2);
  }
}

int FormatDriveFat32(const DriveFat32Args& args) {
  const FatFormatArgs& format = args.format;
  ResetBadBlocks();
  BeginFormat(format.owner, format.windows, format.deviceId, format.driveIndex);
  Outcome outcome = Outcome::Failed;
  {
    const OwnedVolume drive(args.otherMaker ? OpenWholeDrive(format.driveIndex) : OpenVolume(format.driveIndex));
    if (drive.IsOpen()) outcome = FormatOnDrive(drive.Get(), args);
    if (!drive.IsOpen()) {
      TellDriveNotOpened();
      ReleaseCard(drive.Get(), format, false);
    }
  }
  if (outcome == Outcome::TooSmall) return FormatAsFat16(args);
  return outcome == Outcome::Done ? 1 : 0;
}

}  // namespace pradvik

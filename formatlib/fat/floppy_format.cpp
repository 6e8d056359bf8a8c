#include "formatlib/fat/floppy_format.h"

#include "formatlib/command/explorer_windows.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/volume_handle.h"
#include "formatlib/fat/drive_handle.h"
#include "formatlib/fat/geometry_rules.h"
#include "formatlib/fat/sector_transfer.h"
#include "formatlib/fat/volume_session.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/files/files.h"
#include "platform/win/files/volumes.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"
#include "platform/win/system/c_random.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/system_clock.h"

#include <array>
#include <string>

namespace pradvik {
namespace {

namespace bpb = win::bpb;

constexpr std::uint16_t kFloppyRootEntries = 224;
constexpr std::uint32_t kSmallDiskMib = 32;

// The disk's own sectors: READ CAPACITY where the drive answers it (LS-120 drives, also through
// ASPI on Windows 9x), else the drive geometry. The volume's size is no measure: the system
// counts only its data clusters, so each format would shrink the disk. A 1.44 MB drive that
// answers neither (Windows 9x has no geometry query) holds a disk of its own geometry.
std::uint32_t DiskSectors(win::HANDLE device) {
  const CardCapacity asked = ReadCardCapacity(device);
  if (asked.blockLength == kSectorBytes && asked.lastLba != 0) return asked.lastLba + 1;
  const auto geometry = QueryDriveGeometry(device);
  if (!geometry || geometry->bytesPerSector != kSectorBytes) return kFloppySectors;
  const std::uint64_t sectors = std::uint64_t{geometry->cylinders} * geometry->heads * geometry->sectorsPerTrack;
  return sectors == 0 ? kFloppySectors : static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, 0xFFFFFFFF));
}

bool WriteOne(win::HANDLE handle, std::uint32_t lba, const Sector& sector, const ProgressWindows& windows) {
  if (TransferSectors({handle, lba, 1, const_cast<std::uint8_t*>(sector.data()), kTransferWrite}) != 0) return false;
  StepProgress(windows.progress, windows.percent);
  PumpLibraryMessages();
  return true;
}

bool ClearRange(win::HANDLE handle, std::uint32_t first, std::uint32_t end, const ProgressWindows& windows) {
  const Sector zero{};
  for (std::uint32_t lba = first; lba < end; ++lba) {
    if (!WriteOne(handle, lba, zero, windows)) return false;
  }
  return true;
}

bool WriteFats(win::HANDLE handle, const FloppyVolume& volume, const ProgressWindows& windows) {
  SetStepText(windows.step, kStrStepFat1);
  const Sector fat = FirstFatSector(volume.fatBits, volume.media);
  // A disk with one FAT has its root directory where a second FAT would lie.
  for (std::uint32_t copy = 0; copy < volume.fatCount; ++copy) {
    if (!WriteOne(handle, volume.reservedSectors + copy * volume.sectorsPerFat, fat, windows)) return false;
  }
  if (windows.percent != nullptr) {
    ui::SendMessage(windows.percent, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>("100 %"));
  }
  if (windows.progress != nullptr) ui::SendMessage(windows.progress, ui::PBM_STEPIT, 0, 0);
  return true;
}

// Sector 0 as read, checked and cleared behind as the format kind asks; the volume whose FATs
// are written then.
std::optional<FloppyVolume> PrepareDisk(win::HANDLE handle, const FloppyArgs& args, std::uint32_t sectors,
                                        std::uint32_t mebibytes) {
  Sector first{};
  if (TransferSectors({handle, 0, 1, first.data(), kTransferRead}) != 0) return std::nullopt;
  if (!EndsWithSignature(first) && args.fullFormat == 0) {
    ShowLibraryMessage(kStrNotFormatted, ui::MB_ICONSTOP);
    return std::nullopt;
  }
  SetStepText(args.windows.step, kStrStepDbr);
  if (args.fullFormat == 1) {
    const Sector boot = FloppyBootRecord(sectors, mebibytes);
    const auto volume = ReadFloppyVolume(boot, sectors);
    StartProgress(args.windows.progress, sectors + 3);
    SetStepText(args.windows.step, kStrStepErase);
    if (!volume || !WriteOne(handle, 0, boot, args.windows)) return std::nullopt;
    if (!ClearRange(handle, 1, sectors - 1, args.windows)) return std::nullopt;
    return volume;
  }
  const auto volume = ReadFloppyVolume(first, sectors);
  if (!volume) {
    ShowLibraryMessage(kStrNotFormatted, ui::MB_ICONSTOP);
    return std::nullopt;
  }
  if (args.fullFormat != 0) return volume;
  StartProgress(args.windows.progress, volume->systemSectors + 2);
  SetStepText(args.windows.step, kStrStepErase);
  if (!ClearRange(handle, volume->reservedSectors, volume->reservedSectors + volume->systemSectors, args.windows)) {
    return std::nullopt;
  }
  return volume;
}

}  // namespace

Sector FloppyBootRecord(std::uint32_t sectors, std::uint32_t mebibytes) {
  Sector boot = FloppyTemplate();
  win::srand(static_cast<unsigned>(win::time(nullptr)));
  constexpr std::size_t kSerial = bpb::kExtendedFat16 + bpb::kExtVolumeId;
  boot[kSerial] = static_cast<std::uint8_t>(win::rand());
  boot[kSerial + 1] = 0;
  boot[kSerial + 2] = static_cast<std::uint8_t>(win::rand());
  boot[kSerial + 3] = 0;
  boot[bpb::kExtendedFat16 + bpb::kExtDriveNumber] = bpb::kFixedDiskDrive;
  FatLayout layout;
  layout.volumeSectors = sectors;
  layout.rootEntries = kFloppyRootEntries;
  layout.sectorsPerCluster =
      mebibytes <= kSmallDiskMib
          ? 1
          : static_cast<std::uint8_t>(ValueFor({{126, 4}, {255, 8}, {511, 16}, {1023, 32}, {kAbove, 64}}, mebibytes));
  layout.sectorsPerFat = sectors == kFloppySectors ? 9 : sectors / layout.sectorsPerCluster / 256 + 1;
  layout.fatBits = FatBitsFor(ClusterCount(layout));
  if (!IsSoundFatLayout(layout)) FitFat16Layout(layout);
  WriteFat16Fields(boot, layout, {2, 18}, true, kMediaFloppy);
  return boot;
}

std::optional<FloppyVolume> ReadFloppyVolume(const Sector& boot, std::uint32_t diskSectors) {
  const std::uint32_t bytesPerSector = win::ReadLe16(boot, bpb::kBytesPerSector);
  FloppyVolume volume;
  volume.reservedSectors = win::ReadLe16(boot, bpb::kReservedSectors);
  volume.fatCount = boot[bpb::kFatCount];
  volume.sectorsPerFat = win::ReadLe16(boot, bpb::kSectorsPerFat16);
  volume.media = boot[bpb::kMedia];
  const std::uint32_t rootEntries = win::ReadLe16(boot, bpb::kRootEntryCount);
  const std::uint32_t shortTotal = win::ReadLe16(boot, bpb::kTotalSectors16);
  const std::uint32_t total = shortTotal != 0 ? shortTotal : win::ReadLe32(boot, bpb::kTotalSectors32);
  if (bytesPerSector != kSectorBytes || volume.reservedSectors == 0 || volume.fatCount == 0 || volume.fatCount > 2 ||
      volume.sectorsPerFat == 0 || boot[bpb::kSectorsPerCluster] == 0) {
    return std::nullopt;
  }
  volume.systemSectors = RootDirectorySectors(rootEntries) + volume.fatCount * volume.sectorsPerFat;
  const std::uint32_t used = volume.reservedSectors + volume.systemSectors;
  if (used >= diskSectors || total <= used) return std::nullopt;
  volume.fatBits = FatBitsFor((total - used) / boot[bpb::kSectorsPerCluster]);
  if (volume.fatBits == 32) return std::nullopt;
  return volume;
}

int FormatFloppy(const FloppyArgs& args) {
  ResetBadBlocks();
  BeginFormat(args.owner, args.windows, args.deviceId, args.driveIndex);
  const OwnedVolume device(OpenVolume(args.driveIndex));
  if (!device.IsOpen()) {
    TellDriveNotOpened();
    return 0;
  }
  const std::uint32_t sectors = std::max(DiskSectors(device.Get()), kFloppySectors);
  const auto mebibytes = static_cast<std::uint32_t>((std::uint64_t{sectors} * kSectorBytes) >> 20);
  SetOut(args.mediaCode, sectors);
  const bool locked = LockOrDismountVolume(device.Get(), 1);
  const auto volume = PrepareDisk(device.Get(), args, sectors, mebibytes);
  const bool done = volume && WriteFats(device.Get(), *volume, args.windows);
  UnlockVolume(device.Get(), locked);
  return done ? 1 : 0;
}

}  // namespace pradvik

#include "formatlib/fat/clearing_pass.h"

#include "formatlib/command/explorer_windows.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/fat/sector_transfer.h"

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"

#include <algorithm>
#include <array>

namespace pradvik {
namespace {

constexpr std::uint32_t kZeroSectors = 64;
const std::array<std::uint8_t, kZeroSectors * kSectorBytes> kZeros{};

// A sector of the system area (master boot record up to the root directory) that stays as it was
// leaves no sound volume, whatever the answer; a data sector the person chose to ignore may stay.
bool ClearSectorsOneByOne(const SectorRoad& road, const ProgressWindows& windows, std::uint32_t first,
                          std::uint32_t end, std::uint32_t systemEnd) {
  for (std::uint32_t lba = first; lba < end; ++lba) {
    const SectorRoad::Written written = road.WriteSector(lba, kZeros.data(), kStrEraseSector);
    if (written == SectorRoad::Written::No || (written == SectorRoad::Written::Ignored && lba < systemEnd)) {
      return false;
    }
    StepProgress(windows.progress, windows.percent);
    PumpLibraryMessages();
  }
  return true;
}

}  // namespace

void StartProgress(win::HWND progress, std::uint32_t range) {
  FormatLibraryState& state = LibraryState();
  state.progressPosition = 0;
  state.progressRange = range;
  if (progress == nullptr) return;
  ui::SendMessage(progress, ui::PBM_SETRANGE32, 0, static_cast<ui::LPARAM>(range));
  ui::SendMessage(progress, ui::PBM_SETSTEP, 1, 0);
  ui::SendMessage(progress, ui::PBM_SETPOS, 0, 0);
}

ClearKind ClearKindOf(std::uint8_t fullFormat) {
  if (fullFormat == 0) return ClearKind::Quick;
  return fullFormat == 1 ? ClearKind::Full : ClearKind::None;
}

bool RunClearingPass(const SectorRoad& road, const ProgressWindows& windows, const ClearingPlan& plan,
                     const FormatDump& dump) {
  if (plan.kind == ClearKind::None) return true;
  SetStepText(windows.step, kStrStepErase);
  if (plan.kind == ClearKind::Quick) {
    StartProgress(windows.progress, plan.systemSectors + plan.extraSteps);
    return ClearSectorsOneByOne(road, windows, 0, plan.systemSectors, plan.systemSectors);
  }
  const std::uint32_t track = std::clamp<std::uint32_t>(plan.trackSectors, 1, kZeroSectors);
  StartProgress(windows.progress, plan.cardSectors / track + plan.extraSteps);
  std::uint32_t lba = 0;
  for (; plan.cardSectors >= track && lba < plan.cardSectors - track; lba += track) {
    if (!road.WriteRun(lba, track, kZeros.data())) {
      dump.Number("WriteFailAdd", lba);
      dump.Number("DataLengthIs", track);
      if (!ClearSectorsOneByOne(road, windows, lba, lba + track, plan.systemSectors)) return false;
      continue;
    }
    StepProgress(windows.progress, windows.percent);
    PumpLibraryMessages();
  }
  return ClearSectorsOneByOne(road, windows, lba, plan.cardSectors, plan.systemSectors);
}

bool WriteSystemSector(const SectorRoad& road, const ProgressWindows& windows, std::uint32_t lba, const Sector& sector,
                       win::UINT stepText, win::UINT errorText) {
  SetStepText(windows.step, stepText);
  // Ignored or not, a structure sector not written is a failed format.
  if (road.WriteSector(lba, sector.data(), errorText) != SectorRoad::Written::Yes) return false;
  StepProgress(windows.progress, windows.percent);
  PumpLibraryMessages();
  return true;
}

}  // namespace pradvik

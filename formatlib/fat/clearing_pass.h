// The clearing passes of the FAT formatters: a quick format zeroes the system area sector by
// sector; a full format zeroes the whole card a track per command, going sector by sector
// (with the prompt) over a track that fails. Each command steps the caller's progress bar.
#pragma once

#include "formatlib/fat/format_dump.h"
#include "formatlib/fat/sector_road.h"

#include "platform/win/system/types.h"

#include <cstdint>

namespace pradvik {

struct ProgressWindows {
  win::HWND progress = nullptr;
  win::HWND percent = nullptr;
  win::HWND step = nullptr;
};

// Sets the range (32 bits wide, so that a large card's track count is not cut) and step 1 and
// moves the bar to its start.
void StartProgress(win::HWND progress, std::uint32_t range);

enum class ClearKind { Quick, Full, None };
ClearKind ClearKindOf(std::uint8_t fullFormat);

struct ClearingPlan {
  ClearKind kind = ClearKind::None;
  std::uint32_t systemSectors = 0;  // quick: sectors 0 up to this one
  std::uint32_t cardSectors = 0;  // full: sectors 0 up to this one
  std::uint32_t trackSectors = 1;  // full: sectors per command
  std::uint32_t extraSteps = 0;  // steps the writes after the pass take
};

// False when a sector could not be written (after the prompt, when the road has one), or when
// one of the system area was left as it was on the person's Ignore.
bool RunClearingPass(const SectorRoad& road, const ProgressWindows& windows, const ClearingPlan& plan,
                     const FormatDump& dump);

// One system-sector write with its step text, the progress step and the message pump; false
// unless the sector was written.
bool WriteSystemSector(const SectorRoad& road, const ProgressWindows& windows, std::uint32_t lba, const Sector& sector,
                       win::UINT stepText, win::UINT errorText);

}  // namespace pradvik

// The logical sectors of a raw flash card (SmartMedia, Memory Stick) for a recovery run: the
// card's block map is built first, with the progress dialog, then each logical sector is read
// from the physical block that holds it.
#pragma once

#include "device/device_entry.h"
#include "platform/ui/windows/cwnd.h"
#include "platform/win/system/types.h"
#include "recovery/recovery_observer.h"
#include "recovery/sector_source.h"

#include <memory>

namespace tarnlok {

struct FlashCardShape {
  bool memoryStick = false;
  win::DWORD mediaSizeCode = 0;
  win::DWORD pagesPerBlock = 0;
  win::DWORD blockCount = 0;
};

// Null when the user cancelled the analysis of the card's blocks, or ended it when a block could
// not be read (asker puts that to the user as the run's failed reads).
std::unique_ptr<recovery::SectorSource> OpenFlashMapSource(win::HANDLE card, const DeviceEntry& entry,
                                                           const FlashCardShape& shape, ui::CWnd* owner,
                                                           recovery::RecoveryObserver& asker);

}  // namespace tarnlok

// The logical sectors of a raw flash card (SmartMedia, Memory Stick) for a recovery run: the
// card's block map is built first (the reader hands out physical blocks), then each logical
// sector is read from the physical block that holds it.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"
#include "recovery/sector_source.h"

#include <memory>

namespace tarnlok {

struct FlashCardShape {
  win::DWORD mediaSizeCode = 0;
  win::DWORD pagesPerBlock = 0;
  win::DWORD blockCount = 0;
};

// Null when the map could not be built (the user cancelled, a read failed, no memory); the
// messages of those cases have been shown.
std::unique_ptr<recovery::SectorSource> OpenFlashMapSource(win::HANDLE card, const DeviceEntry& entry,
                                                           const FlashCardShape& shape);

}  // namespace tarnlok

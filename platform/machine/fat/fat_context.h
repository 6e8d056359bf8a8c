// A FAT volume as one operation sees it: the device, the layout read from the boot sector at
// the start of the call, and the clock. Nothing of it outlives the call.
#pragma once

#include "platform/machine/fat_boot_sector.h"
#include "platform/machine/fat_dir_entry.h"

namespace machine {

struct FatContext {
  SectorDevice& device;
  FatGeometry geometry;
  FatClock clock;
};

}  // namespace machine

// The FAT work that the fuzz harnesses drive on a card, whatever its input made of it: volume
// recognition, the directory walk, file reads and a few writes.
#pragma once

#include "platform/machine/cards/sector_device.h"

namespace machine::testing {

// Finds the card's FAT volume (nothing more when there is none), walks it reading every file,
// then makes a directory, writes a file in it and renames it.
void ExerciseFatVolume(SectorDevice& card);

}  // namespace machine::testing

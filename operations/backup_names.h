// What the Backup page proposes and decides before a run: the default image name and which
// cards are backed up block by block with their flash's own data.
#pragma once

#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// SmartMedia and Memory Stick cards are backed up whole, block by block.
bool IsRawFlashBackup(win::BYTE deviceKind);

// The proposed image name: folder, the card word for raw flash cards ("SmartMedia_",
// "Memory Stick_"), then month, day, year, "_", hour and minute of the local time, ".FMB".
std::string DefaultImageName(const std::string& folder, win::BYTE deviceKind);

}  // namespace tarnlok

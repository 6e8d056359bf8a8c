// The copy of the files that the card's file system still shows, with their folder tree.
#pragma once

#include "recovery/carve_state.h"

#include <string>

namespace recovery {

// Copies every file and folder matched by searchPattern (a folder followed by "\*.*") into
// targetFolder (ending in a backslash), counting each file by the type word in its name.
void CopyVisibleFiles(CarveState& state, const std::string& searchPattern, const std::string& targetFolder);

}  // namespace recovery

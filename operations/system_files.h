// The system files a bootable format copies onto the card: from drive C on Windows 95, 95 OSR2
// and 98, else from the folder that DUD.INI names.
#pragma once

#include "platform/win/system/types.h"

namespace tarnlok {

// Copies each file that exists onto the card's root, overwriting; a missing file is skipped.
void CopySystemFiles(win::BYTE osKind, win::BYTE busKind, char cardLetter);

}  // namespace tarnlok

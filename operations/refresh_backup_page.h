// Shows the current device on the Backup page (ActivePageHwnd): asks the card what it is now,
// which rewrites its entry, proposes an image name and offers the choice of what to copy only
// for cards with a FAT volume to choose from.
#pragma once

namespace tarnlok {

void RefreshBackupPage();

}  // namespace tarnlok

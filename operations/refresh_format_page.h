// Fills the Format page (the window ActivePageHwnd) for CurrentDevice: its captions, and the
// options the card allows (booting, FAT32, panoramic mode) from a fresh query of the card.
#pragma once

namespace tarnlok {

void RefreshFormatPage();

}  // namespace tarnlok

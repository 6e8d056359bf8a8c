// Fills the Restore page for the current device: its captions, its idle control states, and the
// card's name and capacity as the card query finds them.
#pragma once

namespace tarnlok {

void RefreshRestorePage();

}  // namespace tarnlok

// Fills the Duplicate page for the current device: its captions, its idle control states, and
// the card's name and capacity as the card query finds them.
#pragma once

namespace tarnlok {

void RefreshDuplicatePage();

}  // namespace tarnlok

// Fresh cards: the image of a card that does not exist yet is made with the described
// size and formatted as from the factory (factory_format.h). An image that exists is used as
// it is and never rewritten.
#pragma once

#include "platform/machine/machine_description.h"

#include <cstdint>

namespace machine {

// Makes the card's image when it is missing and answers true; false when it existed.
// Throws MachineDescriptionError naming the image when it cannot be made.
bool MakeFreshCardImage(const CardDescription& card, std::uint32_t serial);

}  // namespace machine

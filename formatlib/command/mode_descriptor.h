// A reader that answers READ CAPACITY with nothing still tells the card's size in the block
// descriptor of its MODE SENSE(6) reply.
#pragma once

#include "platform/win/layouts/scsi_layout.h"

#include <cstdint>
#include <span>

namespace pradvik {

// The READ CAPACITY answer the descriptor stands for: the block count's low 24 bits (the
// density code above them is no part of it) less one as the last block, and the block length.
// A reply too short to hold the descriptor gives zeros.
void CapacityFromDescriptor(std::span<const std::uint8_t> mode,
                            std::span<std::uint8_t, win::read_capacity::kSize> capacity);

}  // namespace pradvik

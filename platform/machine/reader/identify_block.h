// The IDENTIFY DEVICE block a simulated reader answers (platform/win/layouts/identify_layout.h):
// its serial number, firmware revision and model, the card's sectors and flags.
#pragma once

#include "platform/machine/cards/card_media.h"
#include "platform/win/layouts/identify_layout.h"

#include <array>
#include <cstdint>

namespace machine {

std::array<std::uint8_t, win::identify_layout::kSize> ReaderIdentifyData(const ReaderDescription& reader,
                                                                         const CardMedia* card);

}  // namespace machine

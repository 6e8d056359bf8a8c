// The erase pass of the low-level format: every physical block once, judged (quick format) or
// tested (full format), erased when usable, with the bad-block list kept and the format stopped
// when a zone or segment holds more bad blocks than the card's logical layout can spare.
#pragma once

#include "formatlib/flash/format_context.h"

#include <cstdint>

namespace pradvik {

// 1 when every block was handled; 0 when the format must stop (a message was shown, or the user
// chose Abort).
int EraseAllBlocks(const FormatContext& context, std::uint8_t fullFormat);

// Blocks the card information structure search examines.
std::uint32_t CisSearchBlocks(std::uint8_t mediaCode);

}  // namespace pradvik

// The erase pass of the low-level format: every physical block once, judged (quick format) or
// tested (full format), erased when usable, with the bad-block list kept and the format stopped
// when a zone or segment holds more bad blocks than the card's logical layout can spare.
#pragma once

#include "formatlib/flash/format_context.h"

#include <cstdint>
#include <optional>

namespace pradvik {

// 1 when every block was handled; 0 when the format must stop (a message was shown, or the user
// chose Abort). keptCisBlock, when given, is passed over: the block whose card information
// structure is written back in place; on the IDE road it is erased once the pass is done.
int EraseAllBlocks(const FormatContext& context, std::uint8_t fullFormat, std::optional<std::uint32_t> keptCisBlock);

// Blocks the card information structure search examines.
std::uint32_t CisSearchBlocks(std::uint8_t mediaCode);

}  // namespace pradvik

// The erase pass of the low-level format: every physical block once, judged (quick format) or
// tested (full format), erased when usable, with the bad-block list kept and the format stopped
// when a zone or segment holds more bad blocks than the card's logical layout can spare.
#pragma once

#include "formatlib/flash/format_context.h"

#include <cstdint>
#include <optional>

namespace pradvik {

// The block whose card information structure is written back in place, and whether it must be
// erased first: on the IDE road always, and on every road when the structure's page was
// corrected (a corrected bit cannot be programmed back over the page that lost it).
struct KeptCisBlock {
  std::uint32_t block = 0;
  bool erase = false;
};

// 1 when every block was handled; 0 when the format must stop (a message was shown, or the user
// chose Abort). The kept block, when given, is passed over, and erased once the pass is done if
// it must be.
int EraseAllBlocks(const FormatContext& context, std::uint8_t fullFormat, std::optional<KeptCisBlock> keptCis);

// Blocks the card information structure search examines.
std::uint32_t CisSearchBlocks(std::uint8_t mediaCode);

}  // namespace pradvik

// The newer Memory Stick readers settle the card's boot blocks before the erase pass: a copy of
// the first boot block met is kept and written into block 0 when block 0 holds none, and boot
// blocks beyond the first two are erased. A format stopped during the erase pass then still
// leaves the card its boot blocks at 0 and 1.
#pragma once

#include "formatlib/flash/format_context.h"

namespace pradvik {

// 0 when a block's extra data could not be read. Afterwards the disabled-block list and the
// boot-block state are empty again: the erase pass finds the boot blocks anew.
int SettleStickBootBlocks(const FormatContext& context);

}  // namespace pradvik

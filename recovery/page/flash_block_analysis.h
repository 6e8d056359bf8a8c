// The analysis of a raw flash card's physical blocks as the recovery run shows it: the block
// map built while the modeless progress dialog ("Analysing Physical blocks") counts the blocks,
// its Cancel asking "Do you really want to cancel this operation?" before the build stops.
#pragma once

#include "platform/ui/windows/cwnd.h"
#include "recovery/flash_block_map.h"

namespace recovery {

// owner: the window the dialog disables while it runs (null: the main window).
BlockMapEnd AnalyseFlashBlocks(FlashBlockMap& map, FlashReads& reads, ui::CWnd* owner);

}  // namespace recovery

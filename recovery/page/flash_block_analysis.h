// The analysis of a raw flash card's physical blocks as the recovery run shows it: the block
// map built while the modeless progress dialog ("Analysing Physical blocks") counts the blocks,
// its Cancel asking "Do you really want to cancel this operation?" before the build stops.
#pragma once

#include "platform/ui/windows/cwnd.h"
#include "recovery/flash_block_map.h"
#include "recovery/recovery_observer.h"

namespace recovery {

// owner: the window the dialog disables while it runs (null: the main window). A block that
// cannot be read is put to asker as a failed read of the run (null: left out unasked).
BlockMapEnd AnalyseFlashBlocks(FlashBlockMap& map, FlashReads& reads, ui::CWnd* owner, RecoveryObserver* asker);

}  // namespace recovery

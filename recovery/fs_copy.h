// The copy of the files that the deleted directory entries describe, into the output folder.
#pragma once

#include "recovery/carve_state.h"
#include "recovery/deleted_entries.h"
#include "recovery/recovery_fat.h"

namespace recovery {

// Copies every listed entry's data (its first cluster onward, contiguously: the FAT chain of a
// deleted file is gone) under its own name, sanitised and never over an existing file. volumeStart
// is the card sector of the volume's boot sector. Answers false when the run was cancelled.
bool CopyFsRecoveredEntries(CarveState& state, const DeletedEntryList& list, const BootFacts& facts,
                            std::uint64_t volumeStart);

}  // namespace recovery

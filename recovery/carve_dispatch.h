// The sector step of the raw scan: the header tests that open a file for a unit that starts a
// known file, and the hand-over of every other unit to the open file's writer.
#pragma once

#include "recovery/carve_state.h"

namespace recovery {

// One unit of the scan, at card sector state.currentSector.
void SectorStep(CarveState& state, Unit unit);

// Hands a unit that opened no file to the open file's writer.
void ContinueCarve(CarveState& state, Unit unit);

// Calls the writer of the open type for the header unit that just opened it.
void WriteHeaderUnit(CarveState& state, Unit unit);

}  // namespace recovery

// The header tests of the raw scan, in their fixed order: fixed-offset magics first, the tests
// that look further into the sector last. A match closes the open file, and opens a new one when
// the type is selected.
#pragma once

#include "recovery/carve_state.h"

namespace recovery {

// True when the unit is done: a file was opened (and the unit written to it), or the unit was
// consumed by a test that opens nothing (an unselected Kodak or Olympus header).
bool RunHeaderTests(CarveState& state, Unit unit);

}  // namespace recovery

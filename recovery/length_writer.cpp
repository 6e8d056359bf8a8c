#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"

namespace recovery {

void LengthFromHeaderWriter(CarveState& state, Unit unit) {
  if (state.carveLength > unit.size()) {
    WriteCarved(state, unit);
    state.carveLength -= static_cast<std::uint32_t>(unit.size());
    return;
  }
  WriteCarved(state, unit.first(state.carveLength));
  state.carveLength = 0;
  FinishCarvedFile(state, state.openType);
}

}  // namespace recovery

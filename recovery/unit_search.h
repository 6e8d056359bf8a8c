// Searching a unit for a writer's marker, also where the marker began in the unit before: the
// writers keep the last bytes of each unit (CarveState::carry), so a marker cut by a sector
// boundary is still found, and nothing is ever read outside the unit or the kept bytes.
#pragma once

#include "recovery/carve_state.h"

#include <cstdint>
#include <optional>
#include <span>

namespace recovery {

using Marker = std::span<const std::uint8_t>;

inline constexpr long kFromStraddling = -0x7FFFFFFFL;

// Position of the first marker at or after from whose need bytes (at least the marker) are all
// in hand, or nullopt. Negative positions began in the kept bytes of the previous unit; by
// default the search starts with the positions whose window the previous unit could not hold.
std::optional<long> FindAcross(const CarveState& state, Unit unit, Marker marker, long from = kFromStraddling,
                               std::size_t need = 0);

// Cuts or completes the file so that it ends at position end of this unit (negative: inside the
// units already written), then closes and keeps it.
void EndFileAtPosition(CarveState& state, Unit unit, long end);

// The byte at pos (negative positions are kept bytes), or nullopt outside both.
std::optional<std::uint8_t> ByteAcross(const CarveState& state, Unit unit, long pos);

// Keeps the last bytes of unit for the next call.
void KeepTail(CarveState& state, Unit unit);

// The file ends end bytes into this unit (end may lie past it: the rest is copied from the next
// units before the file is closed). The file is kept.
void EndFileAt(CarveState& state, Unit unit, std::uint64_t end);

// A unit while an end record is still being copied: true when it was taken.
bool CopyPendingTail(CarveState& state, Unit unit);

template <std::size_t N>
constexpr std::span<const std::uint8_t> Bytes(const char (&text)[N]) {
  return {reinterpret_cast<const std::uint8_t*>(text), N - 1};
}

}  // namespace recovery

#include "recovery/unit_search.h"

#include "recovery/carve_files.h"

#include <algorithm>
#include <cstring>

namespace recovery {

std::optional<std::uint8_t> ByteAcross(const CarveState& state, Unit unit, long pos) {
  if (pos >= 0) {
    if (static_cast<std::size_t>(pos) < unit.size()) return unit[static_cast<std::size_t>(pos)];
    return std::nullopt;
  }
  const long kept = static_cast<long>(state.carryLength);
  if (-pos > kept) return std::nullopt;
  return state.carry[static_cast<std::size_t>(kept + pos)];
}

std::optional<long> FindAcross(const CarveState& state, Unit unit, Marker marker, long from, std::size_t need) {
  if (marker.empty()) return std::nullopt;
  need = std::max(need, marker.size());
  const long width = static_cast<long>(marker.size());
  const long window = static_cast<long>(need);
  if (from == kFromStraddling) from = -(window - 1);
  // Markers that begin in the kept bytes.
  for (long start = std::max(from, -static_cast<long>(state.carryLength)); start < 0; ++start) {
    if (start + window > static_cast<long>(unit.size())) break;
    bool same = true;
    for (long k = 0; k < width && same; ++k) {
      const auto byte = ByteAcross(state, unit, start + k);
      same = byte && *byte == marker[static_cast<std::size_t>(k)];
    }
    if (same) return start;
  }
  const std::size_t n = unit.size();
  std::size_t pos = static_cast<std::size_t>(std::max(from, 0L));
  while (pos + need <= n) {
    const void* hit = std::memchr(unit.data() + pos, marker[0], n - need + 1 - pos);
    if (!hit) break;
    pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - unit.data());
    if (std::memcmp(unit.data() + pos, marker.data(), marker.size()) == 0) return static_cast<long>(pos);
    ++pos;
  }
  return std::nullopt;
}

void KeepTail(CarveState& state, Unit unit) {
  const std::size_t take = std::min(unit.size(), state.carry.size());
  if (take < state.carry.size()) {
    // A short unit: keep what is left of the older bytes in front of it.
    const std::size_t old = std::min(state.carryLength, state.carry.size() - take);
    std::memmove(state.carry.data(), state.carry.data() + state.carryLength - old, old);
    std::memcpy(state.carry.data() + old, unit.data(), take);
    state.carryLength = old + take;
    return;
  }
  std::memcpy(state.carry.data(), unit.data() + unit.size() - take, take);
  state.carryLength = take;
}

void EndFileAt(CarveState& state, Unit unit, std::uint64_t end) {
  state.carveKeep = true;
  if (end <= unit.size()) {
    WriteCarved(state, unit.first(static_cast<std::size_t>(end)));
    CloseCarvedFile(state);
    return;
  }
  WriteCarved(state, unit);
  state.pendingTail = static_cast<std::uint32_t>(std::min<std::uint64_t>(end - unit.size(), UINT32_MAX));
}

void EndFileAtPosition(CarveState& state, Unit unit, long end) {
  if (end >= 0) {
    EndFileAt(state, unit, static_cast<std::uint64_t>(end));
    return;
  }
  const std::uint64_t back = static_cast<std::uint64_t>(-end);
  state.output.CutTo(state.output.Length() > back ? state.output.Length() - back : 0);
  state.carveKeep = true;
  CloseCarvedFile(state);
}

bool CopyPendingTail(CarveState& state, Unit unit) {
  if (state.pendingTail == 0 || !state.carveFileOpen) return false;
  const std::uint32_t take = std::min<std::uint32_t>(state.pendingTail, static_cast<std::uint32_t>(unit.size()));
  WriteCarved(state, unit.first(take));
  state.pendingTail -= take;
  if (state.pendingTail == 0) CloseCarvedFile(state);
  return true;
}

}  // namespace recovery

#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"
#include "recovery/unit_search.h"

namespace recovery {

namespace {

// "TAG" followed by 29 title bytes that are printable ASCII or NUL.
bool IsTagBlock(const CarveState& state, Unit unit, long at) {
  for (long k = 3; k < 32; ++k) {
    const auto byte = ByteAcross(state, unit, at + k);
    if (!byte || (*byte != 0 && (*byte < 0x20 || *byte > 0x7E))) return false;
  }
  return true;
}

}  // namespace

void Mp3Writer(CarveState& state, Unit unit) {
  const Marker tag = Bytes("TAG");
  for (auto at = FindAcross(state, unit, tag, kFromStraddling, 32); at;
       at = FindAcross(state, unit, tag, *at + 1, 32)) {
    if (IsTagBlock(state, unit, *at)) {
      EndFileAtPosition(state, unit, *at + 128);
      return;
    }
  }
  WriteCarved(state, unit);
  KeepTail(state, unit);
}

}  // namespace recovery

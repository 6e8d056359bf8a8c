#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"
#include "recovery/unit_search.h"

#include <algorithm>

namespace recovery {

namespace {

std::uint64_t ReadAcross(const CarveState& state, Unit unit, long at, int width, bool bigEndian) {
  std::uint64_t value = 0;
  for (int k = 0; k < width; ++k) {
    const int index = bigEndian ? k : width - 1 - k;
    value = (value << 8) | ByteAcross(state, unit, at + index).value_or(0);
  }
  return value;
}

}  // namespace

// Track chunks are counted down byte by byte as the file goes by; a further "MTrk" beyond the
// announced number ends the file before it. The last 7 positions of a unit wait for the next
// unit, where a chunk head cut by the unit's end is whole.
void CarveMidi(CarveState& state, Unit unit, bool firstCall) {
  constexpr long kHead = 8;
  const long n = static_cast<long>(unit.size());
  if (firstCall) {
    const std::uint32_t tracks = n >= 12 ? (std::uint32_t{unit[10]} << 8) | unit[11] : 0;
    state.midiTracksLeft = tracks == 0xFFFF ? 1 : tracks + 1;
  }
  long i = firstCall ? 0 : -std::min<long>(kHead - 1, static_cast<long>(state.carryLength));
  const long limit = n - (kHead - 1);
  while (state.midiTracksLeft != 0 && i < limit) {
    const auto track = FindAcross(state, unit, Bytes("MTrk"), i, kHead);
    const long next = track ? *track : limit;
    if (state.midiTracksLeft == 1) {
      // The last chunk runs out at i + bytesLeft.
      if (state.midiBytesLeft == 0) {
        EndFileAtPosition(state, unit, i);
        return;
      }
      if (state.midiChunkLength != 0 && static_cast<std::uint64_t>(next - i) > state.midiBytesLeft) {
        EndFileAtPosition(state, unit, i + static_cast<long>(state.midiBytesLeft));
        return;
      }
    }
    if (state.midiChunkLength != 0) state.midiBytesLeft -= static_cast<std::uint32_t>(next - i);
    i = next;
    if (!track) break;
    state.midiChunkLength = static_cast<std::uint32_t>(ReadAcross(state, unit, next + 4, 4, true));
    state.midiBytesLeft = state.midiChunkLength + 8;
    if (--state.midiTracksLeft == 0) {
      EndFileAtPosition(state, unit, next);
      return;
    }
    if (state.midiChunkLength != 0) --state.midiBytesLeft;
    ++i;
  }
  if (state.midiBytesLeft == 0 && state.midiTracksLeft == 1) state.carveKeep = true;
  WriteCarved(state, unit);
  KeepTail(state, unit);
}

void CarveQuickTime(CarveState& state, Unit unit) {
  static constexpr const char* kAtoms[] = {"mdat", "moov", "free", "skip", "wide"};
  const long n = static_cast<long>(unit.size());
  long i = -static_cast<long>(state.carryLength);
  if (state.atomBytesLeft > 0) i = 0;
  while (i < n) {
    if (state.atomBytesLeft > 0) {
      const std::uint64_t skip = std::min<std::uint64_t>(state.atomBytesLeft, static_cast<std::uint64_t>(n - i));
      state.atomBytesLeft -= skip;
      i += static_cast<long>(skip);
      continue;
    }
    // An atom boundary: its size and type, and for size 1 the 64-bit size, must be in hand.
    if (!ByteAcross(state, unit, i + 7)) break;
    bool known = false;
    for (const char* atom : kAtoms) {
      bool same = true;
      for (int k = 0; k < 4 && same; ++k)
        same = ByteAcross(state, unit, i + 4 + k) == static_cast<std::uint8_t>(atom[k]);
      known = known || same;
    }
    const std::uint64_t size = ReadAcross(state, unit, i, 4, true);
    if (!known || size == 0) {
      EndFileAtPosition(state, unit, i);
      return;
    }
    if (size == 1 && !ByteAcross(state, unit, i + 15)) break;
    state.atomBytesLeft = size == 1 ? ReadAcross(state, unit, i + 8, 8, true) : size;
    if (state.atomBytesLeft == 0) {
      EndFileAtPosition(state, unit, i);
      return;
    }
  }
  WriteCarved(state, unit);
  // Keep what an undecided boundary needs from this unit.
  if (state.atomBytesLeft == 0) {
    const std::size_t keep = static_cast<std::size_t>(std::clamp<long>(n - i, 0, 16));
    state.carryLength = 0;
    KeepTail(state, unit.last(keep));
  } else {
    state.carryLength = 0;
  }
}

// The root directory of the heap: a 16-bit count before the record of tag 0x2005 (raw data at
// offset 0 of the heap), 10-byte records and a 32-bit value that closes the file.
void CarveCrw(CarveState& state, Unit unit) {
  const long n = static_cast<long>(unit.size());
  if (state.carveKeep) {
    if (state.carveLength <= unit.size()) {
      WriteCarved(state, unit.first(state.carveLength));
      FinishCarvedFile(state, kCrw);
      return;
    }
    WriteCarved(state, unit);
    state.carveLength -= static_cast<std::uint32_t>(n);
    return;
  }
  const bool big = state.tiffBigEndian;
  const std::uint8_t tag[2] = {static_cast<std::uint8_t>(big ? 0x20 : 0x05),
                               static_cast<std::uint8_t>(big ? 0x05 : 0x20)};
  for (auto at = FindAcross(state, unit, tag, kFromStraddling, 10); at;
       at = FindAcross(state, unit, tag, *at + 1, 10)) {
    const std::uint64_t offset = ReadAcross(state, unit, *at + 6, 4, big);
    const std::uint64_t size = ReadAcross(state, unit, *at + 2, 4, big);
    if (offset != 0 || size >= state.carveLength || !ByteAcross(state, unit, *at - 2)) continue;
    const std::uint64_t count = ReadAcross(state, unit, *at - 2, 2, big);
    const long end = *at + static_cast<long>(10 * count + 4);
    state.carveKeep = true;
    if (end < n) {
      EndFileAtPosition(state, unit, end);
      return;
    }
    WriteCarved(state, unit);
    state.carveLength = static_cast<std::uint32_t>(end - n);
    return;
  }
  WriteCarved(state, unit);
  state.carveLength += static_cast<std::uint32_t>(n);
  KeepTail(state, unit);
}

}  // namespace recovery

#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"
#include "platform/win/layouts/byte_order.h"
#include "recovery/unit_search.h"

#include <algorithm>
#include <cstring>
#include <vector>

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
// announced number ends the file before it. A chunk head cut by the unit's end is read whole
// from the next unit; but the last track running out in those last positions ends the file
// here, with the bytes beyond the unit taken as no chunk head: the next unit may be another
// file's header, and this writer would never see it.
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
  if (state.midiTracksLeft == 1 && (state.midiChunkLength != 0 || state.midiBytesLeft == 0) &&
      i + static_cast<long>(state.midiBytesLeft) <= n) {
    const long end = i + static_cast<long>(state.midiBytesLeft);
    const auto head = FindAcross(state, unit, Bytes("MTrk"), i, 4);
    EndFileAtPosition(state, unit, head && *head < end ? *head : end);
    return;
  }
  WriteCarved(state, unit);
  KeepTail(state, unit);
}

// An atom head (size, type, and for size 1 its 64-bit size) that the unit's end cuts is held
// back, unwritten, until the next unit completes it. Meanwhile the file counts as ending before
// that head: when the next unit is another file's header, this writer is not called again and
// the file is kept as it stands.
void CarveQuickTime(CarveState& state, Unit unit) {
  static constexpr const char* kAtoms[] = {"mdat", "moov", "free", "skip", "wide"};
  std::vector<std::uint8_t> joined;
  Unit data = unit;
  if (state.carryLength > 0) {
    joined.assign(state.carry.begin(), state.carry.begin() + static_cast<long>(state.carryLength));
    joined.insert(joined.end(), unit.begin(), unit.end());
    data = joined;
    state.carryLength = 0;
  }
  const std::size_t n = data.size();
  std::size_t i = 0;
  while (i < n) {
    if (state.atomBytesLeft > 0) {
      const std::uint64_t skip = std::min<std::uint64_t>(state.atomBytesLeft, n - i);
      state.atomBytesLeft -= skip;
      i += static_cast<std::size_t>(skip);
      continue;
    }
    if (n - i < 8) break;
    bool known = false;
    for (const char* atom : kAtoms) known = known || std::memcmp(data.data() + i + 4, atom, 4) == 0;
    const std::uint64_t size = win::ReadBe32(data, i);
    if (!known || size == 0) {
      EndFileAt(state, data, i);
      return;
    }
    if (size == 1 && n - i < 16) break;
    state.atomBytesLeft =
        size == 1 ? std::uint64_t{win::ReadBe32(data, i + 8)} << 32 | win::ReadBe32(data, i + 12) : size;
    if (state.atomBytesLeft == 0) {
      EndFileAt(state, data, i);
      return;
    }
  }
  const bool atBoundary = state.atomBytesLeft == 0;
  WriteCarved(state, atBoundary ? data.first(i) : data);
  state.carveKeep = atBoundary;
  if (atBoundary) KeepTail(state, data.subspan(i));
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

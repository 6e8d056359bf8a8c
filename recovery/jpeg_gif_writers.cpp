#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"
#include "recovery/unit_search.h"

#include <algorithm>

namespace recovery {

namespace {

constexpr std::uint32_t kPictureLimit = 10485760;
constexpr std::uint32_t kX3fMostEntries = 4096;

// Copies the unit and records the length up to the first end marker in it.
void CopyRecordingEnd(CarveState& state, Unit unit, Marker marker) {
  if (const auto at = FindAcross(state, unit, marker)) {
    state.carveKeep = true;
    state.carveEndLength = static_cast<std::uint32_t>(static_cast<long>(state.carveLength) + *at + 2);
  }
  WriteCarved(state, unit);
  state.carveLength += static_cast<std::uint32_t>(unit.size());
  KeepTail(state, unit);
}

constexpr std::uint8_t kGifEnd[] = {0x00, 0x3B};
constexpr std::uint8_t kJpegEnd[] = {0xFF, 0xD9};

void FinishJpeg(CarveState& state) {
  state.jfifWalk = false;
  FinishCarvedFile(state, kJpg);
}

}  // namespace

void GifWriter(CarveState& state, Unit unit) { CopyRecordingEnd(state, unit, kGifEnd); }
void ExifJpegWriter(CarveState& state, Unit unit) { CopyRecordingEnd(state, unit, kJpegEnd); }

void JpegGifDispatcher(CarveState& state, Unit unit) {
  if (state.carveLength >= kPictureLimit) {
    // No end marker before the limit: the file is kept as written.
    if (!state.carveKeep) state.carveEndLength = state.carveLength;
    state.carveKeep = true;
    CloseCarvedFile(state);
    return;
  }
  if (state.openTypeMask == 0) return;
  if (state.openType == kGif) GifWriter(state, unit);
  if (state.openType == kJpg) ExifJpegWriter(state, unit);
}

// The walk keeps: carveLength, bytes of the current segment still to skip; carry, the bytes of a
// marker and its length read so far (a marker may be cut by the unit's end); jpegInScan.
void JfifJpegWriter(CarveState& state, Unit unit) {
  const std::size_t n = unit.size();
  std::size_t p = 0;
  while (p < n) {
    if (state.jpegInScan) {
      if (const auto end = FindAcross(state, unit, kJpegEnd, std::max<long>(static_cast<long>(p) - 1, -1))) {
        WriteCarved(state, unit.first(static_cast<std::size_t>(*end + 2)));
        FinishJpeg(state);
        return;
      }
      break;
    }
    if (state.carveLength > 0) {
      const std::size_t skip = std::min<std::size_t>(state.carveLength, n - p);
      p += skip;
      state.carveLength -= static_cast<std::uint32_t>(skip);
      continue;
    }
    // Reading a marker: two bytes, then its two length bytes unless it starts the scan.
    state.carry[state.carryLength++] = unit[p++];
    if (state.carryLength == 2 && state.carry[0] == 0xFF && state.carry[1] == 0xDA) {
      state.jpegInScan = true;
      state.carryLength = 0;
      continue;
    }
    if (state.carryLength == 4) {
      const std::uint32_t length = (std::uint32_t{state.carry[2]} << 8) | state.carry[3];
      state.carveLength = length >= 2 ? length - 2 : 0;
      state.carryLength = 0;
    }
  }
  WriteCarved(state, unit);
  if (state.jpegInScan) KeepTail(state, unit);
}

void X3fWriter(CarveState& state, Unit unit) {
  if (const auto at = FindAcross(state, unit, Bytes("SECd"), kFromStraddling, 12)) {
    std::uint32_t count = 0;
    for (int k = 3; k >= 0; --k) count = (count << 8) | *ByteAcross(state, unit, *at + 8 + k);
    // The directory header, its 12-byte entries and the directory pointer that closes the file.
    // A directory of more entries than any camera writes is not this file's end.
    if (count <= kX3fMostEntries) {
      EndFileAt(state, unit, static_cast<std::uint64_t>(*at + 16) + 12ull * count);
      return;
    }
  }
  WriteCarved(state, unit);
  KeepTail(state, unit);
}

}  // namespace recovery

#include "platform/win/files/files.h"
#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"
#include "recovery/tiff_walk.h"

#include <algorithm>

namespace recovery {

namespace {

// The RAW type a maker flag names, or -1 for a plain TIFF.
int MakerType(const CarveState& state) {
  if (state.makerNikon) return kNef;
  if (state.makerKodak) return state.kodakDcMark ? kKdc : kDcr;
  if (state.makerSony) return kSrf;
  if (state.makerPentax) return kPef;
  return -1;
}

void FinishTiff(CarveState& state) {
  const int makerType = MakerType(state);
  const bool olympus = state.orfHeaderMark;
  const int openType = state.openType;
  std::string path = CloseKeptFile(state);
  if (makerType < 0 && !olympus && !state.IsSelected(kTif)) {
    win::DeleteFileA(path.c_str());
    return;
  }
  int countType = olympus ? kOrf : kTif;
  if (makerType >= 0) {
    countType = makerType;
    if (openType == kTif && !olympus) {
      const std::string renamed = NumberedPath(state, makerType);
      if (win::MoveFileA(path.c_str(), renamed.c_str())) path = renamed;
    }
  }
  ReportKeptFile(state, path, countType);
}

// IFD0's bytes: from the unit when they lie in it, else from the medium.
std::vector<std::uint8_t> Ifd0Bytes(const CarveState& state, const TiffWalk& walk, Unit unit, std::size_t at) {
  if (at + 2 <= unit.size()) {
    const std::size_t count =
        state.tiffBigEndian ? (std::size_t{unit[at]} << 8) | unit[at + 1] : (std::size_t{unit[at + 1]} << 8) | unit[at];
    if (at + 2 + 12 * count + 4 <= unit.size())
      return {unit.begin() + static_cast<long>(at), unit.begin() + static_cast<long>(at + 2 + 12 * count + 4)};
  }
  if (auto head = walk.ReadFileBytes(state.tiffEndSoFar, 2)) {
    const std::size_t count =
        state.tiffBigEndian ? (std::size_t{(*head)[0]} << 8) | (*head)[1] : (std::size_t{(*head)[1]} << 8) | (*head)[0];
    if (auto whole = walk.ReadFileBytes(state.tiffEndSoFar, 2 + 12 * count + 4)) return *whole;
  }
  // Neither: the part of the directory that is in hand.
  if (at < unit.size()) return {unit.begin() + static_cast<long>(at), unit.end()};
  return {};
}

}  // namespace

bool CarveTiff(CarveState& state, Unit unit) {
  const std::size_t n = unit.size();
  std::size_t at = n;
  if (state.carveLength > n) {
    WriteCarved(state, unit);
    state.carveLength -= static_cast<std::uint32_t>(n);
  } else {
    at = state.carveLength;
    WriteCarved(state, unit.first(at));
    state.carveLength = 0;
  }
  if (state.carveLength == 0 && !state.tiffIfdSeen) {
    TiffWalk walk(state);
    if (!walk.SizeFile(Ifd0Bytes(state, walk, unit, at))) return false;
    const std::size_t take = std::min<std::size_t>(state.carveLength, n - std::min(at, n));
    WriteCarved(state, unit.subspan(std::min(at, n), take));
    state.carveLength -= static_cast<std::uint32_t>(take);
  }
  if (state.carveLength == 0 && state.tiffIfdSeen) FinishTiff(state);
  return true;
}

}  // namespace recovery

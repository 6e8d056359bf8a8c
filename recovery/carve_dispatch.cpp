#include "recovery/carve_dispatch.h"

#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"
#include "recovery/header_tests.h"
#include "recovery/unit_search.h"

#include <algorithm>

namespace recovery {

namespace {

bool IsLengthType(int code) {
  switch (code) {
    case kAif:
    case kAvi:
    case kWav:
    case kBmp:
    case kCur:
    case kIco:
    case kSnd:
    case kWmf:
    case kWmv:
    case kRaf:
    case kMrw:
    case kMsf:
    case kMsv:
    case kPst: return true;
    default: return false;
  }
}

void Write(CarveState& state, Unit unit, bool header) {
  const int code = state.openType;
  if (IsLengthType(code)) {
    if (state.carveLength != 0 || header) LengthFromHeaderWriter(state, unit);
    return;
  }
  switch (code) {
    case kPpt: OleDocumentWriter(state, unit); return;
    case kGif:
    case kJpg:
      if (state.jfifWalk)
        JfifJpegWriter(state, unit);
      else if (header)
        code == kGif ? GifWriter(state, unit) : ExifJpegWriter(state, unit);
      else
        JpegGifDispatcher(state, unit);
      return;
    case kX3f: X3fWriter(state, unit); return;
    case kMp3: Mp3Writer(state, unit); return;
    case kTif:
      if (!CarveTiff(state, unit)) {
        state.carveKeep = false;
        state.orfFile = false;
        CloseCarvedFile(state);
      }
      return;
    case kMid: CarveMidi(state, unit, header); return;
    case kMov: CarveQuickTime(state, unit); return;
    case kCrw: CarveCrw(state, unit); return;
    case kZip: CarveZip(state, unit); return;
    case kMpg: CarveMpeg(state, unit); return;
    case kPdf: CarvePdf(state, unit); return;
    case kAsx: CarveAsx(state, unit); return;
    case kPng: CarvePng(state, unit); return;
    case kDoc: CarveDoc(state, unit); return;
    case kRtf: CarveRtf(state, unit); return;
    default: return;
  }
}

bool IsZero(Unit unit) {
  return unit.empty() || (unit[0] == 0 && std::equal(unit.begin() + 1, unit.end(), unit.begin()));
}

}  // namespace

void ContinueCarve(CarveState& state, Unit unit) {
  if (state.carveFileOpen && state.openTypeMask != 0) Write(state, unit, false);
}

void WriteHeaderUnit(CarveState& state, Unit unit) { Write(state, unit, true); }

void SectorStep(CarveState& state, Unit unit) {
  if (CopyPendingTail(state, unit)) return;
  if (!state.carveFileOpen && IsZero(unit)) return;
  if (RunHeaderTests(state, unit)) return;
  ContinueCarve(state, unit);
}

}  // namespace recovery

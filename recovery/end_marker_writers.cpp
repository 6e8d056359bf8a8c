#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"
#include "recovery/unit_search.h"

#include <algorithm>

namespace recovery {

namespace {

// The common shape: the file ends length bytes after the first byte of the first marker.
void EndAtMarker(CarveState& state, Unit unit, Marker marker, long length) {
  if (const auto at = FindAcross(state, unit, marker)) {
    EndFileAtPosition(state, unit, *at + length);
    return;
  }
  WriteCarved(state, unit);
  KeepTail(state, unit);
}

constexpr std::uint8_t kZipEnd[] = {0x50, 0x4B, 0x05, 0x06};
constexpr std::uint8_t kMpegEnd[] = {0x00, 0x00, 0x01, 0xB9};
constexpr std::uint8_t kPngEnd[] = {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
constexpr std::uint8_t kDocEnd[] = {0xF4, 0x39, 0xB2, 0x71};

}  // namespace

void CarveZip(CarveState& state, Unit unit) { EndAtMarker(state, unit, kZipEnd, 22); }
void CarveMpeg(CarveState& state, Unit unit) { EndAtMarker(state, unit, kMpegEnd, 4); }
void CarvePng(CarveState& state, Unit unit) { EndAtMarker(state, unit, kPngEnd, 8); }
void CarveDoc(CarveState& state, Unit unit) { EndAtMarker(state, unit, kDocEnd, 4); }

void CarveAsx(CarveState& state, Unit unit) {
  const auto upper = FindAcross(state, unit, Bytes("</ASX>"));
  const auto lower = FindAcross(state, unit, Bytes("</asx>"));
  if (upper || lower) {
    const long at = upper && lower ? std::min(*upper, *lower) : upper ? *upper : *lower;
    EndFileAtPosition(state, unit, at + 6);
    return;
  }
  WriteCarved(state, unit);
  KeepTail(state, unit);
}

void CarvePdf(CarveState& state, Unit unit) {
  const Marker marker = Bytes("%%EOF\r");
  for (auto at = FindAcross(state, unit, marker); at; at = FindAcross(state, unit, marker, *at + 1)) {
    state.carveKeep = true;
    if (state.pdfEofCount == 1) {
      state.pdfEofCount = 0;
      EndFileAtPosition(state, unit, *at + 6);
      return;
    }
    ++state.pdfEofCount;
  }
  WriteCarved(state, unit);
  KeepTail(state, unit);
}

void CarveRtf(CarveState& state, Unit unit) {
  const long n = static_cast<long>(unit.size());
  const std::uint64_t written = state.output.Length();
  for (long i = 0; i < n; ++i) {
    if (state.rtfTailCount >= 16) {
      // The marker stood; the file ends right behind it (the NUL bytes were the card's slack).
      state.rtfMarkerSeen = false;
      state.rtfTailCount = 0;
      const long end =
          static_cast<long>(static_cast<std::int64_t>(state.rtfMarkerLength) - static_cast<std::int64_t>(written));
      EndFileAtPosition(state, unit, end);
      return;
    }
    if (!state.rtfMarkerSeen) {
      const auto rest = unit.subspan(static_cast<std::size_t>(i));
      const auto matches = [&rest](Marker marker) {
        return rest.size() >= marker.size() && std::equal(marker.begin(), marker.end(), rest.begin());
      };
      const std::uint32_t length = matches(Bytes("\\par }}")) ? 7 : matches(Bytes("\\par }")) ? 6 : 0;
      if (length != 0) {
        state.carveKeep = true;
        state.rtfMarkerSeen = true;
        state.rtfTailCount = 1;
        // rtfMarkerLength holds where the marker ends in the file.
        state.rtfMarkerLength = static_cast<std::uint32_t>(written + static_cast<std::uint64_t>(i) + length);
        state.rtfMarkerEndCount = length;
        continue;
      }
      continue;
    }
    if (state.rtfTailCount < state.rtfMarkerEndCount) {
      ++state.rtfTailCount;
    } else if (unit[static_cast<std::size_t>(i)] == 0) {
      ++state.rtfTailCount;
    } else {
      state.rtfMarkerSeen = false;
      state.rtfTailCount = 0;
    }
  }
  WriteCarved(state, unit);
}

}  // namespace recovery

#include "recovery/header_tests.h"

#include "recovery/carve_dispatch.h"
#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace recovery {

namespace {

constexpr std::size_t kCopyBytes = 172;

// Bounded reads of the sector: a field outside it reads as 0, so no test looks past the unit.
struct Sector {
  Unit bytes;
  std::uint32_t U8(std::size_t at) const { return at < bytes.size() ? bytes[at] : 0; }
  std::uint32_t Le16(std::size_t at) const { return U8(at) | U8(at + 1) << 8; }
  std::uint32_t Be16(std::size_t at) const { return U8(at) << 8 | U8(at + 1); }
  std::uint32_t Le32(std::size_t at) const { return Le16(at) | Le16(at + 2) << 16; }
  std::uint32_t Be32(std::size_t at) const { return Be16(at) << 16 | Be16(at + 2); }
  std::uint32_t U32(std::size_t at, bool big) const { return big ? Be32(at) : Le32(at); }
  std::uint32_t U16(std::size_t at, bool big) const { return big ? Be16(at) : Le16(at); }
  bool Is(std::size_t at, std::string_view text) const {
    return at + text.size() <= bytes.size() && std::memcmp(bytes.data() + at, text.data(), text.size()) == 0;
  }
  // The header copy (the first 172 bytes) holds text somewhere.
  bool CopyHolds(std::string_view text) const {
    const std::string_view copy(reinterpret_cast<const char*>(bytes.data()), std::min(bytes.size(), kCopyBytes));
    return copy.find(text) != std::string_view::npos;
  }
};

using namespace std::string_view_literals;

class HeaderTests {
 public:
  HeaderTests(CarveState& state, Unit unit) : state_(state), unit_(unit), s_{unit} {}
  bool Run();

 private:
  // Closes the open file; opens type code (named as nameCode) when selected, lets setup fill the
  // writer's fields and writes the header unit. False when nothing was opened.
  bool Open(int code, const std::function<void()>& setup = {}, int nameCode = -1) {
    if (state_.openTypeMask != 0 || state_.carveFileOpen) CloseCarvedFile(state_);
    if (!state_.IsSelected(nameCode < 0 ? code : nameCode) && !(code == kPpt && state_.IsSelected(kXls))) return false;
    if (!OpenCarvedFile(state_, code, nameCode < 0 ? code : nameCode)) return false;
    if (setup) setup();
    WriteHeaderUnit(state_, unit_);
    return true;
  }
  bool OpenWithLength(int code, std::uint64_t length) {
    // A length of nothing or beyond 4 GiB cannot be carved.
    if (length == 0 || length > UINT32_MAX) return false;
    return Open(code, [&] { state_.carveLength = static_cast<std::uint32_t>(length); });
  }
  bool Riff();
  bool IconDirectory(std::uint32_t kind, int code);
  bool Tiff(bool kodak);
  bool Raf();
  bool Mrw();
  bool JpegAllowed() const { return !InsideCameraExtent(); }
  // A camera file is open and its end is known and not yet reached: a JPEG header here is the
  // file's own preview. While the end is unknown (a truncated file), a photograph's header ends
  // the camera file instead of being swallowed by it.
  bool InsideCameraExtent() const {
    if (!state_.rawContainerOpen) return false;
    switch (state_.openType) {
      case kTif: return state_.tiffIfdSeen && state_.carveLength != 0;
      case kCrw: return state_.carveKeep && state_.carveLength != 0;
      case kRaf:
      case kMrw: return state_.carveLength != 0;
      default: return false;  // X3F: the rest up to its end is copied before any header test
    }
  }

  CarveState& state_;
  Unit unit_;
  Sector s_;
};

bool HeaderTests::Riff() {
  if (s_.Le32(4) == 0) return false;
  const std::uint64_t length = std::uint64_t{s_.Le32(4)} + 8;
  if (s_.Is(8, "AVI LIST")) return OpenWithLength(kAvi, length);
  if (s_.Is(8, "WAVE")) return OpenWithLength(kWav, length);
  return false;
}

bool HeaderTests::IconDirectory(std::uint32_t kind, int code) {
  if (s_.Le16(0) != 0 || s_.Le16(2) != kind) return false;
  const std::uint32_t count = s_.Le16(4);
  // The whole directory must lie in the sector.
  if (count == 0 || 6 + 16 * std::size_t{count} > unit_.size()) return false;
  std::uint64_t sum = 0;
  for (std::uint32_t e = 0; e < count; ++e) {
    const std::size_t at = 6 + 16 * std::size_t{e};
    if (s_.U8(at) == 0 || s_.U8(at + 1) == 0 || (s_.U8(at + 2) & 0x0F) != 0 || s_.U8(at + 3) != 0) return false;
    sum += s_.Le32(at + 8);
  }
  if (sum == 0) return false;
  return OpenWithLength(code, sum + 16ull * count + 6);
}

bool HeaderTests::Tiff(bool kodak) {
  const bool rs = s_.Is(2, "RS"), orLike = s_.Is(2, "OR") || rs;
  const bool exifOrf = s_.CopyHolds("\xFF\xD8\xFF\xE1\x38\x45\x45\x78\x69\x66"sv);
  const bool big = s_.Is(0, "MM");
  bool openAsOrf = false;
  if (kodak) {
    openAsOrf = orLike;
  } else {
    if (state_.carveFileOpen) CloseCarvedFile(state_);
    if (!state_.IsSelected(kDcr) && !state_.IsSelected(kNef) && !state_.IsSelected(kOrf) && !state_.IsSelected(kSrf) &&
        !state_.IsSelected(kPef) && !state_.IsSelected(kTif))
      return false;
    openAsOrf = orLike || exifOrf;
    if (openAsOrf && !state_.IsSelected(kOrf)) return true;
  }
  const bool orfFile = kodak ? state_.orfFile : (rs || exifOrf);
  const int nameCode = openAsOrf ? kOrf : kTif;
  if (!OpenCarvedFile(state_, kTif, nameCode)) return false;
  state_.kodakDcMark = kodak;
  state_.orfHeaderMark = openAsOrf;
  state_.orfFile = orfFile;
  state_.previewGuard = true;
  state_.rawContainerOpen = true;
  state_.tiffFirstUnit = state_.currentSector;
  state_.tiffBigEndian = big;
  state_.carveLength = state_.tiffEndSoFar = s_.U32(4, big);
  WriteHeaderUnit(state_, unit_);
  return true;
}

bool HeaderTests::Raf() {
  for (std::size_t i = 8; i + 16 <= unit_.size() && i < 256; ++i) {
    if (s_.U8(i) != 0xFF || s_.U8(i + 1) != 0xD8) continue;
    const bool ii = s_.Is(i + 12, "II") && s_.Le16(i + 14) == 42;
    const bool mm = s_.Is(i + 12, "MM") && s_.Be16(i + 14) == 42;
    if (!ii && !mm) continue;
    const std::uint64_t length = std::uint64_t{s_.U32(i - 8, mm)} + s_.U32(i - 4, mm);
    if (length == 0 || length > UINT32_MAX) return false;
    return Open(kRaf, [&] {
      state_.carveLength = static_cast<std::uint32_t>(length);
      state_.previewGuard = state_.rawContainerOpen = true;
    });
  }
  return false;
}

bool HeaderTests::Mrw() {
  bool big = true;
  for (std::size_t i = 0; i + 4 <= unit_.size(); ++i) {
    if (s_.Is(i, "II") && s_.Le16(i + 2) == 42) {
      big = false;
      break;
    }
    if (s_.Is(i, "MM") && s_.Be16(i + 2) == 42) break;
  }
  const std::size_t p = s_.U32(12, big);
  if (p > unit_.size() || unit_.size() - p < 9) return false;
  const std::uint64_t sensorH = s_.U16(p, big), sensorW = s_.U16(p + 2, big);
  const std::uint64_t imageH = s_.U16(p + 4, big), imageW = s_.U16(p + 6, big);
  if (!(imageH < sensorH && imageW < sensorW)) return false;
  const std::uint64_t pixels = sensorH * sensorW;
  const std::uint32_t bits = s_.U8(p + 8);
  if (bits != 12 && bits != 16) return false;
  const std::uint64_t image = bits == 16 ? pixels * 2 : pixels + pixels / 2 + 65536;
  const std::uint64_t length = image + s_.U16(6, big) + 8;
  if (length > UINT32_MAX) return false;
  return Open(kMrw, [&] {
    state_.carveLength = static_cast<std::uint32_t>(length);
    state_.previewGuard = state_.rawContainerOpen = true;
  });
}

bool HeaderTests::Run() {
  const bool zip = state_.insideZip;
  if (!zip && s_.Is(0, "FORM") && OpenWithLength(kAif, std::uint64_t{s_.Be32(4)} + 8)) return true;
  if (!zip && s_.Is(0, "BM") && s_.Le32(2) != 0 && s_.Le16(6) == 0 && s_.Le16(8) == 0 &&
      OpenWithLength(kBmp, s_.Le32(2)))
    return true;
  // RIFF with a zero size goes straight on to the MP3 test, as does a failing icon directory.
  bool skipToMp3 = false;
  if (s_.Is(0, "RIFF")) {
    if (s_.Le32(4) == 0)
      skipToMp3 = true;
    else if (!zip && Riff())
      return true;
  }
  if (!skipToMp3 && !zip && (IconDirectory(2, kCur) || IconDirectory(1, kIco))) return true;
  if (!zip && s_.Is(0, "ID3") && s_.U8(3) != 0xFF && s_.U8(4) != 0xFF &&
      ((s_.U8(6) | s_.U8(7) | s_.U8(8) | s_.U8(9)) & 0x80) == 0 && Open(kMp3))
    return true;
  // The Kodak mark belongs to the file its header opens (it names that file KDC); an unselected
  // Kodak header opens nothing and leaves the open file as it is.
  if (s_.Is(0, "MM") && s_.Is(470, "Kodak DC")) {
    if (!state_.IsSelected(kKdc)) return true;
    if (state_.carveFileOpen) CloseCarvedFile(state_);
    return Tiff(true);
  }
  const bool tiffMark = (s_.Is(0, "II") && (s_.Is(2, "\x2A\x00"sv) || s_.Is(2, "OR") || s_.Is(2, "RS"))) ||
                        (s_.Is(0, "MM") && (s_.Is(2, "\x00\x2A"sv) || s_.Is(2, "OR") || s_.Is(2, "RS")));
  if (!zip && ((tiffMark && s_.Le32(4) >= 8) || s_.CopyHolds("\xFF\xD8\xFF\xE1\x38\x45\x45\x78\x69\x66"sv)) &&
      Tiff(false))
    return true;
  // MID and SND inside a ZIP go on with the MOV test.
  if (s_.Is(0, "MThd") && !zip && Open(kMid)) return true;
  if (s_.Is(0, ".snd") && !zip && OpenWithLength(kSnd, std::uint64_t{s_.Be32(4)} + s_.Be32(8))) return true;
  if (!zip && s_.Is(0, "PK\x03\x04") && Open(kZip, [&] { state_.insideZip = true; })) return true;
  if (!zip && (s_.Is(4, "mdat") || s_.Is(4, "moov") || s_.Is(4, "free") || s_.Is(4, "skip") || s_.Is(4, "wide")) &&
      Open(kMov))
    return true;
  if (!zip && s_.Is(0, "GIF8") && Open(kGif)) return true;
  const bool jpeg = s_.U8(0) == 0xFF && s_.U8(1) == 0xD8 && JpegAllowed();
  if (!zip && jpeg && s_.Is(6, "JFIF")) {
    state_.previewGuard = false;
    if (Open(kJpg, [&] {
          state_.previewGuard = state_.jfifWalk = true;
          state_.jpegInScan = false;
          state_.carveLength = s_.Be16(4) + 4;
        }))
      return true;
  }
  if (!zip && jpeg && s_.Is(6, "Exif") && !s_.Is(2, "\xFF\xE1\x38\x45"sv)) {
    state_.previewGuard = false;
    if (Open(kJpg, [&] { state_.previewGuard = true; })) return true;
  }
  if (!zip && !state_.insideMpeg && s_.Is(1, "\x00\x01\xBA\x21"sv) && Open(kMpg, [&] { state_.insideMpeg = true; }))
    return true;
  bool skipToRtf = false;
  if (s_.Is(0, "%PDF")) {
    if (zip)
      skipToRtf = true;
    else if (Open(kPdf))
      return true;
  }
  if (!skipToRtf && s_.Le32(0) == 0x9AC6CDD7) {
    if (s_.Le16(4) == 0 && s_.Le32(16) == 0 && s_.Le16(22) == 1 && s_.Le16(24) == 9 && s_.Le32(28) != 0 &&
        s_.Le16(38) == 0) {
      if (OpenWithLength(kWmf, std::uint64_t{s_.Le32(28)} * 2 + 22)) return true;
    } else {
      skipToRtf = true;
    }
  }
  if (!skipToRtf && s_.Le16(0) == 1 && s_.Le16(2) == 9 && s_.Le32(6) != 0 && s_.Le16(16) == 0 && !state_.oleOpen &&
      OpenWithLength(kWmf, std::uint64_t{s_.Le32(6)} * 2))
    return true;
  if (!skipToRtf && s_.Le32(0) == 0x75B22630) {
    if (zip)
      skipToRtf = true;
    else if (OpenWithLength(kWmv, s_.Le32(70) != 0 ? s_.Le32(70) : s_.Le32(152)))
      return true;
  }
  if (!skipToRtf && !zip && (s_.Is(0, "<ASX") || s_.Is(0, "<asx")) && Open(kAsx)) return true;
  if (!skipToRtf && s_.Is(0, "\x89PNG")) {
    if (zip)
      skipToRtf = true;
    else if (Open(kPng))
      return true;
  }
  if (!skipToRtf && !zip && s_.Is(0, "\xD0\xCF\x11\xE0"sv) && !s_.Is(4, "\xA1\xB1\x1A\xE1"sv) && Open(kDoc))
    return true;
  if (!zip && s_.Is(0, "{\\rtf1") && Open(kRtf)) return true;
  if (!zip && s_.CopyHolds("FUJIFILMCCD-RAW") && Raf()) return true;
  if (!zip && (s_.Is(0, "II") || s_.Is(0, "MM")) && s_.Le32(2) != 0 && s_.Is(6, "HEAPCCDR") && Open(kCrw, [&] {
        state_.previewGuard = state_.rawContainerOpen = true;
        state_.tiffBigEndian = s_.Is(0, "MM");
        state_.carveKeep = false;
      }))
    return true;
  if (!zip && s_.U8(0) == 0 && s_.CopyHolds("MRM") && s_.Le16(6) != 0 && Mrw()) return true;
  if (!zip && s_.CopyHolds("MS_VOICE") && OpenWithLength(kMsv, std::uint64_t{s_.Be32(156)} + 1024)) return true;
  if (!zip && s_.CopyHolds("MSGL") && s_.Le32(8) == 0xFFFFFFFF && s_.Le32(12) == 0xFFFFFFFF &&
      OpenWithLength(kMsf, 0x8000))
    return true;
  if (!zip && jpeg && !state_.previewGuard && (s_.Le16(2) & 0xDBFF) == 0xDBFF &&
      Open(kJpg, [&] { state_.previewGuard = true; }))
    return true;
  if (s_.Is(0, "!BDN") && OpenWithLength(kPst, s_.Le32(168))) return true;
  if (!zip && jpeg && !state_.oleOpen && Open(kJpg, [&] { state_.previewGuard = true; })) return true;
  if (s_.CopyHolds("FOVb") && Open(kX3f, [&] { state_.previewGuard = state_.rawContainerOpen = true; })) return true;
  if (s_.Is(0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv)) {
    if (state_.carveFileOpen) CloseCarvedFile(state_);
    if (!state_.IsSelected(kPpt) && !state_.IsSelected(kXls)) return false;
    if (!OpenCarvedFile(state_, kPpt, kPpt)) return false;
    state_.oleOpen = state_.previewGuard = true;
    EstimateOleLength(state_, unit_);
    OleDocumentWriter(state_, unit_);
    return true;
  }
  return false;
}

}  // namespace

bool RunHeaderTests(CarveState& state, Unit unit) { return HeaderTests(state, unit).Run(); }

}  // namespace recovery

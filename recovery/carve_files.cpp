#include "recovery/carve_files.h"

#include "imaging/dib_image.h"
#include "platform/win/files/files.h"
#include "recovery/recovery_observer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace recovery {

namespace {

// The number of a name whose five characters before a dot are digits, or -1.
int NumberInName(const char* name) {
  const std::string_view text(name);
  for (std::size_t dot = text.find('.'); dot != std::string_view::npos; dot = text.find('.', dot + 1)) {
    if (dot < 5) continue;
    const std::string_view digits = text.substr(dot - 5, 5);
    if (std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
      return std::stoi(std::string(digits));
  }
  return -1;
}

std::string FormatName(const std::string& prefix, int number, std::string_view ext) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%05d", number);
  return prefix + digits + "." + std::string(ext);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int NextNumberedName(const std::string& folder, const std::string& prefix, std::string_view ext, std::string& name,
                     int& firstNumber) {
  const std::string pattern = folder + prefix + "*." + std::string(ext);
  int number = 1;
  int found = 0;
  win::WIN32_FIND_DATAA data{};
  win::HANDLE find = win::FindFirstFileA(pattern.c_str(), &data);
  if (find != win::INVALID_HANDLE_VALUE) {
    do {
      found = 1;
      const int n = NumberInName(data.cFileName);
      if (n >= 0) number = std::max(number, std::max(1, n + 1));
    } while (win::FindNextFileA(find, &data));
    win::FindClose(find);
  }
  name = FormatName(prefix, number, ext);
  if (firstNumber == 0) firstNumber = number;
  return found;
}

std::string NumberedPath(CarveState& state, int code) {
  const std::string_view ext = FileTypeTable[code];
  std::string name;
  if (state.firstNumberOfType[code] == 0)
    NextNumberedName(state.settings.outputFolder, state.settings.prefix, ext, name, state.firstNumberOfType[code]);
  else
    name = FormatName(state.settings.prefix, state.firstNumberOfType[code] + state.filesOfType[code], ext);
  return state.settings.outputFolder + name;
}

bool OpenCarvedFile(CarveState& state, int code, int nameCode) {
  state.carveFileOpen = state.output.Create(NumberedPath(state, nameCode));
  if (!state.carveFileOpen) return false;
  state.StartFile(code);
  state.openTypeMask = TypeBit(code);
  state.openType = code;
  return true;
}

void StopForFullDisk(CarveState& state) {
  if (state.recoveryStop) return;
  state.recoveryStop = true;
  if (state.observer) state.observer->OnDiskFull(state.settings.outputFolder);
}

void WriteCarved(CarveState& state, Unit bytes) {
  if (bytes.empty() || state.recoveryStop) return;
  if (state.output.Append(bytes) == WriteStatus::DiskFull) StopForFullDisk(state);
}

void CountRecovered(CarveState& state, int delta) {
  state.recoveredCount = std::max(0, state.recoveredCount + delta);
  if (state.observer) state.observer->OnRecoveredCount(state.recoveredCount);
}

namespace {

void EndFile(CarveState& state) {
  state.jfifWalk = false;
  state.oleOpen = false;
  state.orfFile = false;
  state.orfHeaderMark = false;
  state.tiffIfdSeen = false;
  state.previewGuard = false;
  state.rawContainerOpen = false;
  state.insideZip = false;
  state.insideMpeg = false;
  state.openTypeMask = 0;
  state.openType = -1;
  state.carveFileOpen = false;
  state.carveKeep = false;
  state.pendingTail = 0;
}

}  // namespace

std::string CloseKeptFile(CarveState& state) {
  if (state.output.Close() == WriteStatus::DiskFull) StopForFullDisk(state);
  const std::string path = state.output.Path();
  EndFile(state);
  return path;
}

void ReportKeptFile(CarveState& state, const std::string& path, int countCode) {
  // A file some of whose bytes never reached the disk is not recovered.
  if (!state.output.Whole()) return;
  CountRecovered(state);
  ++state.filesOfType[countCode];
  if (state.observer) state.observer->OnFileRecovered(path, countCode);
  // Carved Olympus files get no thumbnail.
  AddRecoveryThumbnail(state, path, countCode == kOrf ? -1 : PictureKind(countCode));
}

void FinishCarvedFile(CarveState& state, int countCode) { ReportKeptFile(state, CloseKeptFile(state), countCode); }

void CloseCarvedFile(CarveState& state) {
  if (!state.carveFileOpen) return;
  if (state.recoveryStop) {
    // The output disk is full: what was written stays on it as it is, and is not counted.
    CloseKeptFile(state);
    return;
  }
  int code = state.openType;
  if (state.orfFile) {
    state.carveKeep = true;
    code = kOrf;
  }
  const bool cutToEnd = (code == kGif || code == kJpg) && !state.jfifWalk;
  if (state.carveKeep && cutToEnd) state.output.CutTo(state.carveEndLength);
  if (state.carveKeep) {
    FinishCarvedFile(state, code < 0 ? 0 : code);
    return;
  }
  state.output.Discard();
  EndFile(state);
}

int PictureKind(int code) {
  switch (code) {
    case kBmp: return 0;
    case kGif: return 1;
    case kJpg: return 2;
    case kPng: return 3;
    case kIco: return 4;
    case kTif:
    case kNef:
    case kOrf: return 5;
    default: return -1;
  }
}

Thumbnail PlaceThumbnail(int pictureWidth, int pictureHeight) {
  Thumbnail placed;
  placed.pictureWidth = pictureWidth;
  placed.pictureHeight = pictureHeight;
  placed.width = std::clamp(pictureWidth, 32, kThumbnailSide);
  placed.height = std::clamp(pictureHeight, 32, kThumbnailSide);
  placed.left = (kThumbnailSide - placed.width) / 2;
  placed.top = (kThumbnailSide - placed.height) / 2;
  placed.placeholder = false;
  return placed;
}

namespace {

// The picture stretched into the placed rectangle of the square, from the picture already
// decoded: the page shows these pixels and never decodes the file again.
std::vector<std::uint32_t> StretchedPixels(const imaging::CDibImage& picture, const Thumbnail& placed) {
  const int width = picture.Width();
  const int height = std::abs(picture.Height());
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kThumbnailSide * kThumbnailSide), 0);
  for (int y = 0; y < placed.height; ++y) {
    const int fromTop = y * height / placed.height;
    const int row = picture.Height() > 0 ? height - 1 - fromTop : fromTop;
    for (int x = 0; x < placed.width; ++x) {
      const imaging::RgbQuad colour = picture.PixelColorAt(x * width / placed.width, row);
      const auto at = static_cast<std::size_t>((placed.top + y) * kThumbnailSide + placed.left + x);
      pixels[at] =
          static_cast<std::uint32_t>(colour.red) << 16 | static_cast<std::uint32_t>(colour.green) << 8 | colour.blue;
    }
  }
  return pixels;
}

}  // namespace

void AddRecoveryThumbnail(CarveState& state, const std::string& path, int kind) {
  if (!state.observer || kind < 0 || !state.settings.showThumbnails) return;
  Thumbnail thumbnail;
  try {
    const auto format = static_cast<imaging::ImageFormat>(kind);
    imaging::CDibImage picture(format);
    // The square needs no more of the picture than its own side: a photograph is not decoded whole.
    picture.SetWantedSide(kThumbnailSide);
    picture.Load(path.c_str(), format);
    if (picture.DibBlock() != nullptr && picture.Width() > 0 && picture.Height() != 0) {
      thumbnail = PlaceThumbnail(picture.Width(), std::abs(picture.Height()));
      thumbnail.pixels = StretchedPixels(picture, thumbnail);
    }
  } catch (...) {
    // A picture that cannot be decoded gets the placeholder.
  }
  thumbnail.name = BaseName(path);
  thumbnail.kind = kind;
  state.observer->OnThumbnail(path, thumbnail);
  ++state.thumbnailCount;
}

}  // namespace recovery

#include "imaging/icon_decoder.h"

#include "platform/win/layouts/byte_order.h"
#include "imaging/decode_guard.h"
#include "imaging/image_file.h"

#include <array>
#include <limits>
#include <vector>

namespace imaging {
namespace {

constexpr std::size_t kDirectoryHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::uint16_t kIconType = 1;
constexpr const char* kTruncated = "Truncated icon";

struct IconEntry {
  std::int32_t width;
  std::int32_t height;
  std::uint32_t colorCount;
  std::uint32_t bitCount;
  std::uint32_t offset;
};

// A width or height byte of 0 stands for 256 pixels.
std::int32_t Dimension(std::uint8_t value) { return value == 0 ? 256 : value; }

std::uint32_t DepthOf(const IconEntry& entry) {
  if (entry.colorCount == 0) return entry.bitCount > 8 ? entry.bitCount : 8;
  if (entry.colorCount <= 2) return 1;
  if (entry.colorCount <= 16) return 4;
  return 8;
}

// The image of a file cut short (a partly recovered icon) keeps what it holds: palette, pixel and
// mask bytes that are not there stay as created, so missing mask rows mask nothing.
void ReadWhatIsThere(ImageFile& stream, void* target, std::size_t count) { stream.Read(target, 1, count); }

}  // namespace

bool IconDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  return GuardedDecode(*this, [&] { return DecodeBody(*stream); });
}

bool IconDecoder::DecodeBody(ImageFile& stream) {
  std::array<std::uint8_t, kDirectoryHeaderSize> directory{};
  if (stream.Read(directory.data(), 1, directory.size()) != directory.size()) return false;
  if (win::ReadLe16(directory, 0) != 0 || win::ReadLe16(directory, 2) != kIconType) return false;
  info.frameCount = win::ReadLe16(directory, 4);
  std::vector<std::uint8_t> entries(kEntrySize * static_cast<std::size_t>(info.frameCount));
  Require(stream.Read(entries.data(), 1, entries.size()) == entries.size(), kTruncated);
  if (info.frame < 0 || info.frame >= info.frameCount) return false;

  const std::span<const std::uint8_t> chosen(entries.data() + kEntrySize * static_cast<std::size_t>(info.frame),
                                             kEntrySize);
  const IconEntry entry{Dimension(chosen[0]), Dimension(chosen[1]), chosen[2], win::ReadLe16(chosen, 6),
                        win::ReadLe32(chosen, 12)};
  const std::uint32_t depth = DepthOf(entry);
  Require(Create(entry.width, entry.height, depth, ImageFormat::Ico) != nullptr, "Can't allocate memory");
  Require(entry.offset <= std::numeric_limits<std::int32_t>::max() - kInfoHeaderSize &&
              stream.Seek(static_cast<std::int32_t>(entry.offset + kInfoHeaderSize), 0),
          kTruncated);

  std::vector<std::uint8_t> quads(PaletteBytes());
  ReadWhatIsThere(stream, quads.data(), quads.size());
  SetPaletteFromQuads(quads.data(), header.biClrUsed);

  const bool ownAlpha = depth > 24;
  if (ownAlpha) {
    ReadColorWithAlpha(stream);
  } else {
    ReadWhatIsThere(stream, info.pixels, header.biSizeImage);
  }
  ApplyMask(stream, ownAlpha);
  return true;
}

void IconDecoder::ReadColorWithAlpha(ImageFile& stream) {
  const auto width = static_cast<std::size_t>(header.biWidth);
  std::vector<std::uint8_t> bgra(width * static_cast<std::size_t>(header.biHeight) * 4);
  ReadWhatIsThere(stream, bgra.data(), bgra.size());
  CreateAlpha();
  Require(alphaPlane != nullptr, "Can't allocate memory");
  // Row by row: the pixel rows are padded to 4 bytes, the 32-bit rows are not.
  for (std::int32_t y = 0; y < header.biHeight; ++y) {
    const std::uint8_t* from = bgra.data() + static_cast<std::size_t>(y) * width * 4;
    std::uint8_t* to = info.pixels + static_cast<std::size_t>(y) * info.rowStride;
    for (std::size_t x = 0; x < width; ++x, from += 4, to += 3) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
      alphaPlane[static_cast<std::size_t>(y) * width + x] = from[3];
    }
  }
}

void IconDecoder::ApplyMask(ImageFile& stream, bool ownAlpha) {
  const auto width = static_cast<std::size_t>(header.biWidth);
  const std::size_t maskRow = (width + 31) / 32 * 4;
  std::vector<std::uint8_t> mask(maskRow * static_cast<std::size_t>(header.biHeight));
  ReadWhatIsThere(stream, mask.data(), mask.size());
  if (alphaPlane == nullptr) {
    CreateAlpha();
    Require(alphaPlane != nullptr, "Can't allocate memory");
    FillAlpha(255);
  }
  bool anyMasked = false;
  for (std::int32_t y = 0; y < header.biHeight; ++y) {
    const std::uint8_t* row = mask.data() + static_cast<std::size_t>(y) * maskRow;
    for (std::int32_t x = 0; x < header.biWidth; ++x) {
      if (((row[x / 8] >> (7 - x % 8)) & 1) != 0) {
        SetAlphaAt(x, y, 0);
        anyMasked = true;
      }
    }
  }
  if (!ownAlpha && !anyMasked) DropAlpha();
}

}  // namespace imaging

// Palette operations of the image; all do nothing without a bitmap or without a palette.
#include "imaging/dib_image.h"

#include <algorithm>
#include <cstring>

namespace imaging {

void CDibImage::SetPaletteEntry(std::uint32_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                std::uint8_t alpha) {
  RgbQuad* palette = Palette();
  index %= 256;
  if (palette == nullptr || index >= header.biClrUsed) return;
  palette[index] = RgbQuad{blue, green, red, alpha};
}

std::uint32_t CDibImage::GetPaletteEntry(std::uint32_t index) const {
  const RgbQuad* palette = Palette();
  if (palette == nullptr || index >= header.biClrUsed) return 0;
  const RgbQuad entry = palette[index];
  return entry.blue | entry.green << 8 | entry.red << 16 | static_cast<std::uint32_t>(entry.reserved) << 24;
}

void CDibImage::SetPaletteFromPlanes(std::uint32_t count, const std::uint8_t* red, const std::uint8_t* green,
                                     const std::uint8_t* blue) {
  RgbQuad* palette = Palette();
  if (palette == nullptr || red == nullptr) return;
  if (green == nullptr) green = red;
  if (blue == nullptr) blue = green;
  const std::uint32_t entries = std::min(count, header.biClrUsed);
  for (std::uint32_t i = 0; i < entries; ++i) {
    palette[i].red = red[i];
    palette[i].green = green[i];
    palette[i].blue = blue[i];
  }
}

void CDibImage::SetPaletteFromTriples(const std::uint8_t* triples, std::uint32_t count) {
  RgbQuad* palette = Palette();
  if (palette == nullptr || triples == nullptr) return;
  const std::uint32_t entries = std::min(count, header.biClrUsed);
  for (std::uint32_t i = 0; i < entries; ++i) {
    palette[i].red = triples[3 * i];
    palette[i].green = triples[3 * i + 1];
    palette[i].blue = triples[3 * i + 2];
  }
}

void CDibImage::SetPaletteFromQuads(const std::uint8_t* quads, std::uint32_t count) {
  RgbQuad* palette = Palette();
  if (palette == nullptr || quads == nullptr) return;
  std::memcpy(palette, quads, std::min<std::size_t>(4ULL * count, PaletteBytes()));
}

void CDibImage::FillGrayPalette() {
  RgbQuad* palette = Palette();
  if (palette == nullptr || header.biClrUsed < 2) return;
  const std::uint32_t step = 255 / (header.biClrUsed - 1);
  for (std::uint32_t i = 0; i < header.biClrUsed; ++i) {
    const auto level = static_cast<std::uint8_t>(i * step);
    palette[i].blue = palette[i].green = palette[i].red = level;
  }
}

std::uint8_t CDibImage::ClosestPaletteIndex(RgbQuad color) const {
  const RgbQuad* palette = Palette();
  if (palette == nullptr) return 0;
  std::int64_t best = 200000;
  std::uint8_t bestIndex = 0;
  for (std::uint32_t i = 0; i < header.biClrUsed; ++i) {
    const int db = palette[i].blue - color.blue;
    const int dg = palette[i].green - color.green;
    const int dr = palette[i].red - color.red;
    const std::int64_t distance = db * db + dg * dg + dr * dr;
    if (distance == 0) return static_cast<std::uint8_t>(i);
    if (distance < best) {
      best = distance;
      bestIndex = static_cast<std::uint8_t>(i);
    }
  }
  return bestIndex;
}

}  // namespace imaging

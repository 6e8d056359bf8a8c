// Pixel and alpha access of the image. Rows count from the bottom (y = 0 is the first stored row).
#include "imaging/dib_image.h"

#include <cstdlib>
#include <cstring>

namespace imaging {

std::size_t CDibImage::PixelOffset(std::int32_t x, std::int32_t y) const {
  return static_cast<std::size_t>(y) * info.rowStride + static_cast<std::size_t>(x) * header.biBitCount / 8;
}

std::uint8_t CDibImage::PixelIndexAt(std::int32_t x, std::int32_t y) const {
  if (dibBlock == nullptr || header.biClrUsed == 0) return 0;
  if (!Contains(x, y)) return info.backgroundIndex != -1 ? static_cast<std::uint8_t>(info.backgroundIndex) : 0;
  const std::uint8_t byte = info.pixels[PixelOffset(x, y)];
  switch (header.biBitCount) {
    case 8: return byte;
    case 4: return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
    default: return (byte >> (7 - x % 8)) & 1;
  }
}

void CDibImage::SetPixelIndexAt(std::int32_t x, std::int32_t y, std::uint8_t index) {
  if (dibBlock == nullptr || header.biClrUsed == 0 || !Contains(x, y)) return;
  std::uint8_t& byte = info.pixels[PixelOffset(x, y)];
  switch (header.biBitCount) {
    case 8: byte = index; break;
    case 4:
      byte = x % 2 == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | (index & 0x0F) << 4)
                        : static_cast<std::uint8_t>((byte & 0xF0) | (index & 0x0F));
      break;
    default: {
      const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
      byte = (index & 1) != 0 ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
    }
  }
}

RgbQuad CDibImage::PixelColorAt(std::int32_t x, std::int32_t y) const {
  if (dibBlock == nullptr) return info.backgroundColor;
  const RgbQuad* palette = Palette();
  if (!Contains(x, y)) {
    if (palette != nullptr && info.backgroundIndex != -1 &&
        static_cast<std::uint32_t>(info.backgroundIndex) < header.biClrUsed) {
      return palette[info.backgroundIndex];
    }
    return info.backgroundColor;
  }
  if (palette != nullptr) return palette[PixelIndexAt(x, y)];
  const std::uint8_t* pixel = info.pixels + PixelOffset(x, y);
  return RgbQuad{pixel[0], pixel[1], pixel[2], info.backgroundColor.reserved};
}

void CDibImage::SetPixelColorAt(std::int32_t x, std::int32_t y, RgbQuad color) {
  if (dibBlock == nullptr || !Contains(x, y)) return;
  if (Palette() != nullptr) {
    SetPixelIndexAt(x, y, ClosestPaletteIndex(color));
    return;
  }
  std::uint8_t* pixel = info.pixels + PixelOffset(x, y);
  pixel[0] = color.blue;
  pixel[1] = color.green;
  pixel[2] = color.red;
}

void CDibImage::SetPixelColorAt(std::int32_t x, std::int32_t y, std::uint32_t colorRef) {
  SetPixelColorAt(x, y,
                  RgbQuad{static_cast<std::uint8_t>(colorRef >> 16), static_cast<std::uint8_t>(colorRef >> 8),
                          static_cast<std::uint8_t>(colorRef), static_cast<std::uint8_t>(colorRef >> 24)});
}

void CDibImage::CreateAlpha() {
  std::free(alphaPlane);
  alphaPlane = nullptr;
  if (header.biWidth <= 0 || header.biHeight <= 0) return;
  alphaPlane = static_cast<std::uint8_t*>(
      std::calloc(static_cast<std::size_t>(header.biWidth) * static_cast<std::size_t>(header.biHeight), 1));
}

void CDibImage::DropAlpha() {
  std::free(alphaPlane);
  alphaPlane = nullptr;
}

void CDibImage::FillAlpha(std::uint8_t value) {
  if (alphaPlane == nullptr) return;
  std::memset(alphaPlane, value, static_cast<std::size_t>(header.biWidth) * static_cast<std::size_t>(header.biHeight));
}

void CDibImage::SetAlphaAt(std::int32_t x, std::int32_t y, std::uint8_t value) {
  if (alphaPlane == nullptr || !Contains(x, y)) return;
  alphaPlane[static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * static_cast<std::size_t>(header.biWidth)] =
      value;
}

std::uint8_t CDibImage::AlphaAt(std::int32_t x, std::int32_t y) const {
  if (alphaPlane == nullptr || !Contains(x, y)) return 0;
  return alphaPlane[static_cast<std::size_t>(x) +
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(header.biWidth)];
}

}  // namespace imaging

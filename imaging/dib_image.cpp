// The image's life: creation, destruction, moves and copies of the packed block.
#include "imaging/dib_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace imaging {
namespace {

std::size_t& SizeLimit() {
  static std::size_t limit = std::size_t{1} << 30;
  return limit;
}

std::uint32_t RoundedDepth(std::uint32_t bitsPerPixel) {
  if (bitsPerPixel <= 1) return 1;
  if (bitsPerPixel <= 4) return 4;
  if (bitsPerPixel <= 8) return 8;
  return 24;
}

std::uint32_t PaletteSizeFor(std::uint32_t depth) { return depth <= 8 ? 1U << depth : 0; }

std::int32_t PixelsPerMetre(std::int32_t dpi) {
  const double perMetre = std::floor(dpi * 39.37007874015748 + 0.5);
  return static_cast<std::int32_t>(
      std::clamp<double>(perMetre, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void SetImageSizeLimit(std::size_t bytes) { SizeLimit() = bytes; }
std::size_t ImageSizeLimit() { return SizeLimit(); }

CDibImage::CDibImage(ImageFormat type) { Initialize(type); }

CDibImage::CDibImage(const CDibImage& source, bool copyPixels, bool copyAlpha) {
  Initialize(source.info.imageType);
  CopyFrom(source, copyPixels, copyAlpha);
}

CDibImage::~CDibImage() { Destroy(); }

void CDibImage::Initialize(ImageFormat type) {
  dibBlock = nullptr;
  alphaPlane = nullptr;
  header = BitmapInfoHeader{};
  header.biSize = kInfoHeaderSize;
  info = ImageInfo{};
  info.imageType = type;
  info.backgroundIndex = -1;
  SetHorizontalDpi(72);
  SetVerticalDpi(72);
}

void CDibImage::Destroy() {
  std::free(alphaPlane);
  std::free(dibBlock);
  alphaPlane = nullptr;
  dibBlock = nullptr;
  info.pixels = nullptr;
}

std::uint8_t* CDibImage::Create(std::int32_t width, std::int32_t height, std::uint32_t bitsPerPixel, ImageFormat type) {
  Destroy();
  if (width <= 0 || height <= 0) return nullptr;
  const std::uint32_t depth = RoundedDepth(bitsPerPixel);
  const std::uint32_t colors = PaletteSizeFor(depth);
  // 64-bit products: a crafted header must not wrap into a small block.
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * depth + 31) / 32 * 4;
  const std::uint64_t imageSize = stride * static_cast<std::uint64_t>(height);
  const std::uint64_t blockSize = kInfoHeaderSize + 4ULL * colors + imageSize;
  if (imageSize > std::numeric_limits<std::uint32_t>::max() || blockSize > SizeLimit()) return nullptr;

  header.biSize = kInfoHeaderSize;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(depth);
  header.biCompression = 0;
  header.biSizeImage = static_cast<std::uint32_t>(imageSize);
  header.biClrUsed = colors;
  header.biClrImportant = 0;
  info.rowStride = static_cast<std::uint32_t>(stride);
  info.imageType = type;
  // Zeroed, so rows that a short or damaged file never reaches hold no stale memory.
  dibBlock = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(blockSize), 1));
  if (dibBlock == nullptr) return nullptr;
  std::memcpy(dibBlock, &header, sizeof header);
  info.pixels = PixelBits();
  return dibBlock;
}

void CDibImage::MoveFrom(CDibImage& source) {
  Destroy();
  header = source.header;
  info = source.info;
  dibBlock = source.dibBlock;
  alphaPlane = source.alphaPlane;
  source.header = BitmapInfoHeader{};
  source.info = ImageInfo{};
  source.dibBlock = nullptr;
  source.alphaPlane = nullptr;
}

void CDibImage::CopyFrom(const CDibImage& source, bool copyPixels, bool copyAlpha) {
  info = source.info;
  info.pixels = nullptr;
  if (Create(source.header.biWidth, source.header.biHeight, source.header.biBitCount, source.info.imageType) ==
      nullptr) {
    return;
  }
  if (copyPixels && source.dibBlock != nullptr) {
    std::memcpy(dibBlock, source.dibBlock, DibSize());
  } else if (source.dibBlock != nullptr && Palette() != nullptr) {
    std::memcpy(Palette(), source.Palette(), PaletteBytes());
  }
  if (copyAlpha && source.alphaPlane != nullptr) {
    CreateAlpha();
    if (alphaPlane != nullptr) {
      std::memcpy(alphaPlane, source.alphaPlane,
                  static_cast<std::size_t>(header.biWidth) * static_cast<std::size_t>(header.biHeight));
    }
  }
}

void CDibImage::CopyInfoFrom(const CDibImage& source) {
  if (dibBlock != nullptr) return;
  info = source.info;
  info.pixels = nullptr;
}

void CDibImage::SetLastError(const char* message) {
  std::strncpy(info.lastError, message, sizeof info.lastError - 1);
  info.lastError[sizeof info.lastError - 1] = '\0';
}

std::uint8_t* CDibImage::PixelBits() const {
  return dibBlock == nullptr ? nullptr : dibBlock + kInfoHeaderSize + PaletteBytes();
}

std::size_t CDibImage::DibSize() const { return kInfoHeaderSize + std::size_t{PaletteBytes()} + header.biSizeImage; }

RgbQuad* CDibImage::Palette() const {
  if (dibBlock == nullptr || header.biClrUsed == 0) return nullptr;
  return reinterpret_cast<RgbQuad*>(dibBlock + kInfoHeaderSize);
}

bool CDibImage::Contains(std::int32_t x, std::int32_t y) const {
  return x >= 0 && x < header.biWidth && y >= 0 && y < header.biHeight;
}

void CDibImage::SetHorizontalDpi(std::int32_t dpi) {
  info.xDpi = dpi;
  header.biXPelsPerMeter = PixelsPerMetre(dpi);
}

void CDibImage::SetVerticalDpi(std::int32_t dpi) {
  info.yDpi = dpi;
  header.biYPelsPerMeter = PixelsPerMetre(dpi);
}

}  // namespace imaging

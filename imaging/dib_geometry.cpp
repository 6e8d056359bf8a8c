// Flips, mirrors and quarter turns of the image and its alpha plane.
#include "imaging/dib_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {
namespace {

void ReverseRows(std::uint8_t* rows, std::size_t rowBytes, std::size_t rowCount) {
  std::vector<std::uint8_t> spare(rowBytes);
  for (std::size_t top = 0, bottom = rowCount - 1; top < bottom; ++top, --bottom) {
    std::memcpy(spare.data(), rows + top * rowBytes, rowBytes);
    std::memcpy(rows + top * rowBytes, rows + bottom * rowBytes, rowBytes);
    std::memcpy(rows + bottom * rowBytes, spare.data(), rowBytes);
  }
}

// Reverses the order of the groupSize-byte groups of one row.
void ReverseGroups(std::uint8_t* row, std::size_t groupCount, std::size_t groupSize) {
  for (std::size_t left = 0, right = groupCount - 1; left < right; ++left, --right) {
    std::swap_ranges(row + left * groupSize, row + (left + 1) * groupSize, row + right * groupSize);
  }
}

}  // namespace

bool CDibImage::FlipVertical() {
  if (dibBlock == nullptr) return false;
  const auto width = static_cast<std::size_t>(header.biWidth);
  const auto height = static_cast<std::size_t>(header.biHeight);
  ReverseRows(info.pixels, info.rowStride, height);
  if (alphaPlane != nullptr) ReverseRows(alphaPlane, width, height);
  return true;
}

bool CDibImage::MirrorHorizontal() {
  if (dibBlock == nullptr) return false;
  const auto width = static_cast<std::size_t>(header.biWidth);
  for (std::int32_t y = 0; y < header.biHeight; ++y) {
    std::uint8_t* row = info.pixels + static_cast<std::size_t>(y) * info.rowStride;
    if (header.biBitCount >= 8) {
      ReverseGroups(row, width, header.biBitCount / 8U);
    } else {
      for (std::int32_t left = 0, right = header.biWidth - 1; left < right; ++left, --right) {
        const std::uint8_t leftIndex = PixelIndexAt(left, y);
        SetPixelIndexAt(left, y, PixelIndexAt(right, y));
        SetPixelIndexAt(right, y, leftIndex);
      }
    }
    if (alphaPlane != nullptr) ReverseGroups(alphaPlane + static_cast<std::size_t>(y) * width, width, 1);
  }
  return true;
}

template <class PixelAt>
bool CDibImage::Turn(CDibImage* target, PixelAt sourceOf) {
  if (dibBlock == nullptr) return false;
  CDibImage turned(info.imageType);
  turned.info = info;
  if (turned.Create(header.biHeight, header.biWidth, header.biBitCount, info.imageType) == nullptr) return false;
  if (Palette() != nullptr) std::memcpy(turned.Palette(), Palette(), PaletteBytes());
  if (alphaPlane != nullptr) turned.CreateAlpha();
  const bool indexed = Palette() != nullptr;
  for (std::int32_t y = 0; y < turned.header.biHeight; ++y) {
    for (std::int32_t x = 0; x < turned.header.biWidth; ++x) {
      const auto [sx, sy] = sourceOf(x, y);
      if (indexed) {
        turned.SetPixelIndexAt(x, y, PixelIndexAt(sx, sy));
      } else {
        turned.SetPixelColorAt(x, y, PixelColorAt(sx, sy));
      }
      turned.SetAlphaAt(x, y, AlphaAt(sx, sy));
    }
  }
  (target != nullptr ? target : this)->MoveFrom(turned);
  return true;
}

bool CDibImage::TurnLeft(CDibImage* target) {
  const std::int32_t height = header.biHeight;
  return Turn(target, [height](std::int32_t x, std::int32_t y) { return std::pair{y, height - 1 - x}; });
}

bool CDibImage::TurnRight(CDibImage* target) {
  const std::int32_t width = header.biWidth;
  return Turn(target, [width](std::int32_t x, std::int32_t y) { return std::pair{width - 1 - y, x}; });
}

}  // namespace imaging

#include "imaging/tiff_samples.h"

#include "imaging/decode_error.h"

#include <algorithm>
#include <cstring>

namespace imaging {

SampleBands::SampleBands(TIFF* tiff, const SampleLayout& layout, std::size_t sizeLimit, const char* corrupted)
    : tiff_(tiff), layout_(layout), corrupted_(corrupted) {
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
  separate_ = planar == PLANARCONFIG_SEPARATE;
  tiled_ = TIFFIsTiled(tiff) != 0;
  std::size_t unitRowBytes = std::size_t{layout.width} * UnitPixelBytes();
  std::size_t unitBytes = 0;
  if (tiled_) {
    std::uint32_t tileHeight = 0;
    Require(TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth_) == 1 &&
                TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight) == 1 && tileWidth_ != 0 && tileHeight != 0,
            corrupted);
    bandRows_ = tileHeight;
    unitRowBytes = std::size_t{tileWidth_} * UnitPixelBytes();
    unitBytes = static_cast<std::size_t>(std::max<tmsize_t>(TIFFTileSize(tiff), 0));
    Require(unitBytes / tileHeight >= unitRowBytes, corrupted);
  } else {
    // Planes are read a strip at a time, each from its start; interleaved lines one by one.
    bandRows_ = separate_ ? std::max<std::uint32_t>(layout.rowsPerStrip, 1) : 1;
    unitBytes = static_cast<std::size_t>(std::max<tmsize_t>(TIFFScanlineSize(tiff), 0));
    Require(unitBytes >= unitRowBytes, corrupted);
  }
  bandRows_ = std::min(bandRows_, std::max<std::uint32_t>(layout.height, 1));
  Require(unitBytes <= sizeLimit && layout.RowBytes() <= sizeLimit / bandRows_, corrupted);
  unit_.resize(unitBytes);
  band_.resize(layout.RowBytes() * bandRows_);
}

std::size_t SampleBands::UnitPixelBytes() const {
  return separate_ ? layout_.bytesPerSample : layout_.samplesPerPixel * layout_.bytesPerSample;
}

const std::uint8_t* SampleBands::Read(std::uint32_t top) {
  const std::uint32_t rows = std::min(bandRows_, layout_.height - top);
  if (tiled_) {
    ReadTiles(top, rows);
  } else {
    ReadLines(top, rows);
  }
  return band_.data();
}

void SampleBands::Place(const std::uint8_t* unit, std::uint32_t x, std::uint32_t bandRow, std::uint32_t count,
                        std::uint16_t plane) {
  const std::size_t pixelBytes = layout_.samplesPerPixel * layout_.bytesPerSample;
  std::uint8_t* to = band_.data() + bandRow * layout_.RowBytes() + std::size_t{x} * pixelBytes;
  if (!separate_) {
    std::memcpy(to, unit, count * pixelBytes);
    return;
  }
  to += plane * layout_.bytesPerSample;
  for (std::uint32_t i = 0; i < count; ++i, to += pixelBytes, unit += layout_.bytesPerSample) {
    std::memcpy(to, unit, layout_.bytesPerSample);
  }
}

// Plane after plane, line after line: the order compressed strips are decoded in.
void SampleBands::ReadLines(std::uint32_t top, std::uint32_t rows) {
  for (std::uint16_t plane = 0; plane < Planes(); ++plane) {
    for (std::uint32_t row = 0; row < rows; ++row) {
      Require(TIFFReadScanline(tiff_, unit_.data(), top + row, plane) == 1, corrupted_);
      Place(unit_.data(), 0, row, layout_.width, plane);
    }
  }
}

void SampleBands::ReadTiles(std::uint32_t top, std::uint32_t rows) {
  const std::size_t tileRowBytes = std::size_t{tileWidth_} * UnitPixelBytes();
  for (std::uint16_t plane = 0; plane < Planes(); ++plane) {
    for (std::uint32_t left = 0; left < layout_.width; left += std::min(tileWidth_, layout_.width - left)) {
      Require(TIFFReadTile(tiff_, unit_.data(), left, top, 0, plane) != -1, corrupted_);
      const std::uint32_t columns = std::min(tileWidth_, layout_.width - left);
      for (std::uint32_t row = 0; row < rows; ++row) {
        Place(unit_.data() + row * tileRowBytes, left, row, columns, plane);
      }
    }
  }
}

}  // namespace imaging

#include "imaging/tiff_samples.h"

#include "imaging/decode_error.h"

#include <algorithm>
#include <cstring>

namespace imaging {
namespace {

// Where the units a file stores (a line or a tile row, of all samples or of one plane) land in
// the interleaved page.
class PageOfSamples {
 public:
  PageOfSamples(const SampleLayout& layout, bool separatePlanes, std::vector<std::uint8_t>& page)
      : layout_(layout), separate_(separatePlanes), page_(page) {}

  // The bytes a stored pixel takes in one unit of the file.
  std::size_t UnitPixelBytes() const {
    return separate_ ? layout_.bytesPerSample : layout_.samplesPerPixel * layout_.bytesPerSample;
  }
  std::uint16_t Planes() const { return separate_ ? layout_.samplesPerPixel : 1; }

  // Puts count pixels of a unit (of the plane, when planes are separate) at (x, y).
  void Place(const std::uint8_t* unit, std::uint32_t x, std::uint32_t y, std::uint32_t count, std::uint16_t plane) {
    const std::size_t pixelBytes = layout_.samplesPerPixel * layout_.bytesPerSample;
    std::uint8_t* to = page_.data() + y * layout_.RowBytes() + std::size_t{x} * pixelBytes;
    if (!separate_) {
      std::memcpy(to, unit, count * pixelBytes);
      return;
    }
    to += plane * layout_.bytesPerSample;
    for (std::uint32_t i = 0; i < count; ++i, to += pixelBytes, unit += layout_.bytesPerSample) {
      std::memcpy(to, unit, layout_.bytesPerSample);
    }
  }

 private:
  const SampleLayout& layout_;
  bool separate_;
  std::vector<std::uint8_t>& page_;
};

// Plane after plane, line after line: the order compressed strips are decoded in.
void ReadLines(TIFF* tiff, const SampleLayout& layout, PageOfSamples& page, const char* corrupted) {
  const auto lineBytes = static_cast<std::size_t>(std::max<tmsize_t>(TIFFScanlineSize(tiff), 0));
  Require(lineBytes >= layout.width * page.UnitPixelBytes(), corrupted);
  std::vector<std::uint8_t> line(lineBytes);
  for (std::uint16_t plane = 0; plane < page.Planes(); ++plane) {
    for (std::uint32_t y = 0; y < layout.height; ++y) {
      Require(TIFFReadScanline(tiff, line.data(), y, plane) == 1, corrupted);
      page.Place(line.data(), 0, y, layout.width, plane);
    }
  }
}

void ReadTiles(TIFF* tiff, const SampleLayout& layout, PageOfSamples& page, std::size_t sizeLimit,
               const char* corrupted) {
  std::uint32_t tileWidth = 0;
  std::uint32_t tileHeight = 0;
  Require(TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth) == 1 &&
              TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight) == 1 && tileWidth != 0 && tileHeight != 0,
          corrupted);
  const std::size_t tileRowBytes = std::size_t{tileWidth} * page.UnitPixelBytes();
  const auto tileBytes = static_cast<std::size_t>(std::max<tmsize_t>(TIFFTileSize(tiff), 0));
  Require(tileBytes <= sizeLimit && tileBytes / tileHeight >= tileRowBytes, corrupted);
  std::vector<std::uint8_t> tile(tileBytes);
  for (std::uint16_t plane = 0; plane < page.Planes(); ++plane) {
    for (std::uint32_t top = 0; top < layout.height; top += std::min(tileHeight, layout.height - top)) {
      for (std::uint32_t left = 0; left < layout.width; left += std::min(tileWidth, layout.width - left)) {
        Require(TIFFReadTile(tiff, tile.data(), left, top, 0, plane) != -1, corrupted);
        const std::uint32_t columns = std::min(tileWidth, layout.width - left);
        const std::uint32_t rows = std::min(tileHeight, layout.height - top);
        for (std::uint32_t row = 0; row < rows; ++row) {
          page.Place(tile.data() + row * tileRowBytes, left, top + row, columns, plane);
        }
      }
    }
  }
}

}  // namespace

std::vector<std::uint8_t> ReadInterleavedSamples(TIFF* tiff, const SampleLayout& layout, std::size_t sizeLimit,
                                                 const char* corrupted) {
  Require(layout.height == 0 || layout.RowBytes() <= sizeLimit / layout.height, corrupted);
  std::vector<std::uint8_t> samples(layout.RowBytes() * layout.height);
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
  PageOfSamples page(layout, planar == PLANARCONFIG_SEPARATE, samples);
  if (TIFFIsTiled(tiff) != 0) {
    ReadTiles(tiff, layout, page, sizeLimit, corrupted);
  } else {
    ReadLines(tiff, layout, page, corrupted);
  }
  return samples;
}

}  // namespace imaging

// A TIFF page's samples delivered a band of rows at a time, interleaved, top band first, whatever
// the file's layout: strips or tiles, samples interleaved or one plane per sample. A band is a
// line, a strip of planes or a row of tiles, so that no more than that is held at once.
#pragma once

#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace imaging {

struct SampleLayout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t samplesPerPixel = 1;
  std::size_t bytesPerSample = 1;
  std::uint32_t rowsPerStrip = 1;
  std::size_t RowBytes() const { return std::size_t{width} * samplesPerPixel * bytesPerSample; }
};

class SampleBands {
 public:
  // Fails with the given message when a band would pass sizeLimit bytes or the file's units are
  // smaller than the page says.
  SampleBands(TIFF* tiff, const SampleLayout& layout, std::size_t sizeLimit, const char* corrupted);

  std::uint32_t BandRows() const { return bandRows_; }
  // The band whose first row is top (a multiple of BandRows): its rows one after another.
  const std::uint8_t* Read(std::uint32_t top);

 private:
  std::size_t UnitPixelBytes() const;
  std::uint16_t Planes() const { return separate_ ? layout_.samplesPerPixel : 1; }
  void Place(const std::uint8_t* unit, std::uint32_t x, std::uint32_t bandRow, std::uint32_t count,
             std::uint16_t plane);
  void ReadLines(std::uint32_t top, std::uint32_t rows);
  void ReadTiles(std::uint32_t top, std::uint32_t rows);

  TIFF* tiff_;
  SampleLayout layout_;
  const char* corrupted_;
  bool separate_ = false;
  bool tiled_ = false;
  std::uint32_t tileWidth_ = 0;
  std::uint32_t bandRows_ = 1;
  std::vector<std::uint8_t> unit_;  // a line or a tile as the file stores it
  std::vector<std::uint8_t> band_;
};

}  // namespace imaging

// A TIFF page's samples gathered into one buffer of interleaved rows, top row first, whatever
// the file's layout: strips or tiles, samples interleaved or one plane per sample.
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
  std::size_t RowBytes() const { return std::size_t{width} * samplesPerPixel * bytesPerSample; }
};

// Fails with the given message on a read error or a page larger than sizeLimit bytes.
std::vector<std::uint8_t> ReadInterleavedSamples(TIFF* tiff, const SampleLayout& layout, std::size_t sizeLimit,
                                                 const char* corrupted);

}  // namespace imaging

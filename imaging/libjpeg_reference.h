// A JPEG decoded by libjpeg itself, for tests and benchmarks that judge or time our decoder
// against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <cstdio>
#include <jpeglib.h>

namespace imaging::test_support {

struct LibjpegPixels {
  J_COLOR_SPACE colourSpace = JCS_UNKNOWN;
  std::size_t width = 0;
  std::size_t height = 0;
  std::size_t components = 0;
  // Rows top first, `components` samples a pixel.
  std::vector<JSAMPLE> samples;

  const JSAMPLE* Pixel(std::size_t x, std::size_t y) const { return samples.data() + (y * width + x) * components; }
};

// Decodes `file` in libjpeg's default output colour space (CMYK stays CMYK).
inline LibjpegPixels LibjpegDecode(std::span<const std::uint8_t> file) {
  jpeg_decompress_struct decompress{};
  jpeg_error_mgr error{};
  decompress.err = jpeg_std_error(&error);
  jpeg_create_decompress(&decompress);
  jpeg_mem_src(&decompress, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&decompress, TRUE);
  jpeg_start_decompress(&decompress);
  LibjpegPixels pixels{decompress.out_color_space,
                       decompress.output_width,
                       decompress.output_height,
                       static_cast<std::size_t>(decompress.output_components),
                       {}};
  pixels.samples.resize(pixels.width * pixels.height * pixels.components);
  while (decompress.output_scanline < decompress.output_height) {
    JSAMPROW row = pixels.samples.data() + decompress.output_scanline * pixels.width * pixels.components;
    jpeg_read_scanlines(&decompress, &row, 1);
  }
  jpeg_finish_decompress(&decompress);
  jpeg_destroy_decompress(&decompress);
  return pixels;
}

}  // namespace imaging::test_support

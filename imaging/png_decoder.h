// PNG files through libpng into palette, 8-bit grey or 24-bit colour images; files with an alpha
// channel get an alpha plane, others are composited against their background colour.
#pragma once

#include "imaging/dib_image.h"

#include <vector>

struct png_struct_def;
struct png_info_def;

namespace imaging {

class ImageFile;

class PngDecoder final : public CDibImage {
 public:
  PngDecoder() : CDibImage(ImageFormat::Png) {}

  bool Decode(ImageFile* stream);

 private:
  void SetUpTransforms(png_struct_def* png, png_info_def* pngInfo, std::uint32_t pixelDepth);
  void SetUpPalette(png_struct_def* png, png_info_def* pngInfo);
  void ReadPixels(png_struct_def* png, png_info_def* pngInfo, std::vector<std::uint8_t>& row,
                  std::vector<std::uint8_t>& frame);
  void StoreWithAlpha(const std::uint8_t* bgra, std::int32_t stored);
};

}  // namespace imaging

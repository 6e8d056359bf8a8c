// The image type codes: what a caller asks a file to be decoded as.
#pragma once

#include <cstdint>

namespace imaging {

enum class ImageFormat : std::int32_t {
  Bmp = 0,
  Gif = 1,
  Jpeg = 2,
  Png = 3,
  Ico = 4,
  Tiff = 5,
  Tga = 6,
  Pcx = 7,
  Wbmp = 8,
  Metafile = 9,
};

}  // namespace imaging

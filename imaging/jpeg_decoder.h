// JPEG files through libjpeg into 8-bit grey or 24-bit colour images; four-component (CMYK)
// files are converted to colour. A file that ends early still decodes: the missing rows are as
// libjpeg leaves them.
#pragma once

#include "imaging/dib_image.h"

namespace imaging {

class ImageFile;

class JpegDecoder final : public CDibImage {
 public:
  JpegDecoder() : CDibImage(ImageFormat::Jpeg) {}

  bool Decode(ImageFile* stream);
};

}  // namespace imaging

// Wireless bitmaps of type 0: one bit per pixel, 1 white.
#pragma once

#include "imaging/dib_image.h"

namespace imaging {

class ImageFile;

class WbmpDecoder final : public CDibImage {
 public:
  WbmpDecoder() : CDibImage(ImageFormat::Wbmp) {}

  bool Decode(ImageFile* stream);
};

}  // namespace imaging

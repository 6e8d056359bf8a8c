// One image of an icon file: a bitmap without file header whose AND mask becomes the alpha plane.
#pragma once

#include "imaging/dib_image.h"

namespace imaging {

class ImageFile;

class IconDecoder final : public CDibImage {
 public:
  IconDecoder() : CDibImage(ImageFormat::Ico) {}

  bool Decode(ImageFile* stream);

 private:
  bool DecodeBody(ImageFile& stream);
  void ReadColorWithAlpha(ImageFile& stream);
  void ApplyMask(ImageFile& stream, bool ownAlpha);
};

}  // namespace imaging

// Metafiles: a placeable Windows metafile or an enhanced metafile, played by the platform into
// an off-screen bitmap of the screen's format on the window colour, whose bits become the image.
// The screen is true colour, so the image is 24-bit and no logical palette is ever built.
#pragma once

#include "imaging/dib_image.h"
#include "platform/ui/metafiles/metafile.h"

namespace ui {
class CDC;
}

namespace imaging {

class ImageFile;

class MetafileDecoder final : public CDibImage {
 public:
  MetafileDecoder() : CDibImage(ImageFormat::Metafile) {}

  bool Decode(ImageFile* stream);

 private:
  bool DecodeBody(ImageFile& stream);
  bool Render(ui::HENHMETAFILE metafile, std::int32_t width, std::int32_t height, ui::CDC& screen);
};

}  // namespace imaging

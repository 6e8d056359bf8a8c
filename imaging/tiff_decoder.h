// One page of a TIFF file through libtiff. Colour, CMYK, YCbCr and LogLuv pages go through libtiff's
// RGBA reader, except the stripped RGB pages with unassociated alpha (which that reader would
// premultiply; tiled ones are divided out again after it) and 16-bit CMYK pages (which it
// cannot read): their scan lines are converted here.
// Grey, bilevel and palette pages are read strip by strip and honour their orientation.
#pragma once

#include "imaging/dib_image.h"

#include <cstddef>

struct tiff;

namespace imaging {

class ImageFile;

class TiffDecoder final : public CDibImage {
 public:
  TiffDecoder() : CDibImage(ImageFormat::Tiff) {}

  bool Decode(ImageFile* stream);

  struct PageTags;

 private:
  void DecodePage(tiff* file);
  void ReadRgba(tiff* file, bool withAlpha, bool unpremultiply);
  void ReadSamples(tiff* file, const PageTags& tags);
  void SetUpPalette(tiff* file, const PageTags& tags);
  void ReadStrips(tiff* file, const PageTags& tags);
  void StoreLine(const std::uint8_t* line, std::size_t lineBytes, std::int32_t row, std::uint32_t samplesPerPixel);
  void Orient(std::uint16_t orientation);
};

}  // namespace imaging

// Device-independent bitmap files: with or without the 14-byte file header, with an information
// header of 40 bytes or more or the 12-byte core header; uncompressed, RLE8, RLE4 or bit fields.
#pragma once

#include "imaging/dib_image.h"

namespace imaging {

class ImageFile;

class BmpDecoder final : public CDibImage {
 public:
  BmpDecoder() : CDibImage(ImageFormat::Bmp) {}

  bool Decode(ImageFile* stream);

 private:
  void DecodeBody(ImageFile& stream);
  void ReadPalette(ImageFile& stream, std::int64_t infoStart, std::uint32_t headerSize, std::uint32_t fileColors);
  void ReadPixels(ImageFile& stream, std::uint32_t bitCount, std::uint32_t compression);
};

}  // namespace imaging

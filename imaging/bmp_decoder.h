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
  struct BitMasks {
    std::uint32_t red;
    std::uint32_t green;
    std::uint32_t blue;
  };

  void DecodeBody(ImageFile& stream);
  void ReadPalette(ImageFile& stream, std::int64_t infoStart, std::uint32_t headerSize, std::uint32_t fileColors);
  BitMasks ReadMasks(ImageFile& stream, std::uint32_t bitCount, std::uint32_t compression);
  void ReadPixels(ImageFile& stream, std::uint32_t bitCount, std::uint32_t compression, const BitMasks& masks);
};

}  // namespace imaging

// TGA files, uncompressed and run-length encoded, palette, grey and true colour.
#pragma once

#include "imaging/dib_image.h"

#include <array>

namespace imaging {

class ImageFile;
class StreamReader;

class TgaDecoder final : public CDibImage {
 public:
  TgaDecoder() : CDibImage(ImageFormat::Tga) {}

  bool Decode(ImageFile* stream);

 private:
  void DecodeBody(StreamReader& reader);
  void ReadColorMap(StreamReader& reader, std::uint16_t length, std::uint8_t entryBits);
  void ReadRunLengthLine(StreamReader& reader, std::uint8_t* line, std::size_t pixelBytes);
  void StoreLine(const std::uint8_t* line, std::int32_t row);

  std::uint32_t pixelDepth_ = 0;
  bool attributeAlpha_ = false;
  std::uint32_t pending_ = 0;
  bool repeating_ = false;
  std::array<std::uint8_t, 4> runPixel_{};
};

}  // namespace imaging

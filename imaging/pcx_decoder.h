// PCX files: run-length encoded bit planes or packed pixels.
#pragma once

#include "imaging/dib_image.h"

#include <vector>

namespace imaging {

class ImageFile;
class StreamReader;
struct PcxHeader;

class PcxDecoder final : public CDibImage {
 public:
  PcxDecoder() : CDibImage(ImageFormat::Pcx) {}

  bool Decode(ImageFile* stream);

 private:
  void DecodeBody(StreamReader& reader);
  void Decompress(StreamReader& reader, std::vector<std::uint8_t>& data);
  void SetUpPalette(StreamReader& reader, const PcxHeader& pcx, const std::uint8_t* headerMap);
  void StoreLine(const std::uint8_t* line, const PcxHeader& pcx, std::int32_t row);
};

}  // namespace imaging

// GIF87a and GIF89a files into palette images of 1, 4 or 8 bits, the transparent colour as the
// background index. A file whose first image is smaller than the screen in both directions and
// that has no global colour table is composed: every image is painted in order onto one 24-bit
// screen-sized picture.
#pragma once

#include "imaging/dib_image.h"

#include <array>
#include <cstdint>
#include <span>

namespace imaging {

class ImageFile;
class StreamReader;

class GifDecoder final : public CDibImage {
 public:
  GifDecoder() : CDibImage(ImageFormat::Gif) {}

  bool Decode(ImageFile* stream);

 private:
  struct ColorTable {
    bool present = false;
    std::uint32_t size = 0;
    std::array<std::uint8_t, 3 * 256> rgb{};
  };
  struct ImageDescriptor {
    std::int32_t left;
    std::int32_t top;
    std::int32_t width;
    std::int32_t height;
    std::uint8_t flags;
  };

  bool DecodeBody(StreamReader& reader);
  std::int32_t CountImages(StreamReader& reader);
  // Reads the blocks after the screen descriptor up to the trailer, each extension as it comes;
  // at an image separator `atImage` reads the image and answers whether to go on. Stops early
  // at the end of the file or at an extension that does not read.
  template <typename AtImage>
  void WalkBlocks(StreamReader& reader, AtImage atImage);
  bool ReadExtension(StreamReader& reader);
  ImageDescriptor ReadDescriptor(StreamReader& reader);
  void DecodeImage(StreamReader& reader, const ImageDescriptor& descriptor);
  void SetPaletteFrom(const ColorTable& table);
  void PrepareCanvas();
  void PaintOntoCanvas(const ImageDescriptor& descriptor, std::int32_t pictureRow,
                       std::span<const std::uint8_t> indices);

  std::int32_t screenWidth_ = 0;
  std::int32_t screenHeight_ = 0;
  ColorTable global_;
  ColorTable local_;
  std::array<std::uint8_t, 4> graphicControl_{};
  bool composing_ = false;
  CDibImage canvas_{ImageFormat::Gif};
};

}  // namespace imaging

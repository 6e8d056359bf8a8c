// Places the decoded lines of one GIF image into its bitmap, top picture row first, following
// the four passes of an interlaced image (rows 0, 8, 16 ...; 4, 12 ...; 2, 6 ...; 1, 3 ...).
#pragma once

#include "imaging/dib_image.h"

#include <span>
#include <vector>

namespace imaging {

class GifRows {
 public:
  GifRows(CDibImage& image, bool interlaced);

  // Packs one line of indices into the next row; false once every row has been written.
  bool Write(std::span<const std::uint8_t> indices);

 private:
  void Pack(std::span<const std::uint8_t> indices);
  void AdvanceInterlace();

  CDibImage& image_;
  bool interlaced_;
  std::int32_t height_;
  std::int32_t step_ = 8;
  std::int32_t displayRow_ = 0;
  int pass_ = 0;
  std::vector<std::uint8_t> packed_;
};

}  // namespace imaging

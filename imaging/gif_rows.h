// Hands the decoded lines of one GIF image over by their picture row, top row first, following
// the four passes of an interlaced image (rows 0, 8, 16 ...; 4, 12 ...; 2, 6 ...; 1, 3 ...).
#pragma once

#include "imaging/dib_image.h"

#include <functional>
#include <span>

namespace imaging {

class GifRows {
 public:
  using RowSink = std::function<void(std::int32_t pictureRow, std::span<const std::uint8_t> indices)>;

  GifRows(std::int32_t height, bool interlaced, RowSink sink);

  // Hands one line of indices to the sink as the next row; false once every row has been handed.
  bool Write(std::span<const std::uint8_t> indices);

 private:
  void AdvanceInterlace();

  std::int32_t height_;
  bool interlaced_;
  RowSink sink_;
  std::int32_t step_ = 8;
  std::int32_t pictureRow_ = 0;
  int pass_ = 0;
};

// Packs a line of indices into the image's row for a picture row counted from the top.
void StoreIndexRow(CDibImage& image, std::int32_t pictureRow, std::span<const std::uint8_t> indices);

}  // namespace imaging

#include "imaging/gif_rows.h"

#include <algorithm>
#include <cstring>

namespace imaging {

constexpr int kInterlacePasses = 4;

GifRows::GifRows(std::int32_t height, bool interlaced, RowSink sink)
    : height_(height), interlaced_(interlaced), sink_(std::move(sink)) {}

void GifRows::AdvanceInterlace() {
  pictureRow_ += step_;
  // Rows at or past the height belong to no pass: move on to the next pass that has rows.
  while (pictureRow_ >= height_ && pass_ < kInterlacePasses) {
    ++pass_;
    if (pass_ > 1) step_ /= 2;
    pictureRow_ = step_ / 2;
  }
}

bool GifRows::Write(std::span<const std::uint8_t> indices) {
  if (pass_ >= kInterlacePasses || pictureRow_ >= height_) return false;
  sink_(pictureRow_, indices);
  if (interlaced_) {
    AdvanceInterlace();
  } else {
    ++pictureRow_;
  }
  return true;
}

void StoreIndexRow(CDibImage& image, std::int32_t pictureRow, std::span<const std::uint8_t> indices) {
  const std::uint32_t depth = image.BitCount();
  std::uint8_t* row = image.PixelBits() + static_cast<std::size_t>(image.Height() - pictureRow - 1) * image.RowStride();
  const std::size_t count = std::min(indices.size(), std::size_t{image.RowStride()} * 8 / depth);
  if (depth == 8) {
    std::memcpy(row, indices.data(), count);
    return;
  }
  std::memset(row, 0, image.RowStride());
  const std::uint32_t perByte = 8 / depth;
  const std::uint32_t mask = (1U << depth) - 1;
  for (std::size_t x = 0; x < count; ++x) {
    const auto shift = 8 - depth * (static_cast<std::uint32_t>(x % perByte) + 1);
    row[x / perByte] |= static_cast<std::uint8_t>((indices[x] & mask) << shift);
  }
}

}  // namespace imaging

#include "imaging/gif_rows.h"

#include <algorithm>
#include <cstring>

namespace imaging {

constexpr int kInterlacePasses = 4;

GifRows::GifRows(CDibImage& image, bool interlaced)
    : image_(image), interlaced_(interlaced), height_(image.Height()), packed_(image.RowStride()) {}

void GifRows::Pack(std::span<const std::uint8_t> indices) {
  const std::uint32_t depth = image_.BitCount();
  const std::size_t count = std::min(indices.size(), packed_.size() * 8 / depth);
  if (depth == 8) {
    std::memcpy(packed_.data(), indices.data(), count);
    return;
  }
  std::fill(packed_.begin(), packed_.end(), 0);
  const std::uint32_t perByte = 8 / depth;
  const std::uint32_t mask = (1U << depth) - 1;
  for (std::size_t x = 0; x < count; ++x) {
    const auto shift = 8 - depth * (static_cast<std::uint32_t>(x % perByte) + 1);
    packed_[x / perByte] |= static_cast<std::uint8_t>((indices[x] & mask) << shift);
  }
}

void GifRows::AdvanceInterlace() {
  displayRow_ += step_;
  // Rows at or past the height belong to no pass: move on to the next pass that has rows.
  while (displayRow_ >= height_ && pass_ < kInterlacePasses) {
    ++pass_;
    if (pass_ > 1) step_ /= 2;
    displayRow_ = step_ / 2;
  }
}

bool GifRows::Write(std::span<const std::uint8_t> indices) {
  if (pass_ >= kInterlacePasses || displayRow_ >= height_) return false;
  Pack(indices);
  const std::int32_t storedRow = height_ - displayRow_ - 1;
  std::memcpy(image_.PixelBits() + static_cast<std::size_t>(storedRow) * image_.RowStride(), packed_.data(),
              packed_.size());
  if (interlaced_) {
    AdvanceInterlace();
  } else {
    ++displayRow_;
  }
  return true;
}

}  // namespace imaging

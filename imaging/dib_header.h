// The device-independent bitmap records: the 40-byte information header and the 4-byte palette
// entry, laid out as the platform's bitmap functions read them (naturally aligned, no padding,
// little-endian host).
#pragma once

#include <cstdint>

namespace imaging {

struct BitmapInfoHeader {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kCoreHeaderSize = 12;

struct RgbQuad {
  std::uint8_t blue;
  std::uint8_t green;
  std::uint8_t red;
  std::uint8_t reserved;

  friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};
static_assert(sizeof(RgbQuad) == 4);

}  // namespace imaging

// Bit-field pixel conversion and the information header reader shared by the bitmap decoders.
#include "platform/win/layouts/byte_order.h"
#include "imaging/dib_image.h"
#include "imaging/image_file.h"

#include <array>
#include <bit>

namespace imaging {
namespace {

// One colour channel of a packed pixel: where its mask sits and how wide it is.
struct Channel {
  std::uint32_t mask;
  int shift;
  int bits;

  explicit Channel(std::uint32_t channelMask)
      : mask(channelMask), shift(std::countr_zero(channelMask | 0x80000000U)), bits(std::popcount(channelMask)) {}

  // The channel scaled to 8 bits: its top bit lands on bit 7.
  std::uint8_t Of(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t value = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>(bits >= 8 ? value >> (bits - 8) : value << (8 - bits));
  }
};

}  // namespace

void CDibImage::UnpackBitfields(const std::uint8_t* source, std::uint32_t redMask, std::uint32_t greenMask,
                                std::uint32_t blueMask, std::uint32_t sourceBits) {
  if (dibBlock == nullptr || source == nullptr || header.biBitCount != 24) return;
  const auto width = static_cast<std::size_t>(header.biWidth);
  std::size_t sourceStride = 0;
  if (sourceBits == 16) {
    sourceStride = (width + 1) / 2 * 4;
  } else if (sourceBits == 32) {
    sourceStride = width * 4;
  } else {
    return;
  }
  const Channel red(redMask), green(greenMask), blue(blueMask);
  for (std::size_t y = static_cast<std::size_t>(header.biHeight); y-- > 0;) {
    const std::uint8_t* from = source + y * sourceStride;
    std::uint8_t* to = info.pixels + y * info.rowStride;
    for (std::size_t x = width; x-- > 0;) {
      if (sourceBits == 16) {
        const std::uint32_t pixel = from[2 * x] | from[2 * x + 1] << 8;
        to[3 * x] = blue.Of(pixel);
        to[3 * x + 1] = green.Of(pixel);
        to[3 * x + 2] = red.Of(pixel);
      } else {
        to[3 * x] = from[4 * x];
        to[3 * x + 1] = from[4 * x + 1];
        to[3 * x + 2] = from[4 * x + 2];
      }
    }
  }
}

bool CDibImage::ReadInfoHeader(ImageFile* stream, BitmapInfoHeader* target) {
  if (stream == nullptr || target == nullptr) return false;
  std::array<std::uint8_t, kInfoHeaderSize> bytes{};
  if (stream->Read(bytes.data(), bytes.size(), 1) != 1) return false;
  BitmapInfoHeader& h = *target;
  h = BitmapInfoHeader{};
  h.biSize = win::ReadLe32(bytes, 0);
  if (h.biSize == kCoreHeaderSize) {
    h.biWidth = win::ReadLe16(bytes, 4);
    h.biHeight = win::ReadLe16(bytes, 6);
    h.biPlanes = win::ReadLe16(bytes, 8);
    h.biBitCount = win::ReadLe16(bytes, 10);
    stream->Seek(-static_cast<std::int32_t>(kInfoHeaderSize - kCoreHeaderSize), 1);
  } else {
    h.biWidth = static_cast<std::int32_t>(win::ReadLe32(bytes, 4));
    h.biHeight = static_cast<std::int32_t>(win::ReadLe32(bytes, 8));
    h.biPlanes = win::ReadLe16(bytes, 12);
    h.biBitCount = win::ReadLe16(bytes, 14);
    h.biCompression = win::ReadLe32(bytes, 16);
    h.biSizeImage = win::ReadLe32(bytes, 20);
    h.biXPelsPerMeter = static_cast<std::int32_t>(win::ReadLe32(bytes, 24));
    h.biYPelsPerMeter = static_cast<std::int32_t>(win::ReadLe32(bytes, 28));
    h.biClrUsed = win::ReadLe32(bytes, 32);
    h.biClrImportant = win::ReadLe32(bytes, 36);
  }
  if (h.biSizeImage == 0) {
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(h.biBitCount) * static_cast<std::uint32_t>(h.biWidth) + 31) >> 5;
    h.biSizeImage = static_cast<std::uint32_t>(stride * 4 * static_cast<std::uint32_t>(h.biHeight));
  }
  if (h.biClrUsed == 0) h.biClrUsed = h.biBitCount <= 8 ? 1U << h.biBitCount : 0;
  return true;
}

}  // namespace imaging

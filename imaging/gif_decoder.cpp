#include "imaging/gif_decoder.h"

#include "imaging/byte_order.h"
#include "imaging/decode_guard.h"
#include "imaging/gif_lzw.h"
#include "imaging/gif_rows.h"
#include "imaging/stream_reader.h"

#include <algorithm>
#include <cstring>

namespace imaging {
namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::uint8_t kApplicationLabel = 0xFF;
constexpr std::uint8_t kTransparencyFlag = 0x01;
constexpr std::uint8_t kColorTableFlag = 0x80;
constexpr std::uint8_t kInterlaceFlag = 0x40;

constexpr const char* kTruncated = "Truncated GIF";

std::uint32_t TableSize(std::uint8_t flags) { return 1U << ((flags & 7) + 1); }

std::uint32_t DepthFor(std::uint32_t tableSize) {
  if (tableSize <= 2) return 1;
  if (tableSize <= 16) return 4;
  return 8;
}

// Skips data sub-blocks up to the empty one that ends them.
void SkipSubBlocks(StreamReader& reader) {
  for (int size = reader.Byte(); size > 0; size = reader.Byte()) {
    if (!reader.Skip(static_cast<std::size_t>(size))) return;
  }
}

}  // namespace

bool GifDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  return GuardedDecode(*this, [&] {
    StreamReader reader(*stream);
    return DecodeBody(reader);
  });
}

bool GifDecoder::DecodeBody(StreamReader& reader) {
  std::array<std::uint8_t, 13> screen{};
  const bool complete = reader.Read(screen.data(), screen.size());
  if (std::memcmp(screen.data(), "GIF8", 4) != 0) return false;
  Require(complete, kTruncated);
  screenWidth_ = Le16(screen, 6);
  screenHeight_ = Le16(screen, 8);
  const std::uint8_t screenFlags = screen[10];
  global_.size = TableSize(screenFlags);
  if ((screenFlags & kColorTableFlag) != 0) {
    Require(reader.Read(global_.rgb.data(), 3 * global_.size), kTruncated);
    global_.present = true;
  }

  info.frameCount = CountImages(reader);
  if (info.frame < 0 || info.frame >= info.frameCount) return false;

  std::int32_t imageIndex = 0;
  for (;;) {
    const int block = reader.Byte();
    if (block < 0 || block == kTrailer) break;
    if (block == kExtensionIntroducer) {
      if (!ReadExtension(reader)) break;
    } else if (block == kImageSeparator) {
      DecodeImage(reader, imageIndex);
      if (imageIndex == info.frame) break;
      ++imageIndex;
    }
  }

  if (composing_) {
    if ((graphicControl_[0] & kTransparencyFlag) != 0) {
      const std::uint32_t entry = GetPaletteEntry(static_cast<std::uint32_t>(info.backgroundIndex));
      canvas_.SetBackgroundColor(RgbQuad{static_cast<std::uint8_t>(entry), static_cast<std::uint8_t>(entry >> 8),
                                         static_cast<std::uint8_t>(entry >> 16), 0});
      canvas_.SetBackgroundIndex(0);
    }
    canvas_.RecordFrameCount(info.frameCount);
    MoveFrom(canvas_);
  }
  Require(dibBlock != nullptr, kTruncated);
  return true;
}

std::int32_t GifDecoder::CountImages(StreamReader& reader) {
  const std::int64_t start = reader.Position();
  std::int32_t count = 0;
  for (;;) {
    const int block = reader.Byte();
    if (block < 0 || block == kTrailer) break;
    if (block == kExtensionIntroducer) {
      if (!ReadExtension(reader)) break;
    } else if (block == kImageSeparator) {
      ++count;
      std::array<std::uint8_t, 9> descriptor{};
      if (!reader.Read(descriptor.data(), descriptor.size())) break;
      if ((descriptor[8] & kColorTableFlag) != 0 && !reader.Skip(3 * TableSize(descriptor[8]))) break;
      if (reader.Byte() < 0) break;
      SkipSubBlocks(reader);
    }
  }
  reader.SeekTo(start);
  return count;
}

bool GifDecoder::ReadExtension(StreamReader& reader) {
  const int label = reader.Byte();
  if (label < 0) return false;
  bool ok = true;
  if (label == kGraphicControlLabel) {
    const int size = reader.Byte();
    ok = reader.Read(graphicControl_.data(), graphicControl_.size()) && size == 4;
    if (ok && (graphicControl_[0] & kTransparencyFlag) != 0) info.backgroundIndex = graphicControl_[3];
  } else if (label == kApplicationLabel) {
    std::array<std::uint8_t, 11> identifier{};
    ok = reader.Byte() == 11 && reader.Read(identifier.data(), identifier.size());
  }
  if (ok) SkipSubBlocks(reader);
  return ok;
}

void GifDecoder::SetPaletteFrom(const ColorTable& table) {
  std::array<std::uint8_t, 256> red{}, green{}, blue{};
  bool whitePresent = false;
  for (std::uint32_t i = 0; i < table.size; ++i) {
    red[i] = table.rgb[3 * i];
    green[i] = table.rgb[3 * i + 1];
    blue[i] = table.rgb[3 * i + 2];
    whitePresent = whitePresent || (red[i] == 255 && green[i] == 255 && blue[i] == 255);
  }
  const bool transparent = info.backgroundIndex != -1;
  if (transparent && table.size < 256) {
    std::fill(red.begin() + table.size, red.end(), 255);
    std::fill(green.begin() + table.size, green.end(), 255);
    std::fill(blue.begin() + table.size, blue.end(), 255);
    whitePresent = true;
  }
  if (transparent && !whitePresent) red[255] = green[255] = blue[255] = 255;
  SetPaletteFromPlanes(std::min(transparent ? 256U : table.size, header.biClrUsed), red.data(), green.data(),
                       blue.data());
}

void GifDecoder::DecodeImage(StreamReader& reader, std::int32_t imageIndex) {
  std::array<std::uint8_t, 9> bytes{};
  Require(reader.Read(bytes.data(), bytes.size()), kTruncated);
  const ImageDescriptor descriptor{Le16(bytes, 0), Le16(bytes, 2), Le16(bytes, 4), Le16(bytes, 6), bytes[8]};
  if (imageIndex == 0 && !global_.present && descriptor.width != screenWidth_ &&
      descriptor.height != screenHeight_) {
    composing_ = true;
  }
  local_.present = (descriptor.flags & kColorTableFlag) != 0;
  if (local_.present) {
    local_.size = TableSize(descriptor.flags);
    Require(reader.Read(local_.rgb.data(), 3 * local_.size), kTruncated);
  }
  // A local table serves its own image only; later images go back to the global one.
  const ColorTable& table = local_.present ? local_ : global_;
  Require(Create(descriptor.width, descriptor.height, DepthFor(table.size), ImageFormat::Gif) != nullptr,
          "Can't allocate memory");
  if (table.present) SetPaletteFrom(table);

  GifRows rows(*this, (descriptor.flags & kInterlaceFlag) != 0);
  GifLzw lzw(reader);
  lzw.Decompress(static_cast<std::size_t>(descriptor.width),
                 [&rows](std::span<const std::uint8_t> line) { return rows.Write(line); });

  if (composing_) {
    info.frame = info.frameCount - 1;
    PaintOntoCanvas(descriptor);
  }
}

void GifDecoder::PaintOntoCanvas(const ImageDescriptor& descriptor) {
  if (canvas_.DibBlock() == nullptr) {
    canvas_.CopyInfoFrom(*this);
    Require(canvas_.Create(screenWidth_, screenHeight_, 24, ImageFormat::Gif) != nullptr, "Can't allocate memory");
  }
  // Only the part of the image that lands on the screen is painted.
  const std::int32_t lastRow = std::min(descriptor.height, screenHeight_ - descriptor.top);
  const std::int32_t lastColumn = std::min(descriptor.width, screenWidth_ - descriptor.left);
  const RgbQuad* palette = Palette();
  for (std::int32_t y = 0; y < lastRow; ++y) {
    std::uint8_t* target = canvas_.PixelBits() +
                           static_cast<std::size_t>(screenHeight_ - descriptor.top - y - 1) * canvas_.RowStride() +
                           3 * static_cast<std::size_t>(descriptor.left);
    const std::int32_t row = descriptor.height - 1 - y;
    for (std::int32_t x = 0; x < lastColumn; ++x, target += 3) {
      const RgbQuad color = palette != nullptr ? palette[PixelIndexAt(x, row)] : RgbQuad{};
      target[0] = color.blue;
      target[1] = color.green;
      target[2] = color.red;
    }
  }
}

}  // namespace imaging

#include "imaging/gif_decoder.h"

#include "platform/win/layouts/byte_order.h"
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

// Skips an image's local colour table and data after its descriptor; false at the end of the file.
bool SkipImage(StreamReader& reader, std::uint8_t descriptorFlags) {
  if ((descriptorFlags & kColorTableFlag) != 0 && !reader.Skip(3 * TableSize(descriptorFlags))) return false;
  if (reader.Byte() < 0) return false;
  SkipSubBlocks(reader);
  return true;
}

}  // namespace

template <typename AtImage>
void GifDecoder::WalkBlocks(StreamReader& reader, AtImage atImage) {
  for (;;) {
    const int block = reader.Byte();
    if (block < 0 || block == kTrailer) return;
    if (block == kExtensionIntroducer) {
      if (!ReadExtension(reader)) return;
    } else if (block == kImageSeparator && !atImage()) {
      return;
    }
  }
}

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
  screenWidth_ = win::ReadLe16(screen, 6);
  screenHeight_ = win::ReadLe16(screen, 8);
  const std::uint8_t screenFlags = screen[10];
  global_.size = TableSize(screenFlags);
  if ((screenFlags & kColorTableFlag) != 0) {
    Require(reader.Read(global_.rgb.data(), 3 * global_.size), kTruncated);
    global_.present = true;
  }

  info.frameCount = CountImages(reader);
  if (info.frame < 0 || info.frame >= info.frameCount) return false;

  std::int32_t imageIndex = 0;
  WalkBlocks(reader, [&] {
    const ImageDescriptor descriptor = ReadDescriptor(reader);
    if (imageIndex == 0 && !global_.present && descriptor.width != screenWidth_ && descriptor.height != screenHeight_) {
      composing_ = true;
      info.frame = info.frameCount - 1;
    }
    // Images before the one asked for are seen only when they are painted under it, so the work
    // stays that of one picture however many frames the file declares.
    if (composing_ || imageIndex == info.frame) {
      DecodeImage(reader, descriptor);
    } else if (!SkipImage(reader, descriptor.flags)) {
      return false;
    }
    if (imageIndex == info.frame) return false;
    ++imageIndex;
    return true;
  });

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
  WalkBlocks(reader, [&] {
    ++count;
    std::array<std::uint8_t, 9> descriptor{};
    return reader.Read(descriptor.data(), descriptor.size()) && SkipImage(reader, descriptor[8]);
  });
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

GifDecoder::ImageDescriptor GifDecoder::ReadDescriptor(StreamReader& reader) {
  std::array<std::uint8_t, 9> bytes{};
  Require(reader.Read(bytes.data(), bytes.size()), kTruncated);
  return ImageDescriptor{win::ReadLe16(bytes, 0), win::ReadLe16(bytes, 2), win::ReadLe16(bytes, 4),
                         win::ReadLe16(bytes, 6), bytes[8]};
}

void GifDecoder::DecodeImage(StreamReader& reader, const ImageDescriptor& descriptor) {
  local_.present = (descriptor.flags & kColorTableFlag) != 0;
  if (local_.present) {
    local_.size = TableSize(descriptor.flags);
    Require(reader.Read(local_.rgb.data(), 3 * local_.size), kTruncated);
  }
  // A local table serves its own image only; later images go back to the global one.
  const ColorTable& table = local_.present ? local_ : global_;
  // A composed image goes line by line onto the screen: its own bitmap needs only hold its palette.
  Require(
      Create(descriptor.width, composing_ ? 1 : descriptor.height, DepthFor(table.size), ImageFormat::Gif) != nullptr,
      "Can't allocate memory");
  if (table.present) SetPaletteFrom(table);
  if (composing_) PrepareCanvas();

  GifRows rows(descriptor.height, (descriptor.flags & kInterlaceFlag) != 0,
               [&](std::int32_t pictureRow, std::span<const std::uint8_t> indices) {
                 if (composing_) {
                   PaintOntoCanvas(descriptor, pictureRow, indices);
                 } else {
                   StoreIndexRow(*this, pictureRow, indices);
                 }
               });
  GifLzw lzw(reader);
  lzw.Decompress(static_cast<std::size_t>(descriptor.width),
                 [&rows](std::span<const std::uint8_t> line) { return rows.Write(line); });
}

void GifDecoder::PrepareCanvas() {
  if (canvas_.DibBlock() != nullptr) return;
  canvas_.CopyInfoFrom(*this);
  Require(canvas_.Create(screenWidth_, screenHeight_, 24, ImageFormat::Gif) != nullptr, "Can't allocate memory");
}

void GifDecoder::PaintOntoCanvas(const ImageDescriptor& descriptor, std::int32_t pictureRow,
                                 std::span<const std::uint8_t> indices) {
  // Only the part of the image that lands on the screen is painted; rows the data never reached
  // leave the screen under them as it was.
  const std::int32_t screenRow = descriptor.top + pictureRow;
  if (screenRow >= screenHeight_ || descriptor.left >= screenWidth_) return;
  const std::size_t columns = std::min(indices.size(), static_cast<std::size_t>(screenWidth_ - descriptor.left));
  const RgbQuad* palette = Palette();
  const std::uint32_t mask = (1U << BitCount()) - 1;
  std::uint8_t* target = canvas_.PixelBits() +
                         static_cast<std::size_t>(screenHeight_ - screenRow - 1) * canvas_.RowStride() +
                         3 * static_cast<std::size_t>(descriptor.left);
  for (std::size_t x = 0; x < columns; ++x, target += 3) {
    const RgbQuad color = palette != nullptr ? palette[indices[x] & mask] : RgbQuad{};
    target[0] = color.blue;
    target[1] = color.green;
    target[2] = color.red;
  }
}

}  // namespace imaging

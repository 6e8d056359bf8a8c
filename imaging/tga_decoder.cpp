#include "imaging/tga_decoder.h"

#include "platform/win/layouts/byte_order.h"
#include "imaging/decode_guard.h"
#include "imaging/image_file.h"
#include "imaging/stream_reader.h"

#include <algorithm>
#include <array>
#include <vector>

namespace imaging {
namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::uint8_t kRightToLeft = 0x10;
constexpr std::uint8_t kTopToBottom = 0x20;
constexpr std::uint8_t kAttributeBits = 0x0F;
constexpr std::uint8_t kRunPacket = 0x80;
constexpr const char* kCorrupted = "corrupted TGA";

struct TgaHeader {
  std::uint8_t idLength;
  std::uint8_t colorMapType;
  std::uint8_t imageType;
  std::uint16_t colorMapLength;
  std::uint8_t colorMapEntryBits;
  std::int32_t width;
  std::int32_t height;
  std::uint8_t pixelDepth;
  std::uint8_t descriptor;
};

bool IsKnownDepth(std::uint8_t depth) { return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32; }
bool IsGrey(std::uint8_t imageType) { return imageType == 3 || imageType == 11; }
bool IsRunLength(std::uint8_t imageType) { return imageType >= 9 && imageType <= 11; }
bool IsKnownType(std::uint8_t imageType) { return (imageType >= 1 && imageType <= 3) || IsRunLength(imageType); }

// Blue, green, red and alpha of one 16-bit pixel: 5 bits per colour, the top bit the attribute.
RgbQuad From16Bits(std::uint16_t word) {
  return RgbQuad{static_cast<std::uint8_t>((word & 0x1F) << 3), static_cast<std::uint8_t>((word >> 2) & 0xF8),
                 static_cast<std::uint8_t>((word >> 7) & 0xF8),
                 static_cast<std::uint8_t>((word & 0x8000) != 0 ? 255 : 0)};
}

}  // namespace

bool TgaDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  return GuardedDecode(*this, [&] {
    StreamReader reader(*stream);
    DecodeBody(reader);
    return true;
  });
}

void TgaDecoder::DecodeBody(StreamReader& reader) {
  std::array<std::uint8_t, kHeaderSize> bytes{};
  Require(reader.Read(bytes.data(), bytes.size()), "Not a TGA");
  const TgaHeader tga{bytes[0],
                      bytes[1],
                      bytes[2],
                      win::ReadLe16(bytes, 5),
                      bytes[7],
                      win::ReadLe16(bytes, 12),
                      win::ReadLe16(bytes, 14),
                      bytes[16],
                      bytes[17]};
  Require(reader.Skip(tga.idLength), kCorrupted);
  Require(IsKnownDepth(tga.pixelDepth), "Unsupported TGA pixel depth");
  Require(Create(tga.width, tga.height, tga.pixelDepth, ImageFormat::Tga) != nullptr, "TGA Create failed");
  const bool withAlpha = tga.pixelDepth == 16 || tga.pixelDepth == 32;
  if (withAlpha) {
    CreateAlpha();
    Require(alphaPlane != nullptr, "TGA Create failed");
  }
  // Only a 16-bit pixel whose header announces an attribute bit carries transparency in it.
  attributeAlpha_ = (tga.descriptor & kAttributeBits) == 1;
  if (tga.colorMapType != 0) ReadColorMap(reader, tga.colorMapLength, tga.colorMapEntryBits);
  if (IsGrey(tga.imageType)) FillGrayPalette();
  Require(IsKnownType(tga.imageType), "Unknown TGA image type");

  pixelDepth_ = tga.pixelDepth;
  const std::size_t pixelBytes = (pixelDepth_ + 7U) / 8U;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(tga.width) * pixelBytes);
  for (std::int32_t i = 0; i < tga.height; ++i) {
    const std::int32_t row = (tga.descriptor & kTopToBottom) != 0 ? tga.height - 1 - i : i;
    if (IsRunLength(tga.imageType)) {
      ReadRunLengthLine(reader, line.data(), pixelBytes);
    } else {
      Require(reader.Read(line.data(), line.size()), kCorrupted);
    }
    StoreLine(line.data(), row);
  }
  if ((tga.descriptor & kRightToLeft) != 0) MirrorHorizontal();
}

void TgaDecoder::ReadColorMap(StreamReader& reader, std::uint16_t length, std::uint8_t entryBits) {
  // Entries are read at the size the header gives, so the pixel data after them stays in step.
  const std::size_t entryBytes = (entryBits + 7U) / 8U;
  std::vector<std::uint8_t> map(length * entryBytes);
  Require(reader.Read(map.data(), map.size()), kCorrupted);
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(length, header.biClrUsed); ++i) {
    const std::uint8_t* entry = map.data() + i * entryBytes;
    RgbQuad color{};
    if (entryBytes == 2) {
      color = From16Bits(win::ReadLe16(map, i * entryBytes));
    } else if (entryBytes >= 3) {
      color = RgbQuad{entry[0], entry[1], entry[2], 0};
    }
    SetPaletteEntry(i, color.red, color.green, color.blue, 0);
  }
}

void TgaDecoder::ReadRunLengthLine(StreamReader& reader, std::uint8_t* line, std::size_t pixelBytes) {
  const auto width = static_cast<std::size_t>(header.biWidth);
  std::size_t x = 0;
  while (x < width) {
    // A packet may run on into the next line: what is left of it is carried over.
    if (pending_ == 0) {
      const int packet = reader.Byte();
      Require(packet >= 0, kCorrupted);
      pending_ = (packet & 0x7F) + 1U;
      repeating_ = (packet & kRunPacket) != 0;
      if (repeating_) Require(reader.Read(runPixel_.data(), pixelBytes), kCorrupted);
    }
    const std::size_t count = std::min<std::size_t>(pending_, width - x);
    if (repeating_) {
      for (std::size_t i = 0; i < count; ++i) std::copy_n(runPixel_.data(), pixelBytes, line + (x + i) * pixelBytes);
    } else {
      Require(reader.Read(line + x * pixelBytes, count * pixelBytes), kCorrupted);
    }
    x += count;
    pending_ -= static_cast<std::uint32_t>(count);
  }
}

void TgaDecoder::StoreLine(const std::uint8_t* line, std::int32_t row) {
  std::uint8_t* target = info.pixels + static_cast<std::size_t>(row) * info.rowStride;
  const auto width = static_cast<std::size_t>(header.biWidth);
  switch (pixelDepth_) {
    case 8: std::copy_n(line, width, target); return;
    case 15:
    case 16:
      for (std::size_t x = 0; x < width; ++x, target += 3) {
        const RgbQuad color = From16Bits(static_cast<std::uint16_t>(line[2 * x] | line[2 * x + 1] << 8));
        target[0] = color.blue;
        target[1] = color.green;
        target[2] = color.red;
        SetAlphaAt(static_cast<std::int32_t>(x), row, attributeAlpha_ ? color.reserved : 255);
      }
      return;
    case 24: std::copy_n(line, width * 3, target); return;
    case 32:
      for (std::size_t x = 0; x < width; ++x, target += 3) {
        std::copy_n(line + 4 * x, 3, target);
        SetAlphaAt(static_cast<std::int32_t>(x), row, line[4 * x + 3]);
      }
      return;
    default: return;
  }
}

}  // namespace imaging

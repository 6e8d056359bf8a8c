#include "imaging/pcx_decoder.h"

#include "platform/win/layouts/byte_order.h"
#include "imaging/decode_guard.h"
#include "imaging/image_file.h"
#include "imaging/stream_reader.h"

#include <algorithm>
#include <array>
#include <vector>

namespace imaging {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::uint8_t kManufacturer = 10;
constexpr std::uint8_t kRunLengthEncoding = 1;
constexpr std::uint8_t kPaletteMarker = 12;
constexpr int kRunFlag = 0xC0;
constexpr const char* kCorrupted = "corrupted PCX";

// The bits of one plane pixel of a packed line: bits wide, most significant first.
std::uint8_t PackedIndex(const std::uint8_t* line, std::int32_t x, std::uint32_t bits) {
  const std::uint32_t perByte = 8 / bits;
  const auto shift = 8 - bits * (static_cast<std::uint32_t>(x) % perByte + 1);
  return static_cast<std::uint8_t>((line[static_cast<std::uint32_t>(x) / perByte] >> shift) & ((1U << bits) - 1));
}

}  // namespace

struct PcxHeader {
  std::uint8_t bitsPerPixel;
  std::int32_t width;
  std::int32_t height;
  std::uint8_t planes;
  std::uint16_t bytesPerLine;
};

bool PcxDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  return GuardedDecode(*this, [&] {
    StreamReader reader(*stream);
    DecodeBody(reader);
    return true;
  });
}

void PcxDecoder::DecodeBody(StreamReader& reader) {
  std::array<std::uint8_t, kHeaderSize> bytes{};
  Require(reader.Read(bytes.data(), bytes.size()), "Can't read PCX image");
  Require(bytes[0] == kManufacturer, "Error: Not a PCX file");
  Require(bytes[2] == kRunLengthEncoding, "PCX file has unknown encoding scheme");
  const PcxHeader pcx{bytes[3], win::ReadLe16(bytes, 8) - win::ReadLe16(bytes, 4) + 1,
                      win::ReadLe16(bytes, 10) - win::ReadLe16(bytes, 6) + 1, bytes[65], win::ReadLe16(bytes, 66)};
  info.xDpi = win::ReadLe16(bytes, 12);
  info.yDpi = win::ReadLe16(bytes, 14);
  Require(pcx.planes <= 4, "Can't handle image with more than 4 planes");
  Require(pcx.planes >= 1, kCorrupted);
  Require(pcx.bitsPerPixel == 1 || pcx.bitsPerPixel == 2 || pcx.bitsPerPixel == 4 || pcx.bitsPerPixel == 8, kCorrupted);
  const bool truecolor = pcx.bitsPerPixel == 8 && (pcx.planes == 3 || pcx.planes == 4);
  Require(truecolor || pcx.planes <= 1 || pcx.bitsPerPixel == 1, "Can't handle more than 1 bit per pixel");
  // Two to four planes of one bit are EGA pictures of up to 16 colours.
  const std::uint32_t depth = truecolor ? 24 : pcx.planes > 1 ? 4 : pcx.bitsPerPixel;
  Require(Create(pcx.width, pcx.height, depth, ImageFormat::Pcx) != nullptr, "Can't allocate memory");
  // Each plane line must hold the pixels of the image's width.
  Require(pcx.bytesPerLine * 8ULL >= static_cast<std::uint64_t>(pcx.width) * pcx.bitsPerPixel, kCorrupted);
  if (pcx.planes == 4 && truecolor) {
    CreateAlpha();
    Require(alphaPlane != nullptr, "Can't allocate memory");
  }

  const std::size_t lineBytes = std::size_t{pcx.planes} * pcx.bytesPerLine;
  // Lines far longer than the width asks for cannot come from an encoder.
  Require(lineBytes * static_cast<std::size_t>(pcx.height) <= ImageSizeLimit(), "Can't allocate memory");
  std::vector<std::uint8_t> data(lineBytes * static_cast<std::size_t>(pcx.height));
  Decompress(reader, data);
  SetUpPalette(reader, pcx, bytes.data() + 16);
  for (std::int32_t y = 0; y < pcx.height; ++y) {
    StoreLine(data.data() + static_cast<std::size_t>(y) * lineBytes, pcx, pcx.height - 1 - y);
  }
}

void PcxDecoder::Decompress(StreamReader& reader, std::vector<std::uint8_t>& data) {
  std::size_t filled = 0;
  while (filled < data.size()) {
    const int code = reader.Byte();
    Require(code >= 0, kCorrupted);
    if (code < kRunFlag) {
      data[filled++] = static_cast<std::uint8_t>(code);
      continue;
    }
    const auto count = static_cast<std::size_t>(code & 0x3F);
    const int value = reader.Byte();
    Require(value >= 0, kCorrupted);
    Require(count <= data.size() - filled, "repeat count spans end of image");
    std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(filled), count, static_cast<std::uint8_t>(value));
    filled += count;
  }
}

void PcxDecoder::SetUpPalette(StreamReader& reader, const PcxHeader& pcx, const std::uint8_t* headerMap) {
  std::array<std::uint8_t, 3 * 256> map{};
  std::copy_n(headerMap, 48, map.begin());
  if (pcx.bitsPerPixel == 8 && pcx.planes == 1) {
    Require(reader.Byte() == kPaletteMarker, "bad color map signature");
    Require(reader.Read(map.data(), map.size()), kCorrupted);
  } else if (pcx.bitsPerPixel == 1 && pcx.planes == 1) {
    map = {};
    map[3] = map[4] = map[5] = 255;
  }
  SetPaletteFromTriples(map.data(), header.biClrUsed);
}

void PcxDecoder::StoreLine(const std::uint8_t* line, const PcxHeader& pcx, std::int32_t row) {
  const std::uint16_t plane = pcx.bytesPerLine;
  if (header.biBitCount == 24) {
    std::uint8_t* target = info.pixels + static_cast<std::size_t>(row) * info.rowStride;
    for (std::int32_t x = 0; x < pcx.width; ++x, target += 3) {
      target[0] = line[2 * plane + x];
      target[1] = line[plane + x];
      target[2] = line[x];
      if (pcx.planes == 4) SetAlphaAt(x, row, line[3 * plane + x]);
    }
    return;
  }
  for (std::int32_t x = 0; x < pcx.width; ++x) {
    if (pcx.planes <= 1) {
      SetPixelIndexAt(x, row, PackedIndex(line, x, pcx.bitsPerPixel));
      continue;
    }
    std::uint8_t index = 0;
    for (std::uint32_t p = 0; p < pcx.planes; ++p) {
      index = static_cast<std::uint8_t>(index | PackedIndex(line + p * plane, x, 1) << p);
    }
    SetPixelIndexAt(x, row, index);
  }
}

}  // namespace imaging

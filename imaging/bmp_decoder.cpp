#include "imaging/bmp_decoder.h"

#include "imaging/bmp_rle.h"
#include "platform/win/layouts/byte_order.h"
#include "imaging/decode_guard.h"
#include "imaging/image_file.h"
#include "imaging/stream_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace imaging {
namespace {

constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;
constexpr const char* kTruncated = "Truncated BMP";
constexpr const char* kBeyondFile = "BMP rows beyond the file";

// Default 16-bit layout: 5 bits each of red, green, blue.
constexpr std::uint32_t kRed555 = 0x7C00;
constexpr std::uint32_t kGreen555 = 0x03E0;
constexpr std::uint32_t kBlue555 = 0x001F;

// A file cut short (a partly recovered photo) keeps what it holds: the bytes that are not there
// stay as the image was created.
void ReadWhatIsThere(ImageFile& stream, void* target, std::size_t count) { stream.Read(target, 1, count); }

void SeekTo(ImageFile& stream, std::int64_t position) {
  Require(position >= 0 && position <= std::numeric_limits<std::int32_t>::max() &&
              stream.Seek(static_cast<std::int32_t>(position), 0),
          kTruncated);
}

// Uncompressed rows take their full size in the file: rows that neither the file nor the size its
// header declares could hold are a damaged header, not a picture cut short. Compressed rows may
// be any length.
bool RowsCouldBeInFile(const BitmapInfoHeader& header, std::uint32_t compression, std::uint64_t rowBytesThere) {
  const std::uint32_t bits = header.biBitCount;
  const bool packed = compression == kRgb || (compression == kBitfields && (bits == 16 || bits == 32));
  if (!packed || header.biWidth <= 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
    return true;
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(header.biWidth) * bits + 31) / 32 * 4;
  return rowBytes * static_cast<std::uint64_t>(header.biHeight) <= rowBytesThere;
}

std::int32_t DotsPerInch(std::int32_t pixelsPerMetre) {
  return static_cast<std::int32_t>(std::floor(pixelsPerMetre * 0.0254 + 0.5));
}

}  // namespace

bool BmpDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  return GuardedDecode(*this, [&] {
    DecodeBody(*stream);
    return true;
  });
}

void BmpDecoder::DecodeBody(ImageFile& stream) {
  const std::int64_t start = stream.Tell();
  std::array<std::uint8_t, kFileHeaderSize> fileHeader{};
  const std::size_t got = stream.Read(fileHeader.data(), 1, fileHeader.size());
  Require(got > 0, "Not a BMP");
  std::int64_t pixelOffset = 0;
  std::int64_t declaredSize = 0;
  std::uint32_t fileHeaderSize = kFileHeaderSize;
  if (got < 2 || win::ReadLe16(fileHeader, 0) != kBitmapType) {
    SeekTo(stream, start);
    fileHeaderSize = 0;
  } else {
    Require(got == fileHeader.size(), kTruncated);
    pixelOffset = win::ReadLe32(fileHeader, 10);
    declaredSize = win::ReadLe32(fileHeader, 2);
  }

  Require(ReadInfoHeader(&stream, &header), "Error reading BMP info");
  const std::uint32_t compression = header.biCompression;
  const std::uint32_t bitCount = header.biBitCount;
  const std::uint32_t headerSize = header.biSize;
  const std::uint32_t fileColors = header.biClrUsed;
  header.biSize = kInfoHeaderSize;
  Require(header.biHeight != std::numeric_limits<std::int32_t>::min(), "Error reading BMP info");
  const bool topDown = header.biHeight < 0;
  if (topDown) header.biHeight = -header.biHeight;
  // The rows start at the pixel offset, else after the headers (and the palette, left out here).
  const std::int64_t rowsStart = pixelOffset != 0 ? pixelOffset : std::int64_t{fileHeaderSize} + headerSize;
  const std::int64_t bytesForRows = std::max<std::int64_t>(declaredSize, stream.Size() - start) - rowsStart;
  Require(RowsCouldBeInFile(header, compression, static_cast<std::uint64_t>(std::max<std::int64_t>(bytesForRows, 0))),
          kBeyondFile);

  Require(Create(header.biWidth, header.biHeight, bitCount, ImageFormat::Bmp) != nullptr, "Can't allocate memory");
  info.xDpi = DotsPerInch(header.biXPelsPerMeter);
  info.yDpi = DotsPerInch(header.biYPelsPerMeter);

  if (Palette() != nullptr) ReadPalette(stream, start + fileHeaderSize, headerSize, fileColors);
  const BitMasks masks = ReadMasks(stream, bitCount, compression);
  if (pixelOffset != 0) SeekTo(stream, start + pixelOffset);
  ReadPixels(stream, bitCount, compression, masks);
  if (topDown) FlipVertical();
}

void BmpDecoder::ReadPalette(ImageFile& stream, std::int64_t infoStart, std::uint32_t headerSize,
                             std::uint32_t fileColors) {
  // Only the entries the file holds are read: an image may list fewer colours than its depth allows.
  const std::uint32_t entries = fileColors > 0 && fileColors < header.biClrUsed ? fileColors : header.biClrUsed;
  auto* palette = reinterpret_cast<std::uint8_t*>(Palette());
  if (headerSize == kCoreHeaderSize) {
    ReadWhatIsThere(stream, palette, 3 * entries);
    for (std::uint32_t i = entries; i-- > 0;) {
      palette[4 * i + 3] = 0;
      palette[4 * i + 2] = palette[3 * i + 2];
      palette[4 * i + 1] = palette[3 * i + 1];
      palette[4 * i] = palette[3 * i];
    }
    return;
  }
  // Later header versions are longer than 40 bytes; the palette follows the whole header.
  if (headerSize > kInfoHeaderSize) SeekTo(stream, infoStart + headerSize);
  ReadWhatIsThere(stream, palette, 4 * entries);
}

BmpDecoder::BitMasks BmpDecoder::ReadMasks(ImageFile& stream, std::uint32_t bitCount, std::uint32_t compression) {
  if (bitCount != 16 || compression != kBitfields) return BitMasks{kRed555, kGreen555, kBlue555};
  // The masks follow the 40 bytes of the information header (inside the longer headers, the same
  // place), not the pixel offset.
  std::array<std::uint8_t, 12> bytes{};
  ReadWhatIsThere(stream, bytes.data(), bytes.size());
  return BitMasks{win::ReadLe32(bytes, 0), win::ReadLe32(bytes, 4), win::ReadLe32(bytes, 8)};
}

void BmpDecoder::ReadPixels(ImageFile& stream, std::uint32_t bitCount, std::uint32_t compression,
                            const BitMasks& masks) {
  const auto width = static_cast<std::size_t>(header.biWidth);
  const auto height = static_cast<std::size_t>(header.biHeight);
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
      if (compression == kRgb) {
        ReadWhatIsThere(stream, info.pixels, header.biSizeImage);
      } else if (compression == kRle8 || compression == kRle4) {
        // Runs cut short by the end of the file leave the rows decoded so far.
        StreamReader reader(stream);
        compression == kRle8 ? DecodeRle8(reader, *this) : DecodeRle4(reader, *this);
      } else {
        Fail("compression type not supported");
      }
      return;
    case 16:
      ReadWhatIsThere(stream, info.pixels, (width + 1) / 2 * 4 * height);
      UnpackBitfields(info.pixels, masks.red, masks.green, masks.blue, 16);
      return;
    case 24:
      Require(compression == kRgb, "unknown compression");
      ReadWhatIsThere(stream, info.pixels, header.biSizeImage);
      return;
    case 32: {
      Require(compression == kRgb || compression == kBitfields, "unknown compression");
      const std::size_t bytes = width * height * 4;
      std::unique_ptr<std::uint8_t[]> work(new (std::nothrow) std::uint8_t[bytes]);
      Require(work != nullptr, "can't allocate memory");
      ReadWhatIsThere(stream, work.get(), bytes);
      UnpackBitfields(work.get(), 0, 0, 0, 32);
      return;
    }
    default: return;
  }
}

}  // namespace imaging

#include "imaging/png_decoder.h"

#include "imaging/image_file.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include <png.h>

namespace imaging {
namespace {

constexpr std::uint8_t kGreyOf2Bits[4] = {0, 85, 170, 255};
constexpr std::uint8_t kDefaultBackgroundGrey = 192;
// A chunk header: its data length (big-endian) and its type; the chunk ends with a 4-byte CRC.
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kChunkTypeOffset = 4;
constexpr std::int64_t kChunkCrcSize = 4;

// libpng's structures and the row buffers; built before the jump point and destroyed after it,
// so a jump back skips nothing that needs destroying.
struct Session {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> row;
  std::vector<std::uint8_t> frame;

  ~Session() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

// libpng buffers a chunk other than image data whole before it reads it: a damaged length
// must not make it reserve and clear gigabytes. A length that runs past the end of the file is
// refused here; a large chunk the file really holds is read, and image data is never buffered.
void RefuseChunkPastTheEnd(png_structp png, ImageFile& stream, std::span<const std::uint8_t> header) {
  if (header.size() != kChunkHeaderSize || (png_get_io_state(png) & PNG_IO_MASK_LOC) != PNG_IO_CHUNK_HDR) return;
  if (std::memcmp(header.data() + kChunkTypeOffset, "IDAT", 4) == 0) return;
  const std::int64_t left = std::int64_t{stream.Size()} - stream.Tell();
  if (std::int64_t{win::ReadBe32(header, 0)} + kChunkCrcSize > left) {
    png_error(png, "chunk runs past the end of the file");
  }
}

void ReadFromStream(png_structp png, png_bytep data, png_size_t length) {
  auto* stream = static_cast<ImageFile*>(png_get_io_ptr(png));
  if (stream->Read(data, 1, length) < length) png_error(png, "Read Error");
  RefuseChunkPastTheEnd(png, *stream, std::span<const std::uint8_t>(data, length));
}

void StoreErrorAndJump(png_structp png, png_const_charp message) {
  static_cast<CDibImage*>(png_get_error_ptr(png))->SetLastError(message);
  png_longjmp(png, 1);
}

// Widens a row of 2-bit indices to 4-bit ones in place, last pixel first (the high nibble holds
// the even pixel).
void Widen2BitRow(std::uint8_t* row, std::uint32_t width) {
  for (std::uint32_t i = width; i-- > 0;) {
    const auto index = static_cast<std::uint8_t>((row[i / 4] >> (6 - 2 * (i % 4))) & 3);
    std::uint8_t& target = row[i / 2];
    if (i % 2 == 1) {
      target = static_cast<std::uint8_t>((target & 0xF0) | index);
    } else {
      target = static_cast<std::uint8_t>(index << 4 | (i == width - 1 ? 0 : target & 0x0F));
    }
  }
}

}  // namespace

bool PngDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  auto session = std::make_unique<Session>();
  session->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (session->png == nullptr) {
    SetLastError("Failed to create PNG structure");
    return false;
  }
  session->info = png_create_info_struct(session->png);
  if (session->info == nullptr) {
    SetLastError("Failed to initialize PNG info structure");
    return false;
  }
  if (setjmp(png_jmpbuf(session->png)) != 0) {
    Destroy();
    return false;
  }
  png_set_read_fn(session->png, stream, ReadFromStream);
  png_set_error_fn(session->png, static_cast<CDibImage*>(this), StoreErrorAndJump, nullptr);
  png_read_info(session->png, session->info);
  ReadPixels(session->png, session->info, session->row, session->frame);
  png_read_end(session->png, nullptr);
  return true;
}

void PngDecoder::SetUpTransforms(png_structp png, png_infop pngInfo, std::uint32_t pixelDepth) {
  png_color_16p fileBackground = nullptr;
  const bool hasBackground = png_get_bKGD(png, pngInfo, &fileBackground) != 0;
  // Compositing changes only pixels that can be transparent: skip it for the others.
  const bool canBeTransparent =
      (png_get_color_type(png, pngInfo) & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, pngInfo, PNG_INFO_tRNS) != 0;
  if (pixelDepth != 32 && canBeTransparent) {
    if (hasBackground) {
      png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
      png_color_16 grey{0, kDefaultBackgroundGrey, kDefaultBackgroundGrey, kDefaultBackgroundGrey, 0};
      png_set_background(png, &grey, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
  } else if (pixelDepth == 32 && hasBackground) {
    info.backgroundColor =
        RgbQuad{static_cast<std::uint8_t>(fileBackground->blue), static_cast<std::uint8_t>(fileBackground->green),
                static_cast<std::uint8_t>(fileBackground->red), 0};
  }
  if (png_get_bit_depth(png, pngInfo) == 16) png_set_strip_16(png);
}

void PngDecoder::SetUpPalette(png_structp png, png_infop pngInfo) {
  png_colorp entries = nullptr;
  int entryCount = 0;
  if (png_get_PLTE(png, pngInfo, &entries, &entryCount) != 0) {
    SetPaletteFromTriples(reinterpret_cast<const std::uint8_t*>(entries), static_cast<std::uint32_t>(entryCount));
  } else if (png_get_bit_depth(png, pngInfo) == 2) {
    for (std::uint32_t i = 0; i < 4; ++i) SetPaletteEntry(i, kGreyOf2Bits[i], kGreyOf2Bits[i], kGreyOf2Bits[i], 0);
  } else {
    FillGrayPalette();
  }
  png_bytep alphas = nullptr;
  int alphaCount = 0;
  RgbQuad* palette = Palette();
  if (palette == nullptr || png_get_tRNS(png, pngInfo, &alphas, &alphaCount, nullptr) == 0 || alphas == nullptr) {
    return;
  }
  const auto used = std::min(static_cast<std::uint32_t>(alphaCount), header.biClrUsed);
  for (std::uint32_t i = 0; i < used; ++i) palette[i].reserved = alphas[i];
  if (alphaCount == 1 && alphas[0] == 0) {
    info.backgroundIndex = 0;
  } else {
    for (std::uint32_t i = used; i < header.biClrUsed; ++i) palette[i].reserved = 255;
  }
}

void PngDecoder::ReadPixels(png_structp png, png_infop pngInfo, std::vector<std::uint8_t>& row,
                            std::vector<std::uint8_t>& frame) {
  const std::uint32_t width = png_get_image_width(png, pngInfo);
  const std::uint32_t height = png_get_image_height(png, pngInfo);
  const int colorType = png_get_color_type(png, pngInfo);
  const int bitDepth = png_get_bit_depth(png, pngInfo);
  const std::uint32_t pixelDepth = png_get_channels(png, pngInfo) * static_cast<std::uint32_t>(bitDepth);
  SetUpTransforms(png, pngInfo, pixelDepth);
  const std::uint32_t depth = pixelDepth > 16 ? 24 : pixelDepth == 16 ? 8 : pixelDepth;
  if (Create(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), depth, ImageFormat::Png) == nullptr) {
    png_error(png, "Can't allocate memory");
  }
  SetUpPalette(png, pngInfo);

  const bool withAlpha =
      colorType == PNG_COLOR_TYPE_RGB_ALPHA || (colorType == PNG_COLOR_TYPE_GRAY_ALPHA && pixelDepth == 32);
  if (withAlpha) {
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
      png_set_gray_to_rgb(png);
      png_set_expand(png);
    }
    png_set_filler(png, 255, PNG_FILLER_AFTER);
    CreateAlpha();
    if (alphaPlane == nullptr) png_error(png, "Can't allocate memory");
  }
  if ((colorType & PNG_COLOR_MASK_COLOR) != 0) png_set_bgr(png);

  const bool interlaced = png_get_interlace_type(png, pngInfo) != PNG_INTERLACE_NONE;
  const int passes = interlaced ? png_set_interlace_handling(png) : 1;
  const std::size_t rowBytes = (pixelDepth + 7) / 8 * static_cast<std::size_t>(width) + 10;
  row.resize(rowBytes);
  // Passes of an interlaced file with alpha are merged into one frame of 4-byte pixels.
  if (withAlpha && interlaced) frame.resize(static_cast<std::size_t>(width) * 4 * height);
  for (int pass = 0; pass < passes; ++pass) {
    const bool lastPass = pass == passes - 1;
    for (std::uint32_t j = 0; j < height; ++j) {
      const std::int32_t stored = static_cast<std::int32_t>(height - 1 - j);
      std::uint8_t* imageRow = info.pixels + static_cast<std::size_t>(stored) * info.rowStride;
      if (withAlpha) {
        std::uint8_t* target = interlaced ? frame.data() + static_cast<std::size_t>(j) * width * 4 : row.data();
        png_read_row(png, target, nullptr);
        if (lastPass) StoreWithAlpha(target, stored);
        continue;
      }
      if (interlaced && pass > 0) std::memcpy(row.data(), imageRow, info.rowStride);
      png_read_row(png, row.data(), nullptr);
      if (bitDepth == 2 && lastPass) Widen2BitRow(row.data(), width);
      std::memcpy(imageRow, row.data(), info.rowStride);
    }
  }
}

void PngDecoder::StoreWithAlpha(const std::uint8_t* bgra, std::int32_t stored) {
  std::uint8_t* pixel = info.pixels + static_cast<std::size_t>(stored) * info.rowStride;
  for (std::int32_t x = 0; x < header.biWidth; ++x, bgra += 4, pixel += 3) {
    pixel[0] = bgra[0];
    pixel[1] = bgra[1];
    pixel[2] = bgra[2];
    SetAlphaAt(x, stored, bgra[3]);
  }
}

}  // namespace imaging

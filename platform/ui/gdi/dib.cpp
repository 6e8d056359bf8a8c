#include "platform/ui/gdi/dib_internal.h"

#include "platform/ui/gdi/gdi_internal.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/system/last_error.h"

#include <cstring>

namespace ui {
namespace {

std::size_t Stride(std::int64_t width, int bits) { return static_cast<std::size_t>(((width * bits + 31) / 32) * 4); }

constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kBitCountField = 14;
constexpr std::size_t kColoursUsedField = 32;
constexpr int kMostTableBits = 8;

}  // namespace

std::optional<DibColourTable> FindDibColourTable(std::span<const BYTE> dib) {
  const auto headerSize = win::TryRead32(dib, 0, win::Endian::Little);
  const auto bits = win::TryRead16(dib, kBitCountField, win::Endian::Little);
  const auto used = win::TryRead32(dib, kColoursUsedField, win::Endian::Little);
  if (!headerSize || !bits || !used || *headerSize < kInfoHeaderSize) return std::nullopt;
  DibColourTable table{*headerSize, 0};
  if (*bits <= kMostTableBits) {
    const std::size_t indexable = std::size_t{1} << *bits;
    if (*used > indexable) return std::nullopt;
    table.count = *used != 0 ? *used : indexable;
  }
  if (!win::FieldFits(dib.size(), table.offset, table.count * 4)) return std::nullopt;
  return table;
}

std::optional<QImage> DecodeDib(std::span<const BYTE> header, std::span<const BYTE> pixels) {
  const auto table = FindDibColourTable(header);
  if (!table) return std::nullopt;
  const auto width = static_cast<std::int32_t>(win::ReadLe32(header, 4));
  const auto height = static_cast<std::int32_t>(win::ReadLe32(header, 8));
  const int bits = win::ReadLe16(header, 14);
  const std::uint32_t compression = win::ReadLe32(header, 16);
  if (compression != BI_RGB) return std::nullopt;
  if (width <= 0 || width > 16384 || height == 0 || height < -16384 || height > 16384) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  const std::size_t stride = Stride(width, bits);
  if (stride * static_cast<std::size_t>(rows) > pixels.size()) return std::nullopt;
  QImage image(width, static_cast<int>(rows), QImage::Format_RGB32);
  for (std::int64_t row = 0; row < rows; ++row) {
    const std::size_t line = static_cast<std::size_t>(height > 0 ? rows - 1 - row : row) * stride;
    for (int x = 0; x < width; ++x) {
      QRgb colour = 0;
      if (bits > 8) {
        const std::size_t at = line + static_cast<std::size_t>(x) * static_cast<std::size_t>(bits / 8);
        colour = qRgb(pixels[at + 2], pixels[at + 1], pixels[at]);
      } else {
        const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        const std::uint32_t index = (pixels[line + bit / 8] >> shift) & ((1u << bits) - 1);
        if (index >= table->count) return std::nullopt;
        const std::size_t entry = table->offset + index * 4;
        colour = qRgb(header[entry + 2], header[entry + 1], header[entry]);
      }
      image.setPixel(x, static_cast<int>(row), colour);
    }
  }
  return image;
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  const BitmapData* data = FindBitmap(bitmap);
  if (data == nullptr || info == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  BITMAPINFOHEADER& header = info->bmiHeader;
  const int width = data->image.width();
  const int height = data->image.height();
  if (header.biBitCount != 24 && header.biBitCount != 32) header.biBitCount = 32;
  header.biWidth = width;
  if (header.biHeight == 0) header.biHeight = height;
  header.biPlanes = 1;
  header.biCompression = BI_RGB;
  const std::size_t stride = Stride(width, header.biBitCount);
  header.biSizeImage = static_cast<DWORD>(stride * static_cast<std::size_t>(height));
  if (bits == nullptr) return height;
  if (start >= static_cast<UINT>(height)) return 0;
  const UINT count = std::min<UINT>(lines, static_cast<UINT>(height) - start);
  auto* out = static_cast<BYTE*>(bits);
  const bool bottomUp = header.biHeight > 0;
  for (UINT n = 0; n < count; ++n) {
    // Scan line start + n counts from the bottom in a bottom-up DIB.
    const UINT dibRow = start + n;
    const int y = bottomUp ? height - 1 - static_cast<int>(dibRow) : static_cast<int>(dibRow);
    BYTE* row = out + static_cast<std::size_t>(n) * stride;
    std::memset(row, 0, stride);
    for (int x = 0; x < width; ++x) {
      const QRgb pixel = data->image.pixel(x, y);
      BYTE* at = row + static_cast<std::size_t>(x) * (header.biBitCount / 8u);
      at[0] = static_cast<BYTE>(qBlue(pixel));
      at[1] = static_cast<BYTE>(qGreen(pixel));
      at[2] = static_cast<BYTE>(qRed(pixel));
    }
  }
  return static_cast<int>(count);
}

}  // namespace ui

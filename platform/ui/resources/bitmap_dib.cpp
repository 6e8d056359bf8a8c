#include "platform/ui/resources/bitmap_dib.h"

#include "platform/ui/gdi/dib_internal.h"
#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/resources/png_header.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/modules/module_resources.h"
#include "platform/win/system/last_error.h"

#include <QImage>

namespace ui {
namespace {

constexpr std::size_t kHeaderSize = 40;

std::size_t Stride(int width, int bits) { return static_cast<std::size_t>(((width * bits + 31) / 32) * 4); }

// Bits per pixel of the DIB a paletted PNG becomes; 0 for any other PNG.
int PaletteBits(std::span<const BYTE> png) {
  const auto header = ReadPngHeader(png);
  if (!header || header->colourType != kPngPaletteType) return 0;
  const BYTE depth = header->bitDepth;
  return depth == 1 ? 1 : depth <= 4 ? 4 : 8;
}

std::vector<BYTE> PackedDib(const QImage& image, int bits) {
  const int width = image.width();
  const int height = image.height();
  const std::size_t colours = bits > 0 ? std::size_t{1} << bits : 0;
  const int rowBits = bits > 0 ? bits : 24;
  const std::size_t stride = Stride(width, rowBits);
  std::vector<BYTE> dib(kHeaderSize + colours * 4 + stride * static_cast<std::size_t>(height));
  const std::span<BYTE> all(dib);
  win::WriteLe32(all, 0, kHeaderSize);
  win::WriteLe32(all, 4, static_cast<DWORD>(width));
  win::WriteLe32(all, 8, static_cast<DWORD>(height));
  win::WriteLe16(all, 12, 1);
  win::WriteLe16(all, 14, static_cast<WORD>(rowBits));
  const QList<QRgb> table = image.colorTable();
  for (std::size_t i = 0; i < colours && i < static_cast<std::size_t>(table.size()); ++i) {
    const QRgb colour = table[static_cast<qsizetype>(i)];
    const std::size_t at = kHeaderSize + i * 4;
    dib[at] = static_cast<BYTE>(qBlue(colour));
    dib[at + 1] = static_cast<BYTE>(qGreen(colour));
    dib[at + 2] = static_cast<BYTE>(qRed(colour));
  }
  const std::size_t rows = kHeaderSize + colours * 4;
  for (int y = 0; y < height; ++y) {
    BYTE* line = dib.data() + rows + static_cast<std::size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      if (bits == 0) {
        const QRgb colour = image.pixel(x, y);
        line[x * 3] = static_cast<BYTE>(qBlue(colour));
        line[x * 3 + 1] = static_cast<BYTE>(qGreen(colour));
        line[x * 3 + 2] = static_cast<BYTE>(qRed(colour));
        continue;
      }
      const auto index = static_cast<unsigned>(image.pixelIndex(x, y));
      const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
      line[bit / 8] = static_cast<BYTE>(line[bit / 8] | (index << (8 - bits - static_cast<int>(bit % 8))));
    }
  }
  return dib;
}

}  // namespace

std::optional<std::vector<BYTE>> LoadBitmapResourceDib(HINSTANCE module, UINT id) {
  const auto bytes = win::FindModuleResource(module, win::RESOURCE_BITMAP, id);
  if (!bytes) return std::nullopt;
  const int bits = PaletteBits(*bytes);
  QImage image = QImage::fromData(bytes->data(), static_cast<int>(bytes->size()));
  if (bits > 0) image = image.convertToFormat(QImage::Format_Indexed8);
  if (image.isNull() || (bits > 0 && image.colorCount() > (1 << bits))) {
    win::SetLastError(win::ERROR_INVALID_DATA);
    return std::nullopt;
  }
  return PackedDib(image, bits);
}

HBITMAP CreateBitmapFromPackedDib(std::span<const BYTE> dib) {
  const auto table = FindDibColourTable(dib);
  if (!table) {
    win::SetLastError(win::ERROR_INVALID_DATA);
    return nullptr;
  }
  const auto image = DecodeDib(dib.first(table->End()), dib.subspan(table->End()));
  if (!image) {
    win::SetLastError(win::ERROR_INVALID_DATA);
    return nullptr;
  }
  return static_cast<HBITMAP>(AddGdiObject(BitmapData{*image, false}));
}

}  // namespace ui

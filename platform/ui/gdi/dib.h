// Device-independent bitmaps: reading a bitmap's pixels out (GetDIBits) and decoding a packed
// DIB (header, colour table, rows) as metafiles carry them. Every read of the bytes is bounds
// checked; a DIB that does not fit its bytes decodes to nothing.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <cstddef>
#include <optional>
#include <span>

namespace ui {

constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD BI_RGB = 0;

struct BITMAPINFOHEADER {
  DWORD biSize = sizeof(BITMAPINFOHEADER);
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: rows bottom-up
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = BI_RGB;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// The colour table of a DIB that starts with a BITMAPINFOHEADER: where it starts (biSize) and
// how many RGBQUADs it holds (biClrUsed, or the whole table of biBitCount when that is 0; none
// above 8 bits per pixel).
struct DibColourTable {
  std::size_t offset = 0;
  std::size_t count = 0;
  std::size_t End() const { return offset + count * 4; }
};

// Nothing when the header is cut short or smaller than a BITMAPINFOHEADER, when biClrUsed is
// more than biBitCount can index, or when the table runs past the bytes.
std::optional<DibColourTable> FindDibColourTable(std::span<const BYTE> dib);

// Copies rows of a bitmap as 24- or 32-bit uncompressed DIB rows (each padded to 4 bytes),
// bottom-up for a positive height. With bits null, fills in the header's image size only.
// Answers the rows copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);

}  // namespace ui

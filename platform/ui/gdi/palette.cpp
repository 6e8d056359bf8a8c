// Logical palettes over a true-colour display, and the count of live GDI objects.
#include "platform/ui/gdi/palette.h"

#include "platform/ui/gdi/gdi_internal.h"
#include "platform/win/system/last_error.h"

namespace ui {
namespace {

constexpr WORD kPaletteVersion = 0x300;
constexpr UINT kMaxEntries = 256;

}  // namespace

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (palette == nullptr || palette->palVersion != kPaletteVersion || palette->palNumEntries == 0 ||
      palette->palNumEntries > kMaxEntries) {
    win::SetLastError(win::ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  PaletteData data;
  for (UINT i = 0; i < palette->palNumEntries; ++i) {
    const PALETTEENTRY& entry = palette->palPalEntry[i];
    data.entries.push_back(RGB(entry.peRed, entry.peGreen, entry.peBlue));
  }
  return static_cast<HPALETTE>(AddGdiObject(std::move(data)));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* out) {
  const PaletteData* data = FindPalette(palette);
  if (data == nullptr) return 0;
  const auto size = static_cast<UINT>(data->entries.size());
  if (out == nullptr) return size;
  UINT copied = 0;
  for (UINT i = start; i < size && copied < count; ++i, ++copied) {
    const COLORREF colour = data->entries[i];
    out[copied] = PALETTEENTRY{GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
  }
  return copied;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
  DeviceContext* context = FindDc(dc);
  if (context == nullptr || FindPalette(palette) == nullptr) return nullptr;
  HGDIOBJ previous = context->state.palette != nullptr ? context->state.palette : DefaultPalette();
  context->state.palette = palette;
  return static_cast<HPALETTE>(previous);
}

UINT RealizePalette(HDC dc) { return FindDc(dc) != nullptr ? 0 : 0xFFFFFFFF; }

DWORD GetGuiResources(void*, DWORD flags) {
  return flags == GR_GDIOBJECTS ? static_cast<DWORD>(LiveGdiObjectCount()) : 0;
}

}  // namespace ui

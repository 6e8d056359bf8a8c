// Logical palettes. The display is true colour (GetDeviceCaps RASTERCAPS has no RC_PALETTE), so
// realising a palette maps nothing; palettes still are GDI objects that their creator deletes.
#pragma once

#include "platform/ui/gdi/gdi.h"

namespace ui {

using HPALETTE = struct PaletteTag*;

constexpr int RC_PALETTE = 0x0100;

// Sent to a window about to be activated, so that it may realise its palette; and to every
// top-level window after one realised its palette (wParam the window that did).
constexpr UINT WM_QUERYNEWPALETTE = 0x030F;
constexpr UINT WM_PALETTECHANGED = 0x0311;

struct PALETTEENTRY {
  BYTE peRed = 0;
  BYTE peGreen = 0;
  BYTE peBlue = 0;
  BYTE peFlags = 0;
};

// Room for the 256 entries a palette can hold; palNumEntries says how many are used.
struct LOGPALETTE {
  WORD palVersion = 0x300;
  WORD palNumEntries = 0;
  PALETTEENTRY palPalEntry[256] = {};
};

// A colour matched in the selected palette, as PALETTERGB builds it.
constexpr COLORREF PALETTERGB(BYTE r, BYTE g, BYTE b) { return 0x02000000u | RGB(r, g, b); }

// Null for a version other than 0x300 or an entry count outside 1..256.
HPALETTE CreatePalette(const LOGPALETTE* palette);
// Answers the entries copied; with a null out, the palette's entry count.
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* out);
// Answers the previously selected palette (the stock default palette at first), null on error.
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// The number of entries mapped into the system palette: none on a true-colour display.
UINT RealizePalette(HDC dc);

constexpr DWORD GR_GDIOBJECTS = 0;
// The process's live GDI objects (stock objects not counted); the process handle is ignored.
DWORD GetGuiResources(void* process, DWORD flags);

}  // namespace ui

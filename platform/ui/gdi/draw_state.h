// DrawState for icons and bitmaps, plain or embossed as disabled, and icons made from bitmaps.
// Not implemented: DST_TEXT, DST_PREFIXTEXT, DST_COMPLEX and output callbacks, DSS_UNION.
#pragma once

#include "platform/ui/icons.h"

namespace ui {

constexpr UINT DST_ICON = 0x0003;
constexpr UINT DST_BITMAP = 0x0004;
constexpr UINT DSS_NORMAL = 0x0000;
constexpr UINT DSS_DISABLED = 0x0020;

// data is the HICON or HBITMAP; cx and cy 0 take the image's own size. Disabled images are
// embossed: their opaque (icon) or non-white (bitmap) pixels in the highlight colour one pixel
// down and right, then in the shadow colour in place.
BOOL DrawStateA(HDC dc, HBRUSH brush, void* callback, LPARAM data, WPARAM extra, int x, int y, int cx, int cy,
                UINT flags);

// An icon from a colour bitmap and a mask (set bits transparent), as GetIconInfo gives them.
HICON CreateIconIndirect(const ICONINFO* info);

}  // namespace ui

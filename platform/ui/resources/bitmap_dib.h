// A bitmap resource in the form Windows keeps it, a packed DIB: the BITMAPINFOHEADER, the colour
// table and the rows, bottom-up. Our bitmap resources are PNG files: a paletted PNG becomes a DIB
// of its bit depth (2 bits widen to 4) with the full colour table of that depth and biClrUsed 0;
// any other PNG a 24-bit DIB without a table. Also a bitmap made from such a packed DIB, so that
// a caller may change the colour table between the two.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <optional>
#include <span>
#include <vector>

namespace ui {

// Nothing with the resource error of FindModuleResource, or ERROR_INVALID_DATA when the bytes
// are no image.
std::optional<std::vector<BYTE>> LoadBitmapResourceDib(HINSTANCE module, UINT id);
// Null with ERROR_INVALID_DATA when the DIB does not hold what its header says.
HBITMAP CreateBitmapFromPackedDib(std::span<const BYTE> dib);

}  // namespace ui

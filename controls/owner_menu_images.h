// The image work of the owner-drawn menu: images copied onto the face colour, their faded and
// shadow copies for the XP look, and the etched look of a disabled item's image.
#pragma once

#include "platform/ui/controls/image_list.h"
#include "platform/ui/gdi/gdi.h"

namespace tarnlok {

// Bitmap resource id when it has 16 colours, its black, greys and white turned into the
// system's button text, shadow, face and highlight colours; null for any other bitmap.
ui::HBITMAP LoadSysColourBitmap(win::UINT id);
// A bitmap of the menu's image size, filled with the face colour and the image drawn on it.
ui::HBITMAP ImageToBitmap(ui::HDC dc, ui::HIMAGELIST list, int index);
// Pixels other than the face colour become BlendTowardWhite (pixel, 0.3).
void MakeFadedBitmap(ui::HBITMAP bitmap);
// Pixels other than the face colour become the shadow colour.
void MakeShadowBitmap(ui::HBITMAP bitmap);
// The image etched over the background colour: its shape in the shadow colour at (x, y) over
// the same shape in the highlight colour at (x + 1, y + 1). Face and highlight pixels of the
// bitmap count as background. The bitmap is used as the work area and changed.
void DrawDisabledImage(ui::HDC dc, int x, int y, int width, int height, ui::HBITMAP bitmap, ui::COLORREF background);

// The same etched look drawn from a two-colour copy of the bitmap: its dark pixels in the shadow
// colour at (x, y) over the highlight colour at (x + 1, y + 1), on the background colour.
void DrawDisabledImageDib(ui::HDC dc, int x, int y, int width, int height, ui::HBITMAP bitmap, ui::COLORREF background);

}  // namespace tarnlok

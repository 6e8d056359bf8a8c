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
// The shape that a disabled image is etched in, a monochrome bitmap of the menu's image size:
// 0 where the etch goes, 1 where the background shows. twoColour: the image's dark pixels;
// else every pixel that is not the face or the highlight colour.
ui::HBITMAP EtchShape(ui::HDC dc, ui::HIMAGELIST list, int index, bool twoColour);
// The shape etched over the background colour: in the shadow colour at (x, y) over the highlight
// colour at (x + 1, y + 1), both copied opaque with the background around them.
void DrawEtchedShape(ui::HDC dc, int x, int y, ui::HBITMAP shape, ui::COLORREF background);
// The same etch drawn through onto the image's square filled with the background colour; the
// highlight's extra column and row leave what the DC holds where the background shows.
void DrawEtchedShapeOnBackground(ui::HDC dc, int x, int y, ui::HBITMAP shape, ui::COLORREF background);

}  // namespace tarnlok

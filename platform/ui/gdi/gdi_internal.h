// Internal view of GDI objects and device contexts for the framework's Qt-side code.
#pragma once

#include "platform/ui/gdi/gdi.h"

#include <QFont>
#include <QImage>
#include <QRegion>

#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace ui {

struct PenData {
  int style = PS_SOLID;
  int width = 1;
  COLORREF colour = 0;
};

struct BrushData {
  bool hollow = false;
  COLORREF colour = 0;
  std::optional<QImage> pattern;
};

struct FontData {
  LOGFONTA log;
  QFont font;
};

struct BitmapData {
  QImage image;  // Format_RGB32; a monochrome bitmap holds only black and white
  bool monochrome = false;
};

struct IconData {
  QImage image;  // Format_ARGB32: the mask is the alpha channel
};

struct RegionData {
  QRegion region;
};

struct PaletteData {
  std::vector<COLORREF> entries;
};

using GdiData = std::variant<PenData, BrushData, FontData, BitmapData, IconData, RegionData, PaletteData>;
HGDIOBJ AddGdiObject(GdiData data);

// The object behind a handle, or null.
GdiData* FindGdiObject(HGDIOBJ handle);
PenData* FindPen(HGDIOBJ handle);
BrushData* FindBrush(HGDIOBJ handle);
FontData* FindFont(HGDIOBJ handle);
BitmapData* FindBitmap(HGDIOBJ handle);
IconData* FindIcon(HGDIOBJ handle);
RegionData* FindRegion(HGDIOBJ handle);
PaletteData* FindPalette(HGDIOBJ handle);
// The stock default palette (the twenty static colours' first entry suffices here).
HGDIOBJ DefaultPalette();
// Live objects that are not stock objects.
std::size_t LiveGdiObjectCount();
HBITMAP DefaultBitmap();
HFONT DefaultFont();

struct DcState {
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ palette = nullptr;  // null: the default palette
  COLORREF text = 0;
  COLORREF bk = 0xFFFFFF;
  int bkMode = OPAQUE;
  POINT position;
  std::optional<QRegion> clip;  // the clipping region in device coordinates; none clips nothing
};

struct DeviceContext {
  HWND window = nullptr;  // window DCs: the window drawn into
  QImage* surface = nullptr;  // window DCs: the top-level's backing image
  POINT origin;  // window DCs: the window's client origin within the surface
  QRegion clip;  // window DCs: visible and updating part of the window, in surface coordinates
  bool memory = false;
  DcState state;
  std::vector<DcState> saved;
};

DeviceContext* FindDc(HDC dc);
HDC AddWindowDc(HWND window, QImage* surface, POINT origin, QRegion clip);
// The screen's DC: true colour, over a one-pixel colour bitmap.
HDC CreateScreenDc();
// The image drawn into, the offset from logical to image coordinates and the clip, in image coordinates.
struct DcTarget {
  QImage* image = nullptr;
  POINT origin;
  QRegion clip;
  bool monochrome = false;
};
std::optional<DcTarget> TargetOf(HDC dc);

QRect ToQRect(const RECT& rect);
RECT FromQRect(const QRect& rect);
// The smallest rectangle holding the region; empty for an empty region.
RECT BoundsOf(const QRegion& region);
// The DejaVu Sans font that a logical font resolves to.
QFont QtFontFor(const LOGFONTA& log);
QRgb ToQRgb(COLORREF colour);
COLORREF FromQRgb(QRgb rgb);
// The colour a monochrome bitmap stores for a colour: white when it equals the background, else black.
QRgb MonochromeOf(COLORREF colour, COLORREF background);

}  // namespace ui

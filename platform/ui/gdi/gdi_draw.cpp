// Lines, rectangles, edges and pixels, drawn pixel by pixel so that they follow GDI's rules
// exactly: right and bottom edges and line end points are excluded.
#include "platform/ui/gdi/gdi_internal.h"

#include "platform/win/system/last_error.h"

#include <QPainter>

#include <cstdlib>

namespace ui {
namespace {

QRgb ForTarget(const DcTarget& target, COLORREF colour) {
  if (!target.monochrome) return ToQRgb(colour);
  const int sum = GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
  return sum > 382 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
}

// Writes pixels in logical coordinates through the target's origin and clip.
class Canvas {
 public:
  explicit Canvas(const DcTarget& target) : target_(target) {}

  void Plot(int x, int y, QRgb colour) {
    const int ix = x + target_.origin.x;
    const int iy = y + target_.origin.y;
    if (target_.clip.contains(QPoint(ix, iy))) target_.image->setPixel(ix, iy, colour);
  }

  void Invert(int x, int y) {
    const int ix = x + target_.origin.x;
    const int iy = y + target_.origin.y;
    if (target_.clip.contains(QPoint(ix, iy))) {
      target_.image->setPixel(ix, iy, target_.image->pixel(ix, iy) ^ 0x00FFFFFFu);
    }
  }

  void Fill(const RECT& rect, const BrushData& brush) {
    if (brush.hollow) return;
    const RECT onImage{rect.left + target_.origin.x, rect.top + target_.origin.y, rect.right + target_.origin.x,
                       rect.bottom + target_.origin.y};
    if (onImage.right <= onImage.left || onImage.bottom <= onImage.top) return;
    const QRgb solid = ForTarget(target_, brush.colour);
    for (const QRect& part : target_.clip.intersected(ToQRect(onImage))) {
      for (int iy = part.top(); iy <= part.bottom(); ++iy) {
        auto* line = reinterpret_cast<QRgb*>(target_.image->scanLine(iy));
        for (int ix = part.left(); ix <= part.right(); ++ix)
          line[ix] = brush.pattern ? PatternAt(*brush.pattern, ix, iy) : solid;
      }
    }
  }

  const DcTarget& target() const { return target_; }

 private:
  static QRgb PatternAt(const QImage& pattern, int x, int y) {
    return pattern.pixel(x % pattern.width(), y % pattern.height());
  }

  DcTarget target_;
};

// Bresenham from (x0, y0) towards (x1, y1), the end point left out.
template <typename Plotter>
void WalkLine(int x0, int y0, int x1, int y1, Plotter plot) {
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  int step = 0;
  while (x0 != x1 || y0 != y1) {
    plot(x0, y0, step++);
    const int twice = 2 * error;
    if (twice >= dy) error += dy, x0 += sx;
    if (twice <= dx) error += dx, y0 += sy;
  }
}

bool PenDraws(const PenData* pen, int step) {
  if (pen == nullptr || pen->style == PS_NULL) return false;
  if (pen->style == PS_DOT) return step % 2 == 0;
  if (pen->style == PS_DASH) return step % 24 < 18;
  return true;
}

void DrawPenLine(Canvas& canvas, const PenData* pen, POINT from, POINT to) {
  if (pen == nullptr || pen->style == PS_NULL) return;
  const QRgb colour = ForTarget(canvas.target(), pen->colour);
  if (pen->width <= 1) {
    WalkLine(from.x, from.y, to.x, to.y, [&](int x, int y, int step) {
      if (PenDraws(pen, step)) canvas.Plot(x, y, colour);
    });
    return;
  }
  const DcTarget& target = canvas.target();
  QPainter painter(target.image);
  painter.setClipRegion(target.clip);
  painter.translate(target.origin.x, target.origin.y);
  painter.setPen(QPen(QColor(colour), pen->width, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(from.x, from.y, to.x, to.y);
}

struct EdgeColours {
  int topLeft;
  int bottomRight;
};

void DrawFrame(Canvas& canvas, const RECT& r, QRgb topLeft, QRgb bottomRight, UINT flags) {
  if ((flags & BF_TOP) != 0)
    for (int x = r.left; x < r.right; ++x) canvas.Plot(x, r.top, topLeft);
  if ((flags & BF_LEFT) != 0)
    for (int y = r.top; y < r.bottom; ++y) canvas.Plot(r.left, y, topLeft);
  if ((flags & BF_BOTTOM) != 0)
    for (int x = r.left; x < r.right; ++x) canvas.Plot(x, r.bottom - 1, bottomRight);
  if ((flags & BF_RIGHT) != 0)
    for (int y = r.top; y < r.bottom; ++y) canvas.Plot(r.right - 1, y, bottomRight);
}

void Deflate(RECT& r, UINT flags) {
  if ((flags & BF_LEFT) != 0) ++r.left;
  if ((flags & BF_TOP) != 0) ++r.top;
  if ((flags & BF_RIGHT) != 0) --r.right;
  if ((flags & BF_BOTTOM) != 0) --r.bottom;
}

}  // namespace

BOOL MoveToEx(HDC handle, int x, int y, POINT* previous) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr) return win::FALSE;
  if (previous != nullptr) *previous = dc->state.position;
  dc->state.position = POINT{x, y};
  return win::TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  DeviceContext* dc = FindDc(handle);
  const auto target = TargetOf(handle);
  if (dc == nullptr || !target) return win::FALSE;
  Canvas canvas(*target);
  DrawPenLine(canvas, FindPen(dc->state.pen), dc->state.position, POINT{x, y});
  dc->state.position = POINT{x, y};
  return win::TRUE;
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDc(handle);
  const auto target = TargetOf(handle);
  if (dc == nullptr || !target) return win::FALSE;
  Canvas canvas(*target);
  const PenData* pen = FindPen(dc->state.pen);
  const BrushData* brush = FindBrush(dc->state.brush);
  const bool outlined = pen != nullptr && pen->style != PS_NULL;
  // Without a pen GDI fills one pixel less to the right and bottom.
  const RECT inside =
      outlined ? RECT{left + 1, top + 1, right - 1, bottom - 1} : RECT{left, top, right - 1, bottom - 1};
  if (brush != nullptr) canvas.Fill(inside, *brush);
  if (outlined) {
    const QRgb colour = ForTarget(*target, pen->colour);
    DrawFrame(canvas, RECT{left, top, right, bottom}, colour, colour, BF_RECT);
  }
  return win::TRUE;
}

BOOL Ellipse(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDc(handle);
  const auto target = TargetOf(handle);
  if (dc == nullptr || !target) return win::FALSE;
  const PenData* pen = FindPen(dc->state.pen);
  const BrushData* brush = FindBrush(dc->state.brush);
  QPainter painter(target->image);
  painter.setClipRegion(target->clip);
  painter.translate(target->origin.x, target->origin.y);
  painter.setPen(pen != nullptr && pen->style != PS_NULL ? QPen(QColor(ForTarget(*target, pen->colour)))
                                                         : QPen(Qt::NoPen));
  painter.setBrush(brush != nullptr && !brush->hollow ? QBrush(QColor(ForTarget(*target, brush->colour)))
                                                      : QBrush(Qt::NoBrush));
  painter.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
  return win::TRUE;
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  const auto target = TargetOf(handle);
  const BrushData* brush = FindBrush(brushHandle);
  if (!target || brush == nullptr || rect == nullptr) return 0;
  Canvas canvas(*target);
  canvas.Fill(*rect, *brush);
  return 1;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  const auto target = TargetOf(handle);
  const BrushData* brush = FindBrush(brushHandle);
  if (!target || brush == nullptr || rect == nullptr) return 0;
  if (brush->hollow) return 1;
  Canvas canvas(*target);
  const QRgb colour = ForTarget(*target, brush->colour);
  DrawFrame(canvas, *rect, colour, colour, BF_RECT);
  return 1;
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
  const auto target = TargetOf(handle);
  if (!target || rect == nullptr) return win::FALSE;
  Canvas canvas(*target);
  // The border pixels of a checkerboard, inverted, so that drawing it twice removes it.
  for (int y = rect->top; y < rect->bottom; ++y) {
    for (int x = rect->left; x < rect->right; ++x) {
      const bool border = y == rect->top || y == rect->bottom - 1 || x == rect->left || x == rect->right - 1;
      if (border && (x + y) % 2 == 0) canvas.Invert(x, y);
    }
  }
  return win::TRUE;
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF colour) {
  const auto target = TargetOf(handle);
  if (!target) return CLR_INVALID;
  Canvas canvas(*target);
  const QRgb written = ForTarget(*target, colour);
  canvas.Plot(x, y, written);
  return FromQRgb(written);
}

COLORREF GetPixel(HDC handle, int x, int y) {
  const auto target = TargetOf(handle);
  if (!target) return CLR_INVALID;
  const int ix = x + target->origin.x;
  const int iy = y + target->origin.y;
  if (!target->clip.contains(QPoint(ix, iy))) return CLR_INVALID;
  return FromQRgb(target->image->pixel(ix, iy));
}

BOOL DrawEdge(HDC handle, RECT* rect, UINT edge, UINT flags) {
  const auto target = TargetOf(handle);
  if (!target || rect == nullptr) return win::FALSE;
  Canvas canvas(*target);
  const auto colour = [&](int index) { return ForTarget(*target, GetSysColor(index)); };
  // Outer then inner border, each with its top-left and bottom-right colours.
  const struct {
    UINT raised, sunken;
    EdgeColours raisedColours, sunkenColours;
  } rings[] = {
      {BDR_RAISEDOUTER, BDR_SUNKENOUTER, {COLOR_3DLIGHT, COLOR_3DDKSHADOW}, {COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT}},
      {BDR_RAISEDINNER, BDR_SUNKENINNER, {COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW}, {COLOR_3DDKSHADOW, COLOR_3DLIGHT}},
  };
  RECT inside = *rect;
  for (const auto& ring : rings) {
    const bool raised = (edge & ring.raised) != 0;
    const bool sunken = (edge & ring.sunken) != 0;
    if (!raised && !sunken) continue;
    const EdgeColours colours = raised ? ring.raisedColours : ring.sunkenColours;
    DrawFrame(canvas, inside, colour(colours.topLeft), colour(colours.bottomRight), flags);
    Deflate(inside, flags);
  }
  if ((flags & BF_ADJUST) != 0) *rect = inside;
  return win::TRUE;
}

}  // namespace ui

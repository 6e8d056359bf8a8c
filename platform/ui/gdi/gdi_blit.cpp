// Block transfers with any ternary raster operation, between colour and monochrome bitmaps
// with GDI's colour conversions.
#include "platform/ui/gdi/gdi_internal.h"

#include "platform/win/system/last_error.h"

#include <algorithm>

namespace ui {
namespace {

// The operation's index byte is the truth table over pattern (0xF0), source (0xCC) and
// destination (0xAA); each result bit is looked up bit-wise.
std::uint32_t ApplyRop(std::uint8_t index, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  std::uint32_t result = 0;
  for (int k = 0; k < 8; ++k) {
    if ((index & (1u << k)) == 0) continue;
    const std::uint32_t mp = (k & 4) != 0 ? p : ~p;
    const std::uint32_t ms = (k & 2) != 0 ? s : ~s;
    const std::uint32_t md = (k & 1) != 0 ? d : ~d;
    result |= mp & ms & md;
  }
  return result & 0xFFFFFFu;
}

bool UsesSource(std::uint8_t index) { return (((index >> 2) ^ index) & 0x33) != 0; }

struct SourceView {
  QImage pixels;  // the source rectangle, copied so that overlapping blits read the old pixels
  bool monochrome = false;
  COLORREF bk = 0;
};

std::uint32_t SourcePixel(const SourceView& source, int x, int y, const DcTarget& dest, const DeviceContext& destDc) {
  const std::uint32_t raw = source.pixels.pixel(x, y) & 0xFFFFFFu;
  if (source.monochrome && !dest.monochrome) {
    return ToQRgb(raw != 0 ? destDc.state.bk : destDc.state.text) & 0xFFFFFFu;
  }
  if (!source.monochrome && dest.monochrome) return MonochromeOf(FromQRgb(raw), source.bk) & 0xFFFFFFu;
  return raw;
}

std::uint32_t PatternColour(const DeviceContext& dc, const DcTarget& target) {
  const BrushData* brush = FindBrush(dc.state.brush);
  if (brush == nullptr || brush->hollow) return 0;
  if (!target.monochrome) return ToQRgb(brush->colour) & 0xFFFFFFu;
  const int sum = GetRValue(brush->colour) + GetGValue(brush->colour) + GetBValue(brush->colour);
  return sum > 382 ? 0xFFFFFFu : 0u;
}

std::optional<SourceView> ViewOf(HDC source, int sx, int sy, int width, int height, int scaledW, int scaledH) {
  const auto target = TargetOf(source);
  const DeviceContext* dc = FindDc(source);
  if (!target || dc == nullptr) return std::nullopt;
  QImage copy = target->image->copy(sx + target->origin.x, sy + target->origin.y, width, height);
  if (scaledW != width || scaledH != height)
    copy = copy.scaled(scaledW, scaledH, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  return SourceView{copy, target->monochrome, dc->state.bk};
}

// A plain copy between colour bitmaps, row by row: what the general loop gives for SRCCOPY,
// without its per-pixel look-ups (a page background is copied whole on each repaint).
bool CopiesPlainly(std::uint8_t index, const std::optional<SourceView>& source, const DcTarget& target) {
  const QImage::Format format = source ? source->pixels.format() : QImage::Format_Invalid;
  return index == 0xCC && source && !source->monochrome && !target.monochrome &&
         (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32);
}

void CopyRows(const QRect& part, const QRect& area, const QImage& source, QImage& dest) {
  const int left = part.left() - area.left();
  const int count = std::min(part.right() - area.left() + 1, source.width()) - left;
  if (count <= 0) return;
  for (int iy = part.top(); iy <= part.bottom() && iy - area.top() < source.height(); ++iy) {
    const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(iy - area.top())) + left;
    auto* to = reinterpret_cast<QRgb*>(dest.scanLine(iy)) + part.left();
    for (int k = 0; k < count; ++k) to[k] = 0xFF000000u | (from[k] & 0xFFFFFFu);
  }
}

BOOL Transfer(HDC dest, int x, int y, int width, int height, const std::optional<SourceView>& source, DWORD rop) {
  const auto target = TargetOf(dest);
  const DeviceContext* dc = FindDc(dest);
  if (!target || dc == nullptr) return win::FALSE;
  const auto index = static_cast<std::uint8_t>((rop >> 16) & 0xFF);
  if (UsesSource(index) && !source) return win::FALSE;
  const std::uint32_t pattern = PatternColour(*dc, *target);
  if (width <= 0 || height <= 0) return win::TRUE;
  const QRect area(x + target->origin.x, y + target->origin.y, width, height);
  const bool plain = CopiesPlainly(index, source, *target);
  for (const QRect& part : target->clip.intersected(area)) {
    if (plain) {
      CopyRows(part, area, source->pixels, *target->image);
      continue;
    }
    for (int iy = part.top(); iy <= part.bottom(); ++iy) {
      auto* line = reinterpret_cast<QRgb*>(target->image->scanLine(iy));
      const int j = iy - area.top();
      for (int ix = part.left(); ix <= part.right(); ++ix) {
        const int i = ix - area.left();
        std::uint32_t s = 0;
        if (UsesSource(index)) {
          if (i >= source->pixels.width() || j >= source->pixels.height()) continue;
          s = SourcePixel(*source, i, j, *target, *dc);
        }
        line[ix] = 0xFF000000u | ApplyRop(index, pattern, s, line[ix] & 0xFFFFFFu);
      }
    }
  }
  return win::TRUE;
}

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  const auto index = static_cast<std::uint8_t>((rop >> 16) & 0xFF);
  std::optional<SourceView> view;
  if (UsesSource(index)) view = ViewOf(source, sx, sy, width, height, width, height);
  return Transfer(dest, x, y, width, height, view, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop) {
  if (width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return win::FALSE;
  const auto index = static_cast<std::uint8_t>((rop >> 16) & 0xFF);
  std::optional<SourceView> view;
  if (UsesSource(index)) view = ViewOf(source, sx, sy, sw, sh, width, height);
  return Transfer(dest, x, y, width, height, view, rop);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  if (UsesSource(static_cast<std::uint8_t>((rop >> 16) & 0xFF))) return win::FALSE;
  return Transfer(dc, x, y, width, height, std::nullopt, rop);
}

}  // namespace ui

#include "platform/ui/draw_state.h"

#include "platform/ui/gdi_internal.h"
#include "platform/win/last_error.h"

#include <QPainter>

namespace ui {
namespace {

// The image with its transparency: an icon's own, a bitmap opaque.
std::optional<QImage> ImageOf(LPARAM data, UINT type) {
  const auto handle = reinterpret_cast<HGDIOBJ>(data);
  if (type == DST_ICON) {
    const IconData* icon = FindIcon(handle);
    if (icon != nullptr) return icon->image;
  }
  if (type == DST_BITMAP) {
    const BitmapData* bitmap = FindBitmap(handle);
    if (bitmap != nullptr) return bitmap->image.convertToFormat(QImage::Format_ARGB32);
  }
  return std::nullopt;
}

// The embossing's shape: opaque pixels of an icon, non-white pixels of a bitmap.
QImage Embossed(const QImage& image, UINT type, QRgb colour) {
  QImage shape(image.size(), QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      const bool set = type == DST_ICON ? qAlpha(pixel) >= 128 : (pixel & 0xFFFFFFu) != 0xFFFFFFu;
      shape.setPixel(x, y, set ? (colour | 0xFF000000u) : 0u);
    }
  }
  return shape;
}

}  // namespace

BOOL DrawStateA(HDC dc, HBRUSH, void*, LPARAM data, WPARAM, int x, int y, int cx, int cy, UINT flags) {
  const UINT type = flags & 0xF;
  const auto image = ImageOf(data, type);
  const auto target = TargetOf(dc);
  if (!image || !target) return win::Fail(win::ERROR_INVALID_PARAMETER);
  QPainter painter(target->image);
  painter.setClipRegion(target->clip);
  painter.translate(target->origin.x, target->origin.y);
  const QRect place(x, y, cx > 0 ? cx : image->width(), cy > 0 ? cy : image->height());
  if ((flags & DSS_DISABLED) == 0) {
    painter.drawImage(place, *image);
    return win::TRUE;
  }
  painter.drawImage(place.translated(1, 1), Embossed(*image, type, ToQRgb(GetSysColor(COLOR_BTNHIGHLIGHT))));
  painter.drawImage(place, Embossed(*image, type, ToQRgb(GetSysColor(COLOR_BTNSHADOW))));
  return win::TRUE;
}

HICON CreateIconIndirect(const ICONINFO* info) {
  const BitmapData* colour = info != nullptr ? FindBitmap(info->hbmColor) : nullptr;
  const BitmapData* mask = info != nullptr ? FindBitmap(info->hbmMask) : nullptr;
  if (colour == nullptr || mask == nullptr) {
    win::SetLastError(win::ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  QImage icon = colour->image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < icon.height() && y < mask->image.height(); ++y) {
    for (int x = 0; x < icon.width() && x < mask->image.width(); ++x) {
      if ((mask->image.pixel(x, y) & 0xFFFFFFu) != 0) icon.setPixel(x, y, 0);
    }
  }
  return static_cast<HICON>(AddGdiObject(IconData{icon}));
}

}  // namespace ui

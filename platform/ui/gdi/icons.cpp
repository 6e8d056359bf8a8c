#include "platform/ui/icons.h"

#include "platform/ui/gdi_internal.h"
#include "platform/win/last_error.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

namespace ui {

HICON CreateIconFromImageBytes(const void* bytes, std::size_t size) {
  QByteArray data(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
  QBuffer buffer(&data);
  QImageReader reader(&buffer);
  const QImage image = reader.read();
  if (image.isNull()) return nullptr;
  return static_cast<HICON>(AddGdiObject(IconData{image.convertToFormat(QImage::Format_ARGB32)}));
}

bool IsIcon(const void* handle) { return FindIcon(const_cast<void*>(handle)) != nullptr; }

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH, UINT) {
  const IconData* data = FindIcon(icon);
  const auto target = TargetOf(dc);
  if (data == nullptr || !target) return win::FALSE;
  QPainter painter(target->image);
  painter.setClipRegion(target->clip);
  const int width = cx > 0 ? cx : data->image.width();
  const int height = cy > 0 ? cy : data->image.height();
  painter.drawImage(QRect(x + target->origin.x, y + target->origin.y, width, height), data->image);
  return win::TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL); }

BOOL DestroyIcon(HICON icon) { return FindIcon(icon) != nullptr ? DeleteObject(icon) : win::FALSE; }

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  const IconData* data = FindIcon(icon);
  if (data == nullptr || info == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  const QImage& image = data->image;
  info->xHotspot = static_cast<DWORD>(image.width() / 2);
  info->yHotspot = static_cast<DWORD>(image.height() / 2);
  QImage colour = image.convertToFormat(QImage::Format_RGB32);
  QImage mask(image.size(), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const bool opaque = qAlpha(image.pixel(x, y)) >= 128;
      mask.setPixel(x, y, opaque ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
      if (!opaque) colour.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  info->hbmColor = static_cast<HBITMAP>(AddGdiObject(BitmapData{colour, false}));
  info->hbmMask = static_cast<HBITMAP>(AddGdiObject(BitmapData{mask, true}));
  return win::TRUE;
}

}  // namespace ui

// The application's background bitmap: loading, replacing and painting it.
#include "controls/app_resources.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/win_app.h"

namespace tarnlok {

CAppResources::~CAppResources() {
  if (backgroundBitmap != nullptr) ui::DeleteObject(backgroundBitmap);
}

// The application object derives from both; the cast finds the resources inside it.
CAppResources& App() { return dynamic_cast<CAppResources&>(*ui::AfxGetApp()); }

win::BOOL CAppResources::LoadBackgroundBitmap(int resourceId) {
  const auto id = static_cast<ui::UINT>(resourceId & 0xFFFF);
  return SetBackgroundBitmap(
      static_cast<ui::HBITMAP>(ui::LoadImageA(nullptr, id, ui::IMAGE_BITMAP_RESOURCE, 0, 0, ui::LR_DEFAULTCOLOR)));
}

win::BOOL CAppResources::SetBackgroundBitmap(ui::HBITMAP bitmap) {
  if (bitmap == nullptr) return win::TRUE;
  // Pages load the same bitmap on every initialisation; the one replaced is released.
  if (backgroundBitmap != nullptr && backgroundBitmap != bitmap) ui::DeleteObject(backgroundBitmap);
  backgroundBitmap = bitmap;
  ui::BITMAP info{};
  if (ui::GetObjectA(bitmap, sizeof(info), &info) == 0) return win::FALSE;
  bitmapWidth = info.bmWidth;
  bitmapHeight = info.bmHeight;
  return win::TRUE;
}

int CAppResources::PaintBackground(ui::CDC* dc, int passThrough, ui::RECT rect) {
  if (backgroundBitmap == nullptr || dc == nullptr) return passThrough;
  ui::CDC memory;
  memory.CreateCompatibleDC(dc);
  const ui::HGDIOBJ old = memory.SelectObject(backgroundBitmap);
  drawMode = 2;
  dc->BitBlt(0, 0, rect.right - rect.left, rect.bottom - rect.top, &memory, 0, 0, ui::SRCCOPY);
  memory.SelectObject(old);
  memory.DeleteDC();
  return passThrough;
}

}  // namespace tarnlok

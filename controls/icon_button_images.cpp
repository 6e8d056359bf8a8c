// The icon button's image work: grey icons, bitmap masks and shifted face colours.
#include "controls/icon_button.h"

#include "platform/ui/gdi/draw_state.h"
#include "platform/ui/gdi/gdi.h"

#include <algorithm>

namespace tarnlok {
namespace {

// How far the channel may move by the shift without leaving 0 to 255.
int Allowance(int channel, int shift) {
  if (shift > 0) return channel + shift > 255 ? 255 - channel : shift;
  return channel + shift < 0 ? -channel : shift;
}

ui::BYTE Grey(ui::COLORREF colour) {
  return static_cast<ui::BYTE>(0.299 * ui::GetRValue(colour) + 0.587 * ui::GetGValue(colour) +
                               0.114 * ui::GetBValue(colour));
}

}  // namespace

ui::COLORREF CIconButton::ShiftedColour(ui::COLORREF colour, int shift) {
  const int red = ui::GetRValue(colour);
  const int green = ui::GetGValue(colour);
  const int blue = ui::GetBValue(colour);
  const int a = Allowance(red, shift);
  const int b = Allowance(green, shift);
  const int c = Allowance(blue, shift);
  // The smallest move up, or the move down nearest to 0: no channel passes its limit.
  const int amount = shift > 0 ? std::min({a, b, c}) : std::max({a, b, c});
  return ui::RGB(static_cast<ui::BYTE>(red + amount), static_cast<ui::BYTE>(green + amount),
                 static_cast<ui::BYTE>(blue + amount));
}

ui::HICON CIconButton::MakeGreyIcon(ui::HICON icon) {
  ui::ICONINFO info;
  if (!ui::GetIconInfo(icon, &info)) return nullptr;
  const int width = static_cast<int>(info.xHotspot * 2);
  const int height = static_cast<int>(info.yHotspot * 2);
  ui::BITMAP colourInfo;
  ui::GetObjectA(info.hbmColor, sizeof(colourInfo), &colourInfo);
  const ui::HBITMAP grey = ui::CreateBitmap(width, height, colourInfo.bmPlanes, colourInfo.bmBitsPixel, nullptr);
  const ui::HDC source = ui::CreateCompatibleDC(nullptr);
  const ui::HDC target = ui::CreateCompatibleDC(nullptr);
  ui::HICON result = nullptr;
  if (grey != nullptr && source != nullptr && target != nullptr) {
    const ui::HGDIOBJ oldSource = ui::SelectObject(source, info.hbmColor);
    const ui::HGDIOBJ oldTarget = ui::SelectObject(target, grey);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const ui::COLORREF colour = ui::GetPixel(source, x, y);
        const ui::BYTE level = colour == 0 ? 0 : Grey(colour);
        ui::SetPixel(target, x, y, ui::RGB(level, level, level));
      }
    }
    ui::SelectObject(source, oldSource);
    ui::SelectObject(target, oldTarget);
    ui::ICONINFO made{win::TRUE, info.xHotspot, info.yHotspot, info.hbmMask, grey};
    result = ui::CreateIconIndirect(&made);
  }
  if (source != nullptr) ui::DeleteDC(source);
  if (target != nullptr) ui::DeleteDC(target);
  if (grey != nullptr) ui::DeleteObject(grey);
  ui::DeleteObject(info.hbmMask);
  ui::DeleteObject(info.hbmColor);
  return result;
}

ui::HBITMAP CIconButton::MakeMaskBitmap(ui::HBITMAP bitmap, int width, int height, ui::COLORREF transparent) {
  const ui::HBITMAP mask = ui::CreateBitmap(width, height, 1, 1, nullptr);
  if (mask == nullptr) return nullptr;
  const ui::HDC source = ui::CreateCompatibleDC(nullptr);
  const ui::HDC target = ui::CreateCompatibleDC(nullptr);
  const ui::HGDIOBJ oldSource = ui::SelectObject(source, bitmap);
  const ui::HGDIOBJ oldTarget = ui::SelectObject(target, mask);
  ui::SetBkColor(source, transparent);
  ui::BitBlt(target, 0, 0, width, height, source, 0, 0, ui::SRCCOPY);
  ui::SetTextColor(source, ui::RGB(255, 255, 255));
  ui::SetBkColor(source, ui::RGB(0, 0, 0));
  ui::BitBlt(source, 0, 0, width, height, target, 0, 0, ui::SRCAND);
  ui::SelectObject(source, oldSource);
  ui::SelectObject(target, oldTarget);
  ui::DeleteDC(source);
  ui::DeleteDC(target);
  return mask;
}

}  // namespace tarnlok

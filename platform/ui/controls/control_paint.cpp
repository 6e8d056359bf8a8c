#include "platform/ui/controls/control_paint.h"

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

namespace ui {

HBRUSH ParentColours(HWND control, HDC dc, UINT message) {
  const HWND parent = GetParent(control);
  LRESULT brush = 0;
  if (parent != nullptr)
    brush = SendMessage(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  if (brush == 0)
    brush = DefWindowProcA(control, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  return reinterpret_cast<HBRUSH>(brush);
}

void SelectControlFont(HWND control, HDC dc) {
  const WindowRecord* record = FindWindowRecord(control);
  HGDIOBJ font = record != nullptr ? record->font : nullptr;
  if (font == nullptr) font = GetStockObject(SYSTEM_FONT);
  SelectObject(dc, font);
}

void DrawDisabledText(HDC dc, const std::string& text, RECT rect, UINT format) {
  const int mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF colour = SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
  RECT shifted{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
  DrawTextA(dc, text.c_str(), -1, &shifted, format);
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextA(dc, text.c_str(), -1, &rect, format);
  SetTextColor(dc, colour);
  SetBkMode(dc, mode);
}

std::string WindowText(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  return record != nullptr ? record->text : std::string();
}

}  // namespace ui

#include "platform/ui/controls/control_input.h"

#include "platform/ui/windows/input_router.h"
#include "platform/ui/controls/list_box.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

namespace ui {
namespace {

bool Reachable(HWND control, HWND top, POINT topClient) {
  return ChildWindowAt(top, topClient) == control && AcceptsInput(control) && IsWindowEnabled(top);
}

// Posts a click (and a second one for a double click) at a point of the control's client area.
bool ClickAt(HWND control, POINT client, bool doubleClick) {
  const HWND top = TopLevelOf(control);
  POINT point = client;
  ClientToScreen(control, &point);
  ScreenToClient(top, &point);
  if (!Reachable(control, top, point)) return false;
  RouteMouse(top, WM_LBUTTONDOWN, point, MK_LBUTTON);
  RouteMouse(top, WM_LBUTTONUP, point, 0);
  if (doubleClick) {
    RouteMouse(top, WM_LBUTTONDBLCLK, point, MK_LBUTTON);
    RouteMouse(top, WM_LBUTTONUP, point, 0);
  }
  return true;
}

bool ListBoxRowPoint(HWND list, int row, POINT* client) {
  RECT item;
  if (SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) == LB_ERR) {
    return false;
  }
  RECT shown;
  GetClientRect(list, &shown);
  *client = POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  return shown.Contains(*client);
}

}  // namespace

bool ClickControl(HWND control) {
  if (control == nullptr || !IsWindow(control)) return false;
  RECT rect;
  GetClientRect(control, &rect);
  return ClickAt(control, POINT{rect.right / 2, rect.bottom / 2}, false);
}

bool ClickControlAt(HWND control, POINT client) { return IsWindow(control) && ClickAt(control, client, false); }

bool ClickListRow(HWND control, int row, bool doubleClick) {
  if (control == nullptr || row < 0) return false;
  POINT point;
  const bool shown =
      IsClass(control, "ListBox") ? ListBoxRowPoint(control, row, &point) : ListViewRowPoint(control, row, &point);
  return shown && ClickAt(control, point, doubleClick);
}

bool TypeIntoControl(HWND control, std::string_view text) {
  if (control == nullptr || !AcceptsInput(control) || !IsWindowEnabled(TopLevelOf(control))) return false;
  SetFocus(control);
  for (char c : text) PostMessage(control, WM_CHAR, static_cast<unsigned char>(c), 1);
  return true;
}

}  // namespace ui

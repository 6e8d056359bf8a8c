// The "Button" class: push, default push, check box, radio button (plain and automatic),
// three-state, group box and owner-drawn buttons, painted through GDI after WM_CTLCOLORBTN
// (push and owner-drawn) or WM_CTLCOLORSTATIC (the others), or by the parent (WM_DRAWITEM).
// Not implemented: BS_SPLITBUTTON, command links, image lists on buttons, BS_MULTILINE layout.
#include "platform/ui/controls/control_paint.h"
#include "platform/ui/controls/control_procs.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/controls/owner_draw.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

namespace ui {
namespace {

struct ButtonState final : ControlState {
  WPARAM check = BST_UNCHECKED;
  bool pushed = false;
  bool focused = false;
};

constexpr int kBoxSize = 13;

DWORD TypeOf(const WindowRecord& record) { return record.style & BS_TYPEMASK; }

bool IsCheckType(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
bool IsRadioType(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

// The siblings of a radio button's group: from the nearest WS_GROUP at or before it to the next one.
std::vector<HWND> RadioGroup(HWND hwnd) {
  std::vector<HWND> group;
  const WindowRecord* parent = FindWindowRecord(GetParent(hwnd));
  if (parent == nullptr) return group;
  for (HWND sibling : parent->children) {
    const WindowRecord* each = FindWindowRecord(sibling);
    if ((each->style & WS_GROUP) != 0) {
      if (std::find(group.begin(), group.end(), hwnd) != group.end()) break;
      group.clear();
    }
    group.push_back(sibling);
  }
  return group;
}

void Clicked(HWND hwnd, WindowRecord& record) {
  auto& state = ControlStateOf<ButtonState>(record);
  switch (TypeOf(record)) {
    case BS_AUTOCHECKBOX: state.check = state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: state.check = (state.check + 1) % 3; break;
    case BS_AUTORADIOBUTTON:
      for (HWND member : RadioGroup(hwnd)) {
        const WindowRecord* each = FindWindowRecord(member);
        if (member != hwnd && IsClass(member, kButtonClass) && (each->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
          SendMessage(member, BM_SETCHECK, BST_UNCHECKED, 0);
        }
      }
      state.check = BST_CHECKED;
      break;
    default: break;
  }
  InvalidateRect(hwnd, nullptr, win::TRUE);
  SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(record.id), BN_CLICKED),
              reinterpret_cast<LPARAM>(hwnd));
}

UINT ItemState(HWND hwnd, const ButtonState& state) {
  UINT item = 0;
  if (state.pushed) item |= ODS_SELECTED;
  if (state.focused) item |= ODS_FOCUS;
  if (!IsWindowEnabled(hwnd)) item |= ODS_DISABLED;
  return item;
}

void PaintOwnerDrawn(HWND hwnd, HDC dc, const RECT& client, const ButtonState& state) {
  FillRect(dc, &client, ParentColours(hwnd, dc, WM_CTLCOLORBTN));
  DRAWITEMSTRUCT item;
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = ItemState(hwnd, state);
  item.hwndItem = hwnd;
  item.hDC = dc;
  item.rcItem = client;
  SendMessage(GetParent(hwnd), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void DrawCaption(HWND hwnd, HDC dc, RECT rect, UINT format) {
  SelectControlFont(hwnd, dc);
  const std::string text = WindowText(hwnd);
  if (IsWindowEnabled(hwnd)) {
    DrawTextA(dc, text.c_str(), -1, &rect, format);
  } else {
    DrawDisabledText(dc, text, rect, format);
  }
}

void PaintPush(HWND hwnd, HDC dc, RECT rect, const ButtonState& state, bool isDefault) {
  ParentColours(hwnd, dc, WM_CTLCOLORBTN);
  FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
  if (isDefault || state.focused) {
    FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    rect = RECT{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
  }
  RECT edge = rect;
  if (state.pushed) {
    FrameRect(dc, &edge, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  }
  RECT caption = rect;
  if (state.pushed) caption = RECT{caption.left + 1, caption.top + 1, caption.right + 1, caption.bottom + 1};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawCaption(hwnd, dc, caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (state.focused) {
    RECT focus{rect.left + 3, rect.top + 3, rect.right - 3, rect.bottom - 3};
    DrawFocusRect(dc, &focus);
  }
}

void DrawMark(HDC dc, const RECT& box, WPARAM check, bool radio) {
  const HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(check == BST_INDETERMINATE ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT));
  const HGDIOBJ old = SelectObject(dc, pen);
  if (radio) {
    const HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
    const HGDIOBJ oldBrush = SelectObject(dc, brush);
    Ellipse(dc, box.left + 4, box.top + 4, box.right - 4, box.bottom - 4);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
  } else {
    // A tick three pixels thick: down-right for three columns, then up-right for four.
    for (int row = 0; row < 3; ++row) {
      MoveToEx(dc, box.left + 3, box.top + 5 + row, nullptr);
      LineTo(dc, box.left + 5, box.top + 7 + row);
      LineTo(dc, box.left + 10, box.top + 2 + row);
    }
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

// A radio button's box is round, a sunken ring of two circles around its face.
void DrawRadioCircle(HDC dc, const RECT& box, int face) {
  const HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(face));
  const struct {
    int inset;
    int colour;
  } rings[] = {{0, COLOR_BTNSHADOW}, {1, COLOR_3DDKSHADOW}};
  for (const auto& ring : rings) {
    const HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(ring.colour));
    const HGDIOBJ old = SelectObject(dc, pen);
    Ellipse(dc, box.left + ring.inset, box.top + ring.inset, box.right - ring.inset, box.bottom - ring.inset);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  SelectObject(dc, oldBrush);
}

void PaintCheckOrRadio(HWND hwnd, HDC dc, const RECT& client, const ButtonState& state, bool radio) {
  FillRect(dc, &client, ParentColours(hwnd, dc, WM_CTLCOLORSTATIC));
  const int top = client.top + (client.Height() - kBoxSize) / 2;
  RECT box{client.left, top, client.left + kBoxSize, top + kBoxSize};
  const int face = state.pushed || !IsWindowEnabled(hwnd) ? COLOR_BTNFACE : COLOR_WINDOW;
  if (radio) {
    DrawRadioCircle(dc, box, face);
  } else {
    FillRect(dc, &box, GetSysColorBrush(face));
    RECT edge = box;
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  }
  if (state.check != BST_UNCHECKED) DrawMark(dc, box, state.check, radio);
  RECT caption{client.left + kBoxSize + 4, client.top, client.right, client.bottom};
  DrawCaption(hwnd, dc, caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (state.focused) {
    SIZE extent{};
    GetTextExtentPoint32A(dc, WindowText(hwnd).c_str(), -1, &extent);
    const int textTop = client.top + (client.Height() - extent.cy) / 2;
    RECT focus{caption.left - 1, textTop - 1, caption.left + extent.cx + 1, textTop + extent.cy + 1};
    DrawFocusRect(dc, &focus);
  }
}

void PaintGroupBox(HWND hwnd, HDC dc, const RECT& client) {
  const HBRUSH brush = ParentColours(hwnd, dc, WM_CTLCOLORSTATIC);
  SelectControlFont(hwnd, dc);
  const std::string text = WindowText(hwnd);
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), -1, &extent);
  RECT frame{client.left, client.top + extent.cy / 2, client.right, client.bottom};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (text.empty()) return;
  RECT caption{client.left + 8, client.top, client.left + 8 + extent.cx + 4, client.top + extent.cy};
  FillRect(dc, &caption, brush);
  caption.left += 2;
  DrawCaption(hwnd, dc, caption, DT_LEFT | DT_SINGLELINE);
}

void Paint(HWND hwnd, WindowRecord& record) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  const auto& state = ControlStateOf<ButtonState>(record);
  const DWORD type = TypeOf(record);
  if (type == BS_OWNERDRAW) {
    PaintOwnerDrawn(hwnd, dc, client, state);
  } else if (type == BS_GROUPBOX) {
    PaintGroupBox(hwnd, dc, client);
  } else if (IsCheckType(type) || IsRadioType(type)) {
    PaintCheckOrRadio(hwnd, dc, client, state, IsRadioType(type));
  } else {
    PaintPush(hwnd, dc, client, state, type == BS_DEFPUSHBUTTON);
  }
  EndPaint(hwnd, &paint);
}

LRESULT DialogCode(DWORD type) {
  if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
  if (type == BS_PUSHBUTTON || type == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
  if (IsRadioType(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
  if (type == BS_GROUPBOX) return DLGC_STATIC;
  return DLGC_BUTTON;
}

void SetPushed(HWND hwnd, ButtonState& state, bool pushed) {
  if (state.pushed == pushed) return;
  state.pushed = pushed;
  InvalidateRect(hwnd, nullptr, win::TRUE);
}

LRESULT MouseMessage(HWND hwnd, WindowRecord& record, UINT message, LPARAM lParam) {
  auto& state = ControlStateOf<ButtonState>(record);
  RECT client;
  GetClientRect(hwnd, &client);
  const bool inside = client.Contains(PointFromLParam(lParam));
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(hwnd);
      SetCapture(hwnd);
      SetPushed(hwnd, state, true);
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd) SetPushed(hwnd, state, inside);
      return 0;
    case WM_LBUTTONUP: {
      if (GetCapture() != hwnd) return 0;
      const bool wasPushed = state.pushed;
      ReleaseCapture();
      SetPushed(hwnd, state, false);
      if (wasPushed && inside) Clicked(hwnd, record);
      return 0;
    }
    default: return 0;
  }
}

}  // namespace

LRESULT ButtonWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  auto& state = ControlStateOf<ButtonState>(*record);
  const DWORD type = TypeOf(*record);
  switch (message) {
    case WM_PAINT: Paint(hwnd, *record); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DialogCode(type);
    case BM_GETCHECK: return IsCheckType(type) || IsRadioType(type) ? static_cast<LRESULT>(state.check) : 0;
    case BM_SETCHECK:
      if (IsCheckType(type) || IsRadioType(type)) {
        const WPARAM check =
            (type == BS_3STATE || type == BS_AUTO3STATE) ? std::min<WPARAM>(wParam, 2) : (wParam != 0 ? 1 : 0);
        if (check != state.check) InvalidateRect(hwnd, nullptr, win::TRUE);
        state.check = check;
      }
      return 0;
    case BM_GETSTATE:
      return static_cast<LRESULT>(state.check) | (state.pushed ? BST_PUSHED : 0) | (state.focused ? BST_FOCUS : 0);
    case BM_SETSTATE: SetPushed(hwnd, state, wParam != 0); return 0;
    case BM_SETSTYLE:
      record->style = (record->style & 0xFFFF0000u) | static_cast<DWORD>(wParam & 0xFFFF);
      if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0) InvalidateRect(hwnd, nullptr, win::TRUE);
      return 0;
    case BM_CLICK:
      // A disabled button takes no click, not even this one.
      if (!IsWindowEnabled(hwnd)) return 0;
      SendMessage(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      SendMessage(hwnd, WM_LBUTTONUP, 0, 0);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE: return type == BS_GROUPBOX ? 0 : MouseMessage(hwnd, *record, message, lParam);
    case WM_NCHITTEST: return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
    case WM_CAPTURECHANGED: SetPushed(hwnd, state, false); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) SetPushed(hwnd, state, true);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_KEYUP:
      if (wParam == VK_SPACE && state.pushed) {
        SetPushed(hwnd, state, false);
        Clicked(hwnd, *record);
      }
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      state.focused = message == WM_SETFOCUS;
      if (!state.focused) SetPushed(hwnd, state, false);
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return 0;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, win::TRUE); return 0;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return result;
    }
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace ui

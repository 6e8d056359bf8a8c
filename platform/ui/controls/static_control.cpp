// The "Static" class: text (left, centred, right-aligned), bitmaps, icons, etched lines and
// frames, painted through GDI after asking the parent for colours with WM_CTLCOLORSTATIC.
// Not implemented: SS_ENDELLIPSIS and the other ellipsis styles, enhanced-metafile statics.
#include "platform/ui/controls/control_paint.h"
#include "platform/ui/controls/control_procs.h"
#include "platform/ui/gdi/icons.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/controls/owner_draw.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

#include <charconv>
#include <utility>

namespace ui {
namespace {

struct StaticState final : ControlState {
  HGDIOBJ image = nullptr;
  bool ownsImage = false;  // loaded from the template's resource id: freed with the control
};

// A bitmap or icon static of a template names its image by resource id in its text.
void LoadTemplateImage(WindowRecord& record, const CREATESTRUCTA& create) {
  const DWORD type = record.style & SS_TYPEMASK;
  if ((type != SS_BITMAP && type != SS_ICON) || record.text.empty()) return;
  unsigned id = 0;
  const auto [end, error] = std::from_chars(record.text.data(), record.text.data() + record.text.size(), id);
  if (error != std::errc() || end != record.text.data() + record.text.size()) return;
  auto& state = ControlStateOf<StaticState>(record);
  state.image =
      LoadImageA(create.hInstance, id, type == SS_ICON ? IMAGE_ICON_RESOURCE : IMAGE_BITMAP_RESOURCE, 0, 0, 0);
  state.ownsImage = state.image != nullptr;
}

constexpr WORD STN_CLICKED = 0;

UINT TextFormat(DWORD style) {
  UINT format = DT_WORDBREAK;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER; break;
    case SS_RIGHT: format |= DT_RIGHT; break;
    case SS_LEFTNOWORDWRAP: format = DT_SINGLELINE; break;
    default: break;
  }
  if ((style & SS_CENTERIMAGE) != 0) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
  if ((style & SS_NOPREFIX) != 0) format |= DT_NOPREFIX;
  return format;
}

void PaintText(HWND hwnd, HDC dc, const RECT& client, DWORD style) {
  SelectControlFont(hwnd, dc);
  const std::string text = WindowText(hwnd);
  if (IsWindowEnabled(hwnd)) {
    RECT rect = client;
    DrawTextA(dc, text.c_str(), -1, &rect, TextFormat(style));
  } else {
    DrawDisabledText(dc, text, client, TextFormat(style));
  }
}

void PaintImage(HDC dc, const RECT& client, HGDIOBJ image, DWORD style) {
  if (IsIcon(image)) {
    DrawIconEx(dc, 0, 0, static_cast<HICON>(image), 0, 0, 0, nullptr, DI_NORMAL);
    return;
  }
  BITMAP info;
  if (GetObjectA(image, sizeof info, &info) == 0) return;
  const HDC memory = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(memory, image);
  int x = 0;
  int y = 0;
  if ((style & SS_CENTERIMAGE) != 0) x = (client.Width() - info.bmWidth) / 2, y = (client.Height() - info.bmHeight) / 2;
  BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void PaintOwnerDrawn(HWND hwnd, HDC dc, const RECT& client) {
  DRAWITEMSTRUCT item;
  item.CtlType = ODT_STATIC;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED;
  item.hwndItem = hwnd;
  item.hDC = dc;
  item.rcItem = client;
  SendMessage(GetParent(hwnd), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void Paint(HWND hwnd, WindowRecord& record) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  const DWORD style = record.style;
  const DWORD type = style & SS_TYPEMASK;
  const HBRUSH brush = ParentColours(hwnd, dc, WM_CTLCOLORSTATIC);
  const struct {
    DWORD type;
    int colour;
    bool frame;
  } shapes[] = {{SS_BLACKRECT, COLOR_3DDKSHADOW, false},
                {SS_GRAYRECT, COLOR_BTNSHADOW, false},
                {SS_WHITERECT, COLOR_BTNHIGHLIGHT, false},
                {SS_BLACKFRAME, COLOR_3DDKSHADOW, true}};
  bool drawn = false;
  for (const auto& shape : shapes) {
    if (shape.type != type) continue;
    (shape.frame ? FrameRect : FillRect)(dc, &client, GetSysColorBrush(shape.colour));
    drawn = true;
  }
  if (!drawn) {
    const UINT edges[] = {BF_TOP, BF_LEFT, BF_RECT};
    if (type >= SS_ETCHEDHORZ && type <= SS_ETCHEDFRAME) {
      RECT edge = client;
      DrawEdge(dc, &edge, EDGE_ETCHED, edges[type - SS_ETCHEDHORZ]);
    } else if (type == SS_OWNERDRAW) {
      PaintOwnerDrawn(hwnd, dc, client);
    } else {
      FillRect(dc, &client, brush);
      auto& state = ControlStateOf<StaticState>(record);
      if (type == SS_BITMAP || type == SS_ICON) {
        if (state.image != nullptr) PaintImage(dc, client, state.image, style);
      } else {
        PaintText(hwnd, dc, client, style);
      }
    }
  }
  if ((style & SS_SUNKEN) != 0) {
    RECT edge = client;
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
  EndPaint(hwnd, &paint);
}

}  // namespace

LRESULT StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  switch (message) {
    case WM_CREATE: LoadTemplateImage(*record, *reinterpret_cast<const CREATESTRUCTA*>(lParam)); return 0;
    case WM_NCDESTROY: {
      auto& state = ControlStateOf<StaticState>(*record);
      if (state.ownsImage) DeleteObject(std::exchange(state.image, nullptr));
      return 0;
    }
    case WM_PAINT: Paint(hwnd, *record); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return result;
    }
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, win::TRUE); return 0;
    case STM_SETIMAGE:
    case STM_SETICON: {
      auto& state = ControlStateOf<StaticState>(*record);
      if (std::exchange(state.ownsImage, false)) DeleteObject(std::exchange(state.image, nullptr));
      const HGDIOBJ old =
          std::exchange(state.image, reinterpret_cast<HGDIOBJ>(message == STM_SETICON ? wParam : lParam));
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE: return reinterpret_cast<LRESULT>(ControlStateOf<StaticState>(*record).image);
    case WM_NCHITTEST: return (record->style & SS_NOTIFY) != 0 ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
      if ((record->style & SS_NOTIFY) != 0) {
        SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(record->id), STN_CLICKED),
                    reinterpret_cast<LPARAM>(hwnd));
      }
      return 0;
    case WM_GETDLGCODE: return DLGC_STATIC;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace ui

#include "platform/ui/controls/tooltip.h"

#include "platform/ui/controls/control_paint.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/controls/tooltip_subclass.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace ui {
namespace {

constexpr std::uintptr_t kShowTimer = 1;
constexpr std::uintptr_t kPopTimer = 2;

struct Tool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  std::uintptr_t id = 0;
  RECT rect;
  std::string text;
};

struct TipState final : ControlState {
  std::vector<Tool> tools;
  bool active = true;
  int current = -1;
  POINT lastScreen;
  UINT initialDelay = 500;
  UINT autoPop = 5000;
  int maxWidth = -1;
};

bool Same(const Tool& tool, const TOOLINFOA& info) { return tool.hwnd == info.hwnd && tool.id == info.uId; }

int FindTool(const TipState& state, const TOOLINFOA& info) {
  for (std::size_t i = 0; i < state.tools.size(); ++i) {
    if (Same(state.tools[i], info)) return static_cast<int>(i);
  }
  return -1;
}

// The tool under a point of a window: a whole-window tool or a rectangle of it.
int ToolAt(const TipState& state, HWND hwnd, POINT client) {
  for (std::size_t i = 0; i < state.tools.size(); ++i) {
    const Tool& tool = state.tools[i];
    if ((tool.flags & TTF_IDISHWND) != 0) {
      if (reinterpret_cast<HWND>(tool.id) == hwnd) return static_cast<int>(i);
    } else if (tool.hwnd == hwnd && tool.rect.Contains(client)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// The window whose mouse messages the tool is about.
HWND ToolWindow(const Tool& tool) {
  return (tool.flags & TTF_IDISHWND) != 0 ? reinterpret_cast<HWND>(tool.id) : tool.hwnd;
}

// Stops watching a tool's window unless another subclassing tool of this tooltip is on it.
void Unwatch(HWND tip, const TipState& state, const Tool& gone) {
  if ((gone.flags & TTF_SUBCLASS) == 0) return;
  const bool shared = std::any_of(state.tools.begin(), state.tools.end(), [&](const Tool& other) {
    return (other.flags & TTF_SUBCLASS) != 0 && ToolWindow(other) == ToolWindow(gone);
  });
  if (!shared) UnwatchToolWindow(ToolWindow(gone), tip);
}

void Hide(HWND tip) {
  KillTimer(tip, kShowTimer);
  KillTimer(tip, kPopTimer);
  ShowWindow(tip, SW_HIDE);
}

void Show(HWND tip, TipState& state) {
  const Tool& tool = state.tools[static_cast<std::size_t>(state.current)];
  const HDC dc = CreateCompatibleDC(nullptr);
  SelectControlFont(tip, dc);
  RECT measure{0, 0, state.maxWidth > 0 ? state.maxWidth : 10000, 0};
  DrawTextA(dc, tool.text.c_str(), -1, &measure,
            DT_CALCRECT | (state.maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE) | DT_NOPREFIX);
  DeleteDC(dc);
  SetWindowTextA(tip, tool.text.c_str());
  SetWindowPos(tip, nullptr, state.lastScreen.x, state.lastScreen.y + 20, measure.Width() + 8, measure.Height() + 4,
               SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(tip, SW_SHOWNOACTIVATE);
  SetTimer(tip, kPopTimer, state.autoPop, nullptr);
}

void Relay(HWND tip, TipState& state, const MSG& msg) {
  if (msg.message != WM_MOUSEMOVE) {
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
      state.current = -1;
      Hide(tip);
    }
    return;
  }
  POINT client = PointFromLParam(msg.lParam);
  state.lastScreen = client;
  ClientToScreen(msg.hwnd, &state.lastScreen);
  const int hit = state.active ? ToolAt(state, msg.hwnd, client) : -1;
  if (hit == state.current) return;
  state.current = hit;
  Hide(tip);
  if (hit >= 0) SetTimer(tip, kShowTimer, state.initialDelay, nullptr);
}

void Paint(HWND tip) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(tip, &paint);
  RECT client;
  GetClientRect(tip, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
  FrameRect(dc, &client, GetSysColorBrush(COLOR_INFOTEXT));
  SelectControlFont(tip, dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
  RECT text{client.left + 4, client.top + 2, client.right - 4, client.bottom - 2};
  const std::string caption = WindowText(tip);
  DrawTextA(dc, caption.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
  EndPaint(tip, &paint);
}

LRESULT ToolMessage(HWND tip, TipState& state, UINT message, const TOOLINFOA& info) {
  const int found = FindTool(state, info);
  switch (message) {
    case TTM_ADDTOOLA:
      state.tools.push_back(
          Tool{info.uFlags, info.hwnd, info.uId, info.rect, info.lpszText != nullptr ? info.lpszText : ""});
      if ((info.uFlags & TTF_SUBCLASS) != 0) WatchToolWindow(ToolWindow(state.tools.back()), tip);
      return win::TRUE;
    case TTM_DELTOOLA: {
      if (found < 0) return 0;
      const Tool gone = state.tools[static_cast<std::size_t>(found)];
      state.tools.erase(state.tools.begin() + found);
      Unwatch(tip, state, gone);
      if (state.current == found) state.current = -1, Hide(tip);
      return 0;
    }
    case TTM_NEWTOOLRECTA:
      if (found >= 0) state.tools[static_cast<std::size_t>(found)].rect = info.rect;
      return 0;
    case TTM_UPDATETIPTEXTA:
      if (found >= 0) state.tools[static_cast<std::size_t>(found)].text = info.lpszText != nullptr ? info.lpszText : "";
      if (found >= 0 && found == state.current && IsWindowVisible(tip)) Show(tip, state);
      return 0;
    default: return 0;
  }
}

LRESULT ToolTipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  auto& state = ControlStateOf<TipState>(*record);
  switch (message) {
    case TTM_ADDTOOLA:
    case TTM_DELTOOLA:
    case TTM_NEWTOOLRECTA:
    case TTM_UPDATETIPTEXTA: return ToolMessage(hwnd, state, message, *reinterpret_cast<const TOOLINFOA*>(lParam));
    case TTM_ACTIVATE:
      state.active = wParam != 0;
      if (!state.active) state.current = -1, Hide(hwnd);
      return 0;
    case TTM_RELAYEVENT: Relay(hwnd, state, *reinterpret_cast<const MSG*>(lParam)); return 0;
    case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(state.tools.size());
    case TTM_SETMAXTIPWIDTH: return std::exchange(state.maxWidth, static_cast<int>(lParam));
    case TTM_SETDELAYTIME:
      if (wParam == TTDT_INITIAL) state.initialDelay = LOWORD(static_cast<std::uintptr_t>(lParam));
      if (wParam == TTDT_AUTOPOP) state.autoPop = LOWORD(static_cast<std::uintptr_t>(lParam));
      return 0;
    case TTM_POP: state.current = -1, Hide(hwnd); return 0;
    case TTM_GETCURRENTTOOLA: {
      if (state.current < 0 || !IsWindowVisible(hwnd)) return win::FALSE;
      if (auto* info = reinterpret_cast<TOOLINFOA*>(lParam)) {
        const Tool& tool = state.tools[static_cast<std::size_t>(state.current)];
        info->uFlags = tool.flags;
        info->hwnd = tool.hwnd;
        info->uId = tool.id;
        info->rect = tool.rect;
      }
      return win::TRUE;
    }
    case WM_TIMER:
      if (wParam == kShowTimer && state.current >= 0) {
        KillTimer(hwnd, kShowTimer);
        Show(hwnd, state);
      } else if (wParam == kPopTimer) {
        Hide(hwnd);
      }
      return 0;
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_DESTROY:
      for (const Tool& tool : std::exchange(state.tools, {})) Unwatch(hwnd, state, tool);
      return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

const bool kRegistered = [] {
  WNDCLASSA wc;
  wc.lpfnWndProc = ToolTipProc;
  wc.lpszClassName = kToolTipClass;
  wc.style = CS_GLOBALCLASS;
  return RegisterClassA(&wc) != 0;
}();

TOOLINFOA InfoOf(CWnd* window, UINT id, const std::string* text) {
  TOOLINFOA info;
  info.hwnd = window->m_hWnd;
  info.uId = id != 0 ? id : reinterpret_cast<std::uintptr_t>(window->m_hWnd);
  info.uFlags = id != 0 ? 0 : TTF_IDISHWND;
  info.lpszText = text != nullptr ? const_cast<char*>(text->c_str()) : nullptr;
  return info;
}

}  // namespace

BOOL CToolTipCtrl::Create(CWnd* owner, DWORD style) {
  return CreateEx(0, kToolTipClass, "", WS_POPUP | style, RECT{0, 0, 1, 1}, owner, 0);
}

BOOL CToolTipCtrl::AddTool(CWnd* window, const std::string& text, const RECT* rect, UINT id) {
  TOOLINFOA info = InfoOf(window, id, &text);
  if (rect != nullptr) info.rect = *rect;
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(const std::string& text, CWnd* window, UINT id) {
  TOOLINFOA info = InfoOf(window, id, &text);
  SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::Activate(BOOL active) { SendMessage(TTM_ACTIVATE, static_cast<WPARAM>(active)); }
void CToolTipCtrl::RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
int CToolTipCtrl::SetMaxTipWidth(int width) { return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, width)); }

}  // namespace ui

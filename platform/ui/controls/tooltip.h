// The "tooltips_class32" class: tools over rectangles of windows (or whole windows), shown
// after the initial delay when relayed mouse moves rest on a tool, hidden on a click, when the
// mouse leaves, or after the auto-pop delay. Owners relay with TTM_RELAYEVENT, or tools with
// TTF_SUBCLASS let the tooltip watch their window's mouse messages itself.
// Not implemented: balloon tips, tracking tips, per-tool hit testing by region.
#pragma once

#include "platform/ui/cwnd.h"

#include <string>

namespace ui {

inline constexpr const char* kToolTipClass = "tooltips_class32";

constexpr UINT TTM_ACTIVATE = WM_USER + 1;
constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;
constexpr UINT TTM_ADDTOOLA = WM_USER + 4;
constexpr UINT TTM_DELTOOLA = WM_USER + 5;
constexpr UINT TTM_NEWTOOLRECTA = WM_USER + 6;
constexpr UINT TTM_RELAYEVENT = WM_USER + 7;
constexpr UINT TTM_UPDATETIPTEXTA = WM_USER + 12;
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;
constexpr UINT TTM_POP = WM_USER + 28;
constexpr UINT TTM_GETCURRENTTOOLA = WM_USER + 15;
constexpr UINT TTF_IDISHWND = 0x1;
constexpr UINT TTF_SUBCLASS = 0x10;
constexpr WPARAM TTDT_AUTOPOP = 2;
constexpr WPARAM TTDT_INITIAL = 3;

struct TOOLINFOA {
  UINT cbSize = sizeof(TOOLINFOA);
  UINT uFlags = 0;
  HWND hwnd = nullptr;
  std::uintptr_t uId = 0;
  RECT rect;
  HINSTANCE hinst = nullptr;
  char* lpszText = nullptr;
  LPARAM lParam = 0;
};

class CToolTipCtrl : public CWnd {
 public:
  BOOL Create(CWnd* owner, DWORD style = 0);
  BOOL AddTool(CWnd* window, const std::string& text, const RECT* rect = nullptr, UINT id = 0);
  void UpdateTipText(const std::string& text, CWnd* window, UINT id = 0);
  void Activate(BOOL active);
  void RelayEvent(MSG* msg);
  int SetMaxTipWidth(int width);
};

}  // namespace ui

// The link control's look, size and mouse and keyboard handling.
#include "controls/hyper_link.h"

#include "platform/ui/windows/cursor.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/files.h"
#include "platform/win/modules/modules.h"

namespace tarnlok {
namespace {

constexpr ui::UINT kToolId = 1;
constexpr ui::UINT kHandCursorId = 106;

}  // namespace

const ui::MessageMap& CHyperLink::GetMessageMap() const {
  static const ui::MessageMap map(&CStatic::GetMessageMap(),
                                  {
                                      ui::OnReflectedCtlColor(&CHyperLink::OnReflectedCtlColor),
                                      ui::OnMessage(ui::WM_SETCURSOR, &CHyperLink::OnSetCursor),
                                      ui::OnMessage(ui::WM_MOUSEMOVE, &CHyperLink::OnMouseMove),
                                      ui::OnMessage(ui::WM_LBUTTONDOWN, &CHyperLink::OnLButtonDown),
                                      ui::OnMessage(ui::WM_LBUTTONUP, &CHyperLink::OnLButtonUp),
                                      ui::OnMessage(ui::WM_SETFOCUS, &CHyperLink::OnSetFocus),
                                      ui::OnMessage(ui::WM_KILLFOCUS, &CHyperLink::OnKillFocus),
                                      ui::OnMessage(ui::WM_KEYDOWN, &CHyperLink::OnKeyDown),
                                      ui::OnMessage(ui::WM_NCHITTEST, &CHyperLink::OnNcHitTest),
                                  });
  return map;
}

void CHyperLink::PreSubclassWindow() {
  CStatic::PreSubclassWindow();
  const std::string text = GetWindowText();
  if (target_.empty()) target_ = text;
  if (text.empty()) SetWindowText(target_);
  if (ui::CFont* font = GetFont()) {
    BuildLinkFont(*font, (style_ & kUnderline) != 0);
    PositionLinkWindow();
  } else {
    style_ &= ~kSizeToText;
  }
  if ((style_ & kNoHandCursor) == 0) LoadHandCursor();
  ui::RECT client{};
  GetClientRect(&client);
  toolTip_.Create(this);
  toolTip_.AddTool(this, target_, &client, kToolId);
}

void CHyperLink::BuildLinkFont(ui::CFont& from, bool underline) {
  ui::LOGFONTA description;
  from.GetLogFont(&description);
  description.lfUnderline = underline ? 1 : 0;
  ui::CFont made;
  made.CreateFontIndirect(&description);
  // The control may still wear the old link font until the new one is set on it.
  const ui::HGDIOBJ old = linkFont_.Detach();
  linkFont_.Attach(made.Detach());
  SetFont(&linkFont_);
  if (old != nullptr) ui::DeleteObject(old);
}

win::BOOL CHyperLink::ModifyLinkStyle(win::DWORD remove, win::DWORD add, win::BOOL apply) {
  if ((remove & add) != 0) return win::FALSE;
  style_ = (style_ & ~remove) | add;
  if (apply && m_hWnd != nullptr) {
    if (((add | remove) & kUnderline) != 0 && linkFont_.GetSafeHandle() != nullptr) {
      BuildLinkFont(linkFont_, (style_ & kUnderline) != 0);
      PositionLinkWindow();
    }
    if ((add & kSizeToText) != 0) PositionLinkWindow();
    if ((remove & kUseHover) != 0) Repaint();
  }
  return win::TRUE;
}

void CHyperLink::SetLinkTarget(const std::string& target) {
  target_ = target;
  if (m_hWnd == nullptr) return;
  ShowWindow(ui::SW_HIDE);
  PositionLinkWindow();
  toolTip_.UpdateTipText(target_, this, kToolId);
  ShowWindow(ui::SW_SHOW);
}

void CHyperLink::SetLinkFont(ui::CFont& font) {
  ShowWindow(ui::SW_HIDE);
  ui::LOGFONTA description;
  font.GetLogFont(&description);
  BuildLinkFont(font, description.lfUnderline != 0);
  PositionLinkWindow();
  ShowWindow(ui::SW_SHOW);
}

void CHyperLink::PositionLinkWindow() {
  if ((style_ & kSizeToText) == 0 || m_hWnd == nullptr) return;
  ui::RECT window{};
  GetWindowRect(&window);
  ui::RECT client{};
  GetClientRect(&client);
  const int frameWidth = (window.right - window.left) - (client.right - client.left);
  const int frameHeight = (window.bottom - window.top) - (client.bottom - client.top);
  if (ui::CWnd* parent = GetParent()) parent->ScreenToClient(&window);
  ui::SIZE text{};
  {
    ui::CClientDC dc(this);
    ui::CFont* previous = dc.SelectObject(&linkFont_);
    text = dc.GetTextExtent(GetWindowText());
    dc.SelectObject(previous);
  }
  const ui::DWORD style = GetStyle();
  if ((style & ui::SS_CENTERIMAGE) != 0) window.top += ((window.bottom - window.top) - text.cy) / 2;
  window.bottom = window.top + text.cy;
  switch (style & ui::SS_TYPEMASK) {
    case ui::SS_CENTER:
      window.left += ((window.right - window.left) - text.cx) / 2;
      window.right = window.left + text.cx;
      break;
    case ui::SS_RIGHT: window.left = window.right - text.cx; break;
    default: window.right = window.left + text.cx; break;
  }
  MoveWindow(window.left, window.top, text.cx + frameWidth, text.cy + frameHeight);
}

void CHyperLink::Repaint() {
  if (m_hWnd != nullptr) Invalidate();
}

void CHyperLink::LoadHandCursor() {
  if (HandCursor != nullptr) return;
  char folder[260] = {};
  win::GetWindowsDirectoryA(folder, sizeof(folder));
  const std::string helpProgram = std::string(folder) + "\\winhlp32.exe";
  const win::HMODULE module = win::LoadLibraryA(helpProgram.c_str());
  if (module == nullptr) return;
  HandCursor = ui::LoadCursorA(static_cast<ui::HINSTANCE>(module), kHandCursorId);
  win::FreeLibrary(module);
}

void CHyperLink::OpenLink() {
  const int result = OpenLinkTarget(target_, ui::SW_SHOW);
  if (result <= 32) {
    ui::MessageBeep(ui::MB_ICONEXCLAMATION);
    ShowShellError(result);
    return;
  }
  visited_ = win::TRUE;
  Repaint();
}

void CHyperLink::ShowShellError(int code) { ui::AfxMessageBox(ShellErrorText(code), ui::MB_ICONEXCLAMATION); }

win::BOOL CHyperLink::PreTranslateMessage(ui::MSG* msg) {
  if (toolTip_.m_hWnd != nullptr) toolTip_.RelayEvent(msg);
  return CStatic::PreTranslateMessage(msg);
}

ui::HBRUSH CHyperLink::OnReflectedCtlColor(ui::CDC* dc, ui::UINT) {
  ui::COLORREF colour = visited_ ? kVisitedColour : kLinkColour;
  if (hovering_ && (style_ & kUseHover) != 0) {
    colour = kHoverColour;
  } else if (active_ && (style_ & kNoActiveColour) == 0) {
    colour = kActiveColour;
  }
  dc->SetTextColor(colour);
  dc->SetBkMode(ui::TRANSPARENT);
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

ui::LRESULT CHyperLink::OnSetCursor(ui::WPARAM, ui::LPARAM) {
  if (HandCursor == nullptr) return win::FALSE;
  ui::SetCursor(HandCursor);
  return win::TRUE;
}

ui::LRESULT CHyperLink::OnMouseMove(ui::WPARAM, ui::LPARAM lParam) {
  if (!hovering_) {
    hovering_ = win::TRUE;
    Repaint();
    SetCapture();
    return 0;
  }
  ui::RECT client{};
  GetClientRect(&client);
  const ui::POINT point = ui::PointFromLParam(lParam);
  const bool inside =
      point.x >= client.left && point.x < client.right && point.y >= client.top && point.y < client.bottom;
  if (!inside) {
    hovering_ = win::FALSE;
    ui::ReleaseCapture();
    Repaint();
  }
  return 0;
}

ui::LRESULT CHyperLink::OnLButtonDown(ui::WPARAM, ui::LPARAM) {
  if ((style_ & kTakeFocus) != 0) SetFocus();
  if ((style_ & kOpenOnPress) != 0) OpenLink();
  active_ = win::TRUE;
  return 0;
}

ui::LRESULT CHyperLink::OnLButtonUp(ui::WPARAM, ui::LPARAM) {
  if (active_ && (style_ & kOpenOnPress) == 0) OpenLink();
  return 0;
}

ui::LRESULT CHyperLink::OnSetFocus(ui::WPARAM, ui::LPARAM) {
  active_ = win::TRUE;
  Repaint();
  return 0;
}

ui::LRESULT CHyperLink::OnKillFocus(ui::WPARAM, ui::LPARAM) {
  hovering_ = win::FALSE;
  active_ = win::FALSE;
  Repaint();
  return 0;
}

ui::LRESULT CHyperLink::OnKeyDown(ui::WPARAM wParam, ui::LPARAM) {
  if (wParam != ui::VK_SPACE) return Default();
  OpenLink();
  return 0;
}

ui::LRESULT CHyperLink::OnNcHitTest(ui::WPARAM, ui::LPARAM) { return ui::HTCLIENT; }

}  // namespace tarnlok

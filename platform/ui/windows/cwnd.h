// CWnd: the framework object of a window. It binds itself to a window (by creating it or by
// subclassing one), routes the window's messages through its message map, reflects control
// notifications back to the control's own object, and walks PreTranslateMessage from a
// message's window up to the top.
#pragma once

#include "platform/ui/cdc.h"
#include "platform/ui/message_map.h"
#include "platform/ui/ui_types.h"

#include <string>

namespace ui {

class CDataExchange;

class CWnd {
 public:
  CWnd();
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The object bound to the window, else a temporary wrapper valid while the window lives.
  static CWnd* FromHandle(HWND hwnd);
  // The object bound to the window, or null.
  static CWnd* FromHandlePermanent(HWND hwnd);
  // The top-level window that owns dialogs of this parent: the parent's top-level window, or
  // the main window's when there is no parent; null when neither exists.
  static CWnd* GetSafeOwner(CWnd* parent);

  BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                CWnd* parent, UINT id, void* param = nullptr);
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();
  virtual BOOL DestroyWindow();

  virtual const MessageMap& GetMessageMap() const;
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's own procedure from before it was bound (its class's, or DefWindowProc).
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual void PreSubclassWindow();
  virtual void PostNcDestroy();
  virtual BOOL DispatchCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL DispatchNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // A message reflected from the parent (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM,
  // WM_MEASUREITEM); answers whether the control took it.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual void DoDataExchange(CDataExchange* dx);
  virtual void WinHelp(DWORD data, UINT command);
  BOOL UpdateData(BOOL saveAndValidate = 1);

  // Calls PreTranslateMessage on the objects of the message's window and its ancestors up to
  // stop (inclusive); answers whether one of them took the message.
  static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);

  LRESULT Default();
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  CWnd* GetOwner() const;
  void SetWindowText(const std::string& text);
  std::string GetWindowText() const;
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  BOOL EnableWindow(BOOL enable = 1);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  void Invalidate(BOOL erase = 1);
  void UpdateWindow();
  BOOL RedrawWindow(const RECT* rect = nullptr, UINT flags = 0x1 | 0x100 | 0x4);
  void GetClientRect(RECT* rect) const;
  void GetWindowRect(RECT* rect) const;
  void ClientToScreen(RECT* rect) const;
  void ScreenToClient(RECT* rect) const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = 1);
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  void SetFont(CFont* font, BOOL redraw = 1);
  CFont* GetFont() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  void SetRedraw(BOOL redraw = 1);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
  std::uintptr_t SetTimer(std::uintptr_t id, UINT elapseMs);
  BOOL KillTimer(std::uintptr_t id);
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  // A message box through the prompter, owned by this window.
  int MessageBox(const std::string& text, const std::string& caption = {}, UINT type = 0);

 protected:
  // Binds the object to a live window: messages reach WindowProc from now on.
  void Bind(HWND hwnd);
  // Routes one message through the message map and the framework's default handlers.
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  WNDPROC m_superProc = nullptr;

 private:
  friend LRESULT CWndProc(HWND, UINT, WPARAM, LPARAM);
  BOOL ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  UINT lastMessage_ = 0;
  WPARAM lastWParam_ = 0;
  LPARAM lastLParam_ = 0;
};

LRESULT CWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Data exchange between a dialog's controls and its members.
class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Subclasses the control onto the object the first time.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, std::string& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
// The index of the checked radio button of the group that starts at id, -1 for none.
void DDX_Radio(CDataExchange* dx, int id, int& value);

}  // namespace ui

// Menus: popup menus with string, separator and owner-drawn items, checks, graying and
// submenus; TrackPopupMenu measures and draws owner-drawn items through the owner
// (WM_MEASUREITEM, WM_DRAWITEM) and lets the user (or the test driver) choose; WM_MENUCHAR
// answers keys that match no mnemonic. Menu resources load through menu_template.h.
// Not implemented: menu bars shown on windows (SetMenu), bitmaps in items, keyboard navigation
// inside an open menu on the desktop beyond Qt's own.
#pragma once

#include "platform/ui/windows/cwnd.h"

#include <functional>
#include <string>

namespace ui {

constexpr UINT MF_STRING = 0x0;
constexpr UINT MF_BYCOMMAND = 0x0;
constexpr UINT MF_GRAYED = 0x1;
constexpr UINT MF_DISABLED = 0x2;
constexpr UINT MF_CHECKED = 0x8;
constexpr UINT MF_POPUP = 0x10;
constexpr UINT MF_END = 0x80;
constexpr UINT MF_OWNERDRAW = 0x100;
constexpr UINT MF_BYPOSITION = 0x400;
constexpr UINT MF_SEPARATOR = 0x800;
constexpr UINT TPM_LEFTALIGN = 0x0;
constexpr UINT TPM_RIGHTBUTTON = 0x2;
constexpr UINT TPM_NONOTIFY = 0x80;
constexpr UINT TPM_RETURNCMD = 0x100;
constexpr WORD MNC_IGNORE = 0;
constexpr WORD MNC_CLOSE = 1;
constexpr WORD MNC_EXECUTE = 2;
constexpr WORD MNC_SELECT = 3;

HMENU CreatePopupMenu();
// A menu for a menu bar; it holds items as a popup menu does.
HMENU CreateMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
// For MF_OWNERDRAW items the last argument is the item data, not a text.
BOOL AppendMenuA(HMENU menu, UINT flags, std::uintptr_t idOrPopup, const char* textOrData);
BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, std::uintptr_t idOrPopup, const char* textOrData);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
// The item's flags; 0xFFFFFFFF when there is no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuStringA(HMENU menu, UINT item, char* buffer, int size, UINT flags);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);

// The bitmaps an item shows for its unchecked and checked state; the menu does not own them.
// The desktop's menu does not show them; owner-drawn items read them back.
BOOL SetMenuItemBitmaps(HMENU menu, UINT position, UINT flags, HBITMAP unchecked, HBITMAP checked);
constexpr UINT MIIM_STATE = 0x0001;
constexpr UINT MIIM_ID = 0x0002;
constexpr UINT MIIM_CHECKMARKS = 0x0008;
struct MENUITEMINFOA {
  UINT cbSize = sizeof(MENUITEMINFOA);
  UINT fMask = 0;
  UINT fType = 0;
  UINT fState = 0;
  UINT wID = 0;
  HMENU hSubMenu = nullptr;
  HBITMAP hbmpChecked = nullptr;
  HBITMAP hbmpUnchecked = nullptr;
  std::uintptr_t dwItemData = 0;
  char* dwTypeData = nullptr;
  UINT cch = 0;
};
// Fills what fMask asks for (state, id, check bitmaps) of the item by command or, with
// byPosition TRUE, by position.
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOA* info);
// With TPM_RETURNCMD answers the chosen command (0 for none); otherwise posts WM_COMMAND to
// the owner and answers whether an item was chosen.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);

// Who chooses in an open popup menu; answers the command, 0 to dismiss it. The desktop shows
// a Qt menu; the test driver installs its own.
using MenuChooser = std::function<UINT(HMENU menu, HWND owner)>;
void SetMenuChooser(MenuChooser chooser);
// Asks the owner with WM_MENUCHAR for a typed key, as an open menu does; answers the command
// of the item it names (MNC_EXECUTE), or 0.
UINT MenuCommandForKey(HMENU menu, HWND owner, char key);

class CMenu {
 public:
  CMenu() = default;
  ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;
  BOOL CreatePopupMenu();
  BOOL CreateMenu();
  // The module's menu resource (menu_template.h); a null module is the program.
  BOOL LoadMenu(UINT id, HINSTANCE module = nullptr);
  BOOL Attach(HMENU menu);
  HMENU Detach();
  // A wrapper that never destroys the menu, kept for the process.
  static CMenu* FromHandle(HMENU menu);
  CMenu* GetSubMenu(int position) const;
  UINT GetMenuItemID(int position) const;
  UINT GetMenuState(UINT item, UINT flags) const;
  UINT CheckMenuItem(UINT item, UINT check);
  UINT EnableMenuItem(UINT item, UINT enable);
  BOOL DestroyMenu();
  BOOL AppendMenu(UINT flags, std::uintptr_t idOrPopup = 0, const char* textOrData = nullptr);
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* rect = nullptr);
  int GetMenuItemCount() const;
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }
  HMENU m_hMenu = nullptr;
};

}  // namespace ui

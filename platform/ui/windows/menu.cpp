#include "platform/ui/windows/menu.h"

#include "platform/ui/resources/menu_template.h"

#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/controls/owner_draw.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/system/last_error.h"

#include <QMenu>

#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace ui {
namespace {

struct MenuItem {
  UINT flags = 0;
  std::uintptr_t id = 0;  // the submenu handle for MF_POPUP
  std::string text;
  std::uintptr_t data = 0;
  SIZE size;  // owner-drawn items: what WM_MEASUREITEM answered
  HBITMAP unchecked = nullptr;
  HBITMAP checked = nullptr;
};

struct Menus {
  std::map<std::uintptr_t, std::vector<MenuItem>> table;
  std::uintptr_t next = 0xE0000;
  MenuChooser chooser;
};

Menus& TheMenus() {
  static Menus menus;
  return menus;
}

std::vector<MenuItem>* Items(HMENU menu) {
  auto& table = TheMenus().table;
  const auto found = table.find(HandleBits(menu));
  return found == table.end() ? nullptr : &found->second;
}

// The item by position or by command, searching submenus for a command.
MenuItem* FindItem(HMENU menu, UINT item, UINT flags) {
  std::vector<MenuItem>* items = Items(menu);
  if (items == nullptr) return nullptr;
  if ((flags & MF_BYPOSITION) != 0) return item < items->size() ? &(*items)[item] : nullptr;
  for (auto& each : *items) {
    if ((each.flags & MF_POPUP) != 0) {
      if (MenuItem* inner = FindItem(HandleOf<HMENU>(each.id), item, flags)) return inner;
    } else if (each.id == item && (each.flags & MF_SEPARATOR) == 0) {
      return &each;
    }
  }
  return nullptr;
}

MenuItem MakeItem(UINT flags, std::uintptr_t idOrPopup, const char* textOrData) {
  MenuItem item;
  item.flags = flags & ~(MF_BYPOSITION | MF_END);
  item.id = idOrPopup;
  if ((flags & MF_OWNERDRAW) != 0) {
    item.data = reinterpret_cast<std::uintptr_t>(textOrData);
  } else if (textOrData != nullptr) {
    item.text = textOrData;
  }
  return item;
}

void Measure(HWND owner, MenuItem& item) {
  MEASUREITEMSTRUCT measure;
  measure.CtlType = ODT_MENU;
  measure.itemID = static_cast<UINT>(item.id);
  measure.itemData = item.data;
  measure.itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYMENU));
  SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
  item.size = SIZE{static_cast<LONG>(measure.itemWidth), static_cast<LONG>(measure.itemHeight)};
}

UINT ItemState(UINT flags) {
  UINT state = 0;
  if ((flags & MF_GRAYED) != 0) state |= ODS_GRAYED;
  if ((flags & MF_DISABLED) != 0) state |= ODS_DISABLED;
  if ((flags & MF_CHECKED) != 0) state |= ODS_CHECKED;
  return state;
}

// Draws one owner-drawn item through its owner into an image of the item's size.
QImage DrawOwnerItem(HMENU menu, HWND owner, const MenuItem& item) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateBitmap(std::max<LONG>(1, item.size.cx), std::max<LONG>(1, item.size.cy), 1, 32, nullptr);
  SelectObject(dc, bitmap);
  DRAWITEMSTRUCT draw;
  draw.CtlType = ODT_MENU;
  draw.itemID = static_cast<UINT>(item.id);
  draw.itemAction = ODA_DRAWENTIRE;
  draw.itemState = ItemState(item.flags);
  draw.hwndItem = reinterpret_cast<HWND>(menu);
  draw.hDC = dc;
  draw.rcItem = RECT{0, 0, item.size.cx, item.size.cy};
  draw.itemData = item.data;
  SendMessage(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
  QImage image = FindBitmap(bitmap)->image;
  DeleteDC(dc);
  DeleteObject(bitmap);
  return image;
}

using DrawnItems = std::map<const MenuItem*, QImage>;

// Owner-drawn items are drawn when the menu opens, whoever chooses.
void DrawAll(HMENU menu, HWND owner, DrawnItems& drawn) {
  for (const MenuItem& item : *Items(menu)) {
    if ((item.flags & MF_OWNERDRAW) != 0) drawn[&item] = DrawOwnerItem(menu, owner, item);
    if ((item.flags & MF_POPUP) != 0) DrawAll(HandleOf<HMENU>(item.id), owner, drawn);
  }
}

void FillQtMenu(QMenu& qt, HMENU menu, const DrawnItems& drawn) {
  for (const MenuItem& item : *Items(menu)) {
    if ((item.flags & MF_SEPARATOR) != 0) {
      qt.addSeparator();
      continue;
    }
    if ((item.flags & MF_POPUP) != 0) {
      FillQtMenu(*qt.addMenu(QString::fromLatin1(item.text.c_str())), HandleOf<HMENU>(item.id), drawn);
      continue;
    }
    QAction* action = qt.addAction(QString::fromLatin1(item.text.c_str()));
    if (const auto image = drawn.find(&item); image != drawn.end())
      action->setIcon(QIcon(QPixmap::fromImage(image->second)));
    action->setData(QVariant::fromValue<qulonglong>(item.id));
    action->setEnabled((item.flags & (MF_GRAYED | MF_DISABLED)) == 0);
    action->setCheckable((item.flags & MF_CHECKED) != 0);
    action->setChecked((item.flags & MF_CHECKED) != 0);
  }
}

UINT ChooseOnDesktop(HMENU menu, const DrawnItems& drawn, POINT at) {
  EnsureQtApplication();
  QMenu qt;
  FillQtMenu(qt, menu, drawn);
  QAction* chosen = qt.exec(QPoint(at.x, at.y));
  return chosen != nullptr ? static_cast<UINT>(chosen->data().toULongLong()) : 0;
}

void MeasureAll(HMENU menu, HWND owner) {
  for (MenuItem& item : *Items(menu)) {
    if ((item.flags & MF_OWNERDRAW) != 0) Measure(owner, item);
    if ((item.flags & MF_POPUP) != 0) MeasureAll(HandleOf<HMENU>(item.id), owner);
  }
}

}  // namespace

HMENU CreatePopupMenu() {
  auto& menus = TheMenus();
  const std::uintptr_t bits = menus.next;
  menus.next += 4;
  menus.table[bits] = {};
  return HandleOf<HMENU>(bits);
}

HMENU CreateMenu() { return CreatePopupMenu(); }

BOOL DestroyMenu(HMENU menu) {
  std::vector<MenuItem>* items = Items(menu);
  if (items == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  const std::vector<MenuItem> owned = *items;
  TheMenus().table.erase(HandleBits(menu));
  for (const MenuItem& item : owned) {
    if ((item.flags & MF_POPUP) != 0) DestroyMenu(HandleOf<HMENU>(item.id));
  }
  return win::TRUE;
}

BOOL IsMenu(HMENU menu) { return Items(menu) != nullptr ? win::TRUE : win::FALSE; }

BOOL AppendMenuA(HMENU menu, UINT flags, std::uintptr_t idOrPopup, const char* textOrData) {
  std::vector<MenuItem>* items = Items(menu);
  if (items == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  items->push_back(MakeItem(flags, idOrPopup, textOrData));
  return win::TRUE;
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, std::uintptr_t idOrPopup, const char* textOrData) {
  MenuItem* item = FindItem(menu, position, flags);
  if (item == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  *item = MakeItem(flags, idOrPopup, textOrData);
  return win::TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  std::vector<MenuItem>* items = Items(menu);
  MenuItem* item = FindItem(menu, position, flags);
  if (items == nullptr || item == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  const auto at = items->begin() + (item - items->data());
  if (at >= items->end()) return win::Fail(win::ERROR_INVALID_PARAMETER);
  if ((at->flags & MF_POPUP) != 0) DestroyMenu(HandleOf<HMENU>(at->id));
  items->erase(at);
  return win::TRUE;
}

int GetMenuItemCount(HMENU menu) {
  const std::vector<MenuItem>* items = Items(menu);
  return items != nullptr ? static_cast<int>(items->size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  const MenuItem* item = FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
  if (item == nullptr || (item->flags & MF_POPUP) != 0) return 0xFFFFFFFF;
  return static_cast<UINT>(item->id);
}

HMENU GetSubMenu(HMENU menu, int position) {
  const MenuItem* item = FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
  return item != nullptr && (item->flags & MF_POPUP) != 0 ? HandleOf<HMENU>(item->id) : nullptr;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  const MenuItem* found = FindItem(menu, item, flags);
  return found != nullptr ? found->flags : 0xFFFFFFFF;
}

int GetMenuStringA(HMENU menu, UINT item, char* buffer, int size, UINT flags) {
  const MenuItem* found = FindItem(menu, item, flags);
  if (found == nullptr) return 0;
  if (buffer == nullptr || size <= 0) return static_cast<int>(found->text.size());
  const auto count = std::min<std::size_t>(found->text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, found->text.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  MenuItem* found = FindItem(menu, item, check);
  if (found == nullptr) return 0xFFFFFFFF;
  const DWORD old = found->flags & MF_CHECKED;
  found->flags = (found->flags & ~MF_CHECKED) | (check & MF_CHECKED);
  return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  MenuItem* found = FindItem(menu, item, enable);
  if (found == nullptr) return -1;
  const BOOL old = static_cast<BOOL>(found->flags & (MF_GRAYED | MF_DISABLED));
  found->flags = (found->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return old;
}

BOOL SetMenuItemBitmaps(HMENU menu, UINT position, UINT flags, HBITMAP unchecked, HBITMAP checked) {
  MenuItem* found = FindItem(menu, position, flags);
  if (found == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  found->unchecked = unchecked;
  found->checked = checked;
  return win::TRUE;
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOA* info) {
  const MenuItem* found = FindItem(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
  if (found == nullptr || info == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  if ((info->fMask & MIIM_STATE) != 0) info->fState = found->flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
  if ((info->fMask & MIIM_ID) != 0) info->wID = static_cast<UINT>(found->id);
  if ((info->fMask & MIIM_CHECKMARKS) != 0) {
    info->hbmpChecked = found->checked;
    info->hbmpUnchecked = found->unchecked;
  }
  return win::TRUE;
}

void SetMenuChooser(MenuChooser chooser) { TheMenus().chooser = std::move(chooser); }

UINT MenuCommandForKey(HMENU menu, HWND owner, char key) {
  const LRESULT answer =
      SendMessage(owner, WM_MENUCHAR, MAKEWPARAM(static_cast<WORD>(static_cast<unsigned char>(key)), MF_POPUP),
                  reinterpret_cast<LPARAM>(menu));
  if (HIWORD(static_cast<std::uintptr_t>(answer)) != MNC_EXECUTE) return 0;
  const UINT id = GetMenuItemID(menu, LOWORD(static_cast<std::uintptr_t>(answer)));
  return id == 0xFFFFFFFF ? 0 : id;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  if (Items(menu) == nullptr || !IsWindow(owner)) return win::Fail(win::ERROR_INVALID_PARAMETER);
  MeasureAll(menu, owner);
  DrawnItems drawn;
  DrawAll(menu, owner, drawn);
  const auto& chooser = TheMenus().chooser;
  const UINT chosen = chooser ? chooser(menu, owner) : ChooseOnDesktop(menu, drawn, POINT{x, y});
  const MenuItem* item = chosen != 0 ? FindItem(menu, chosen, MF_BYCOMMAND) : nullptr;
  const bool usable = item != nullptr && (item->flags & (MF_GRAYED | MF_DISABLED)) == 0;
  const UINT command = usable ? chosen : 0;
  if ((flags & TPM_RETURNCMD) != 0) return static_cast<BOOL>(command);
  if (command != 0) PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), 0);
  return command != 0 ? win::TRUE : win::FALSE;
}

CMenu::~CMenu() { DestroyMenu(); }
BOOL CMenu::CreatePopupMenu() {
  DestroyMenu();
  m_hMenu = ui::CreatePopupMenu();
  return win::TRUE;
}
BOOL CMenu::DestroyMenu() {
  if (m_hMenu == nullptr) return win::FALSE;
  return ui::DestroyMenu(std::exchange(m_hMenu, nullptr));
}
BOOL CMenu::AppendMenu(UINT flags, std::uintptr_t idOrPopup, const char* textOrData) {
  return AppendMenuA(m_hMenu, flags, idOrPopup, textOrData);
}
BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* rect) {
  return ui::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner != nullptr ? owner->m_hWnd : nullptr, rect);
}
int CMenu::GetMenuItemCount() const { return ui::GetMenuItemCount(m_hMenu); }
BOOL CMenu::CreateMenu() {
  DestroyMenu();
  m_hMenu = ui::CreateMenu();
  return win::TRUE;
}
BOOL CMenu::LoadMenu(UINT id, HINSTANCE module) {
  const HMENU loaded = LoadMenuA(module, id);
  if (loaded == nullptr) return win::FALSE;
  DestroyMenu();
  m_hMenu = loaded;
  return win::TRUE;
}
BOOL CMenu::Attach(HMENU menu) {
  if (m_hMenu != nullptr || menu == nullptr) return win::FALSE;
  m_hMenu = menu;
  return win::TRUE;
}
HMENU CMenu::Detach() { return std::exchange(m_hMenu, nullptr); }
CMenu* CMenu::FromHandle(HMENU menu) {
  struct Wrappers {
    ~Wrappers() {
      for (auto& [bits, wrapper] : table) wrapper->Detach();
    }
    std::map<std::uintptr_t, std::unique_ptr<CMenu>> table;
  };
  static Wrappers wrappers;
  if (menu == nullptr) return nullptr;
  auto& slot = wrappers.table[HandleBits(menu)];
  if (!slot) slot = std::make_unique<CMenu>();
  slot->m_hMenu = menu;
  return slot.get();
}
CMenu* CMenu::GetSubMenu(int position) const { return FromHandle(ui::GetSubMenu(m_hMenu, position)); }
UINT CMenu::GetMenuItemID(int position) const { return ui::GetMenuItemID(m_hMenu, position); }
UINT CMenu::GetMenuState(UINT item, UINT flags) const { return ui::GetMenuState(m_hMenu, item, flags); }
UINT CMenu::CheckMenuItem(UINT item, UINT check) { return ui::CheckMenuItem(m_hMenu, item, check); }
UINT CMenu::EnableMenuItem(UINT item, UINT enable) {
  return static_cast<UINT>(ui::EnableMenuItem(m_hMenu, item, enable));
}

}  // namespace ui

// A menu that draws every item itself: an icon column with the item's image, check marks,
// embossed images for disabled items, and two looks, the classic one and the flat XP one with a
// coloured icon bar and a light selection box. It loads menu resources (every item becomes an
// owner-drawn item that carries its record), keeps one image list shared by all its menus, and
// knows every popup it made, so that its owner can route measuring, drawing and keyboard
// mnemonics to it.
#pragma once

#include "controls/owner_menu_etched.h"
#include "controls/owner_menu_item.h"

#include "platform/ui/controls/image_list.h"
#include "platform/ui/controls/owner_draw.h"
#include "platform/ui/gdi/cdc.h"
#include "platform/ui/windows/menu.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarnlok {

class COwnerMenu : public ui::CMenu {
 public:
  // The menu class's own classification of the system (not the program's OsKind).
  enum ShellKind { Win32s = 0, WinNt3 = 1, Win95 = 2, Win98 = 3, WinMe = 4, WinNt4 = 5, Win2000 = 6, WinXp = 7 };

  COwnerMenu();
  virtual ~COwnerMenu();

  virtual void DrawItem(ui::DRAWITEMSTRUCT* item);
  virtual void MeasureItem(ui::MEASUREITEMSTRUCT* item);
  // The program's menu resource; 0 (the menu unchanged) when there is none.
  virtual win::BOOL LoadMenu(win::UINT id);
  // A binary menu template; 0 and no menu when it is cut short or malformed.
  win::BOOL LoadMenuIndirect(std::span<const ui::BYTE> bytes);
  virtual win::BOOL DestroyMenu();

  // Id 0 adds a separator. With iconId 0 or more the command's button in toolbar resource
  // iconId names its image in the strip of bitmap resource iconId, which becomes the command's
  // image in the shared list (none when the toolbar has no such button); below 0 the command
  // keeps the image the shared list already holds for it, if any.
  win::BOOL AppendOwnerDrawnItem(const std::wstring& text, win::UINT flags, std::uintptr_t id, int iconId);
  COwnerMenuItem* ReplaceWithOwnerDrawnItem(win::UINT position, win::UINT flags, std::uintptr_t id,
                                            const std::wstring& text);
  // By position (MF_BYPOSITION) or by command, searching the submenus; 0 when not found.
  int GetItemText(win::UINT id, std::string& text, win::UINT flags);
  // The menu holding the command and its position there; null and -1 when none does.
  COwnerMenu* FindMenuOption(win::UINT id, int& position);
  ui::CMenu* GetSubMenu(int position) const;
  const std::vector<std::unique_ptr<COwnerMenuItem>>& Items() const { return items_; }

  // The answer to WM_MENUCHAR: MAKELRESULT(position, MNC_EXECUTE) for the first item whose
  // text holds "&" and the key (case ignored), else 0.
  static ui::LRESULT FindKeyboardShortcut(win::UINT ch, win::UINT flags, ui::HMENU menu);
  // Whether the handle is a popup some owner-drawn menu made or holds.
  static bool IsMenu(ui::HMENU menu);
  // The owner-drawn menu object of a handle, or null.
  static COwnerMenu* FromHandle(ui::HMENU menu);

  // Copies image index of the list into the shared list as the command's image (replacing the
  // one it has); answers its index there, or -1 when the list has no such image.
  static int AddToSharedImageList(ui::CImageList& list, int index, win::UINT id);
  // Adds the images of bitmap resource id to the list, masked with the bitmap background colour
  // when that is in use, else with the button face colour; with dynamic icons id is an icon
  // handle instead. 0 when it cannot.
  int AddBitmapToImageList(ui::CImageList& list, std::uintptr_t id);
  // Whether toolbar resource toolbarId has a button for the command; its image's place in the
  // toolbar's strip goes to index when it is above 0.
  static bool ToolbarImageIndex(win::UINT id, win::UINT toolbarId, int& index);

  // Images for checked items without an image of their own: image 0 unselected, 1 selected,
  // used where the matching index is above 0. The menu owns the list; submenus loaded later
  // share it.
  void SetCheckMarkImages(std::unique_ptr<ui::CImageList> images, int unselectedIndex, int selectedIndex);
  // Disabled images etched through a monochrome DIB (TRUE) or the image's own mask (FALSE).
  void SetOldStyleDisabledImages(win::BOOL oldStyle) { oldStyleDisabled_ = oldStyle; }
  // With dynamic icons the image ids given to AddBitmapToImageList are icon handles.
  void SetDynamicIcons(win::BOOL dynamic) { dynamicIcons_ = dynamic; }
  // Masks added bitmaps with this colour instead of the button face colour.
  void SetBitmapBackground(ui::COLORREF colour) {
    bitmapBackground_ = colour;
    useBitmapBackground_ = win::TRUE;
  }
  void UnsetBitmapBackground() { useBitmapBackground_ = win::FALSE; }
  static ui::CImageList* SharedImageList();

  // Each channel c becomes c + factor * (255 - c) for a factor in (0, 1]; else unchanged.
  static ui::COLORREF BlendTowardWhite(ui::COLORREF colour, double factor);
  static int OsShellKind();
  static bool IsClassicTheme();
  // Whether the flat XP look is in force (Windows XP without the classic theme).
  static bool XpLookInForce();
  // Reads the system's kind and theme again (they are otherwise read once).
  static void RefreshSystemLook();

  static constexpr int kIconWidth = 16;
  static constexpr int kIconHeight = 15;

 private:
  struct Image {
    ui::HIMAGELIST list = nullptr;
    int index = -1;
    int fadedIndex = -1;
    int shadowIndex = -1;
  };
  Image ImageOf(const COwnerMenuItem& record) const;
  // Whether a checked item without an image draws the check-mark images.
  bool UsesCheckMarkImages(bool selected) const;
  void DrawDisabled(ui::CDC& dc, ui::HIMAGELIST list, int index, int x, int y, ui::COLORREF background) const;
  void DrawItemClassic(ui::CDC& dc, const ui::DRAWITEMSTRUCT& item, const COwnerMenuItem& record);
  void DrawItemXp(ui::CDC& dc, const ui::DRAWITEMSTRUCT& item, const COwnerMenuItem& record);
  void AppendRecord(std::unique_ptr<COwnerMenuItem> record);
  void SynchronizeMenu();
  void RestoreTopLevelPopups();
  void PadAcceleratorColumn();
  void Register(ui::HMENU menu);

  std::vector<std::unique_ptr<COwnerMenuItem>> items_;
  std::vector<ui::HMENU> submenus_;
  std::vector<std::unique_ptr<COwnerMenu>> ownedSubmenus_;
  win::BOOL loadedFromResource_ = win::FALSE;
  ui::COLORREF bitmapBackground_ = ui::RGB(192, 192, 192);
  win::BOOL useBitmapBackground_ = win::FALSE;
  win::BOOL oldStyleDisabled_ = win::FALSE;
  std::unique_ptr<ui::CImageList> ownCheckImages_;
  ui::CImageList* checkImages_ = nullptr;  // own, or a parent menu's
  int selectedCheckImage_ = -1;
  int unselectedCheckImage_ = -1;
  win::BOOL dynamicIcons_ = win::FALSE;
  mutable EtchedImages etched_;

  friend class OwnerMenuLoader;
};

}  // namespace tarnlok

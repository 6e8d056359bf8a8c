// The "SysListView32" class's messages, records and notifications, and CListCtrl.
#pragma once

#include "platform/ui/cwnd.h"
#include "platform/ui/image_list.h"

#include <string>

namespace ui {

constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETIMAGELIST = LVM_FIRST + 2;
constexpr UINT LVM_SETIMAGELIST = LVM_FIRST + 3;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
constexpr UINT LVM_GETITEMA = LVM_FIRST + 5;
constexpr UINT LVM_SETITEMA = LVM_FIRST + 6;
constexpr UINT LVM_INSERTITEMA = LVM_FIRST + 7;
constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
constexpr UINT LVM_SETITEMPOSITION = LVM_FIRST + 15;
constexpr UINT LVM_GETITEMPOSITION = LVM_FIRST + 16;
constexpr UINT LVM_HITTEST = LVM_FIRST + 18;
constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
constexpr UINT LVM_SCROLL = LVM_FIRST + 20;
constexpr UINT LVM_ARRANGE = LVM_FIRST + 22;
constexpr UINT LVM_INSERTCOLUMNA = LVM_FIRST + 27;
constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
constexpr UINT LVM_GETORIGIN = LVM_FIRST + 41;
constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;
constexpr UINT LVM_GETITEMTEXTA = LVM_FIRST + 45;
constexpr UINT LVM_SETITEMTEXTA = LVM_FIRST + 46;
constexpr UINT LVM_SETITEMPOSITION32 = LVM_FIRST + 49;
constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
constexpr UINT LVM_GETITEMSPACING = LVM_FIRST + 51;
constexpr UINT LVM_SETICONSPACING = LVM_FIRST + 53;
constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;
constexpr UINT LVM_SETHOTITEM = LVM_FIRST + 60;
constexpr UINT LVM_GETHOTITEM = LVM_FIRST + 61;
constexpr UINT LVM_GETSELECTIONMARK = LVM_FIRST + 66;
constexpr UINT LVM_SETSELECTIONMARK = LVM_FIRST + 67;

constexpr UINT LVIF_TEXT = 0x1;
constexpr UINT LVIF_IMAGE = 0x2;
constexpr UINT LVIF_PARAM = 0x4;
constexpr UINT LVIF_STATE = 0x8;
constexpr UINT LVIS_FOCUSED = 0x1;
constexpr UINT LVIS_SELECTED = 0x2;
constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT index) { return index << 12; }
constexpr int LVNI_ALL = 0x0;
constexpr int LVNI_FOCUSED = 0x1;
constexpr int LVNI_SELECTED = 0x2;
constexpr int LVSIL_NORMAL = 0;
constexpr int LVSIL_SMALL = 1;
constexpr int LVSIL_STATE = 2;
constexpr int LVIR_BOUNDS = 0;
constexpr int LVIR_ICON = 1;
constexpr int LVIR_LABEL = 2;
constexpr int LVIR_SELECTBOUNDS = 3;
constexpr UINT LVA_DEFAULT = 0x0;
constexpr UINT LVA_ALIGNLEFT = 0x1;
constexpr UINT LVA_ALIGNTOP = 0x2;
constexpr UINT LVA_SNAPTOGRID = 0x5;
constexpr UINT LVHT_NOWHERE = 0x1;
constexpr UINT LVHT_ONITEMICON = 0x2;
constexpr UINT LVHT_ONITEMLABEL = 0x4;
constexpr DWORD LVS_EX_CHECKBOXES = 0x4;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x20;
constexpr UINT LVCF_FMT = 0x1;
constexpr UINT LVCF_WIDTH = 0x2;
constexpr UINT LVCF_TEXT = 0x4;
constexpr UINT LVN_ITEMCHANGING = static_cast<UINT>(-100);
constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101);
constexpr UINT LVN_INSERTITEM = static_cast<UINT>(-102);
constexpr UINT LVN_DELETEITEM = static_cast<UINT>(-103);

struct LVITEMA {
  UINT mask = 0;
  int iItem = 0;
  int iSubItem = 0;
  UINT state = 0;
  UINT stateMask = 0;
  char* pszText = nullptr;
  int cchTextMax = 0;
  int iImage = 0;
  LPARAM lParam = 0;
  int iIndent = 0;
};

struct LVHITTESTINFO {
  POINT pt;
  UINT flags = 0;
  int iItem = -1;
  int iSubItem = 0;
};

struct LVCOLUMNA {
  UINT mask = 0;
  int fmt = 0;
  int cx = 0;
  char* pszText = nullptr;
  int cchTextMax = 0;
  int iSubItem = 0;
};

struct NMLISTVIEW {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction;
  LPARAM lParam = 0;
};

struct NMITEMACTIVATE {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction;
  LPARAM lParam = 0;
  UINT uKeyFlags = 0;
};

// Custom draw: the list asks its parent with NM_CUSTOMDRAW before it paints, and, when told,
// for each item and each sub-item, whose text and background colours the parent may set.
constexpr DWORD CDDS_PREPAINT = 0x00000001;
constexpr DWORD CDDS_ITEM = 0x00010000;
constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr DWORD CDDS_SUBITEM = 0x00020000;
constexpr LRESULT CDRF_DODEFAULT = 0x0;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x20;
constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x20;

struct NMCUSTOMDRAW {
  NMHDR hdr;
  DWORD dwDrawStage = 0;
  HDC hdc = nullptr;
  RECT rc;
  std::uintptr_t dwItemSpec = 0;
  UINT uItemState = 0;
  LPARAM lItemlParam = 0;
};

struct NMLVCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  COLORREF clrText = 0;
  COLORREF clrTextBk = 0;
  int iSubItem = 0;
};

// Where a row lies in the list's client area, for input aimed at it; false when the row is
// not shown.
bool ListViewRowPoint(HWND list, int row, POINT* client);

class CListCtrl : public CWnd {
 public:
  int InsertColumn(int index, const std::string& heading, int format = 0, int width = -1);
  int InsertItem(int index, const std::string& text, int image = -1);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  std::string GetItemText(int item, int subItem) const;
  BOOL SetItemText(int item, int subItem, const std::string& text);
  BOOL SetItemState(int item, UINT state, UINT mask);
  UINT GetItemState(int item, UINT mask) const;
  int GetNextItem(int start, int flags) const;
  int SetSelectionMark(int index);
  int GetSelectionMark() const;
  DWORD SetExtendedStyle(DWORD style);
  HIMAGELIST SetImageList(HIMAGELIST list, int which);
  BOOL GetCheck(int item) const;
  BOOL SetCheck(int item, BOOL check = 1);
  BOOL SetItemPosition(int item, POINT at);
  BOOL GetItemPosition(int item, POINT* at) const;
  BOOL GetItemRect(int item, RECT* rect, UINT part) const;
  int HitTest(POINT client, UINT* flags = nullptr) const;
  BOOL EnsureVisible(int item, BOOL partialOk);
  BOOL Arrange(UINT how);
  int SetHotItem(int item);
  int GetHotItem() const;
};

}  // namespace ui

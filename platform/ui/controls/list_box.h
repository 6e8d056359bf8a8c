// The "ListBox" class's messages and notifications.
#pragma once

#include "platform/ui/cwnd.h"
#include "platform/ui/messages.h"

#include <string>
#include <vector>

namespace ui {

inline constexpr const char* kListBoxClass = "ListBox";

constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETITEMRECT = 0x0198;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETSELITEMS = 0x0191;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_SELITEMRANGE = 0x019B;
constexpr UINT LB_SETCARETINDEX = 0x019E;
constexpr UINT LB_GETCARETINDEX = 0x019F;
constexpr LRESULT LB_ERR = -1;
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr DWORD LBS_NOTIFY = 0x0001;
// Each click toggles an item.
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
// A click selects one item, Ctrl and a click toggles one, Shift and a click a range from the anchor.
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;

class CListBox : public CWnd {
 public:
  int AddString(const std::string& text);
  int InsertString(int index, const std::string& text);
  int DeleteString(UINT index);
  void ResetContent();
  int GetCount() const;
  std::string GetText(int index) const;
  LPARAM GetItemData(int index) const;
  int SetItemData(int index, LPARAM data);
  // Single selection: the selected item or LB_ERR. Multiple selection: the focused item.
  int GetCurSel() const;
  int SetCurSel(int index);
  // Multiple selection only; LB_ERR on a single-selection list.
  int GetSel(int index) const;
  int SetSel(int index, BOOL select = 1);
  int GetSelCount() const;
  std::vector<int> GetSelItems() const;
  int SelItemRange(BOOL select, int first, int last);
  int GetItemRect(int index, RECT* rect) const;
  int GetCaretIndex() const;
  int SetCaretIndex(int index);
};

}  // namespace ui

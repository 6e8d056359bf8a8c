#include "platform/ui/controls/controls.h"

#include "platform/ui/controls/edit_messages.h"

#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"

namespace ui {

int CButton::GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
void CButton::SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
UINT CButton::GetButtonStyle() const { return GetStyle() & 0xFFFF; }
void CButton::SetButtonStyle(UINT style, BOOL redraw) { SendMessage(BM_SETSTYLE, style, redraw); }
void CButton::DrawItem(DRAWITEMSTRUCT*) {}
void CButton::MeasureItem(MEASUREITEMSTRUCT*) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    *result = win::TRUE;
    return win::TRUE;
  }
  if (message == WM_MEASUREITEM) {
    MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    *result = win::TRUE;
    return win::TRUE;
  }
  return CWnd::OnChildNotify(message, wParam, lParam, result);
}

HBITMAP CStatic::SetBitmap(HBITMAP bitmap) {
  return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}
HBITMAP CStatic::GetBitmap() const { return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP)); }
HICON CStatic::SetIcon(HICON icon) {
  return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon)));
}

void CEdit::SetLimitText(UINT limit) { SendMessage(EM_LIMITTEXT, limit); }
UINT CEdit::GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
BOOL CEdit::SetReadOnly(BOOL readOnly) {
  return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(readOnly)));
}
void CEdit::SetSel(int start, int end) { SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end); }
void CEdit::GetSel(int& start, int& end) const {
  DWORD first = 0;
  DWORD last = 0;
  SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
  start = static_cast<int>(first);
  end = static_cast<int>(last);
}
void CEdit::ReplaceSel(const std::string& text) {
  SendMessage(EM_REPLACESEL, win::TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}
int CEdit::GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
int CEdit::GetFirstVisibleLine() const { return static_cast<int>(SendMessage(EM_GETFIRSTVISIBLELINE)); }
BOOL CEdit::LineScroll(int lines) { return static_cast<BOOL>(SendMessage(EM_LINESCROLL, 0, lines)); }
int CEdit::LineIndex(int line) const { return static_cast<int>(SendMessage(EM_LINEINDEX, static_cast<WPARAM>(line))); }

void CProgressCtrl::SetRange(short lower, short upper) {
  SendMessage(PBM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(lower), static_cast<WORD>(upper)));
}
void CProgressCtrl::SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
void CProgressCtrl::GetRange(int& lower, int& upper) const {
  PBRANGE range;
  SendMessage(PBM_GETRANGE, 1, reinterpret_cast<LPARAM>(&range));
  lower = range.iLow;
  upper = range.iHigh;
}
int CProgressCtrl::SetPos(int position) {
  return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(position)));
}
int CProgressCtrl::GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
int CProgressCtrl::OffsetPos(int delta) {
  return static_cast<int>(SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(delta)));
}
int CProgressCtrl::SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step))); }
int CProgressCtrl::StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }

}  // namespace ui

// MFC-style wrappers of the built-in controls. Each is a CWnd bound to a control by Create or
// by subclassing a dialog's control (DDX_Control).
#pragma once

#include "platform/ui/cwnd.h"
#include "platform/ui/owner_draw.h"

#include <string>

namespace ui {

class CButton : public CWnd {
 public:
  int GetCheck() const;
  void SetCheck(int check);
  UINT GetButtonStyle() const;
  void SetButtonStyle(UINT style, BOOL redraw = 1);
  // Owner-drawn buttons draw here; the parent's WM_DRAWITEM is reflected to it.
  virtual void DrawItem(DRAWITEMSTRUCT* item);
  virtual void MeasureItem(MEASUREITEMSTRUCT* item);
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CStatic : public CWnd {
 public:
  HBITMAP SetBitmap(HBITMAP bitmap);
  HBITMAP GetBitmap() const;
  HICON SetIcon(HICON icon);
};

class CEdit : public CWnd {
 public:
  void SetLimitText(UINT limit);
  UINT GetLimitText() const;
  BOOL SetReadOnly(BOOL readOnly = 1);
  void SetSel(int start, int end);
  void GetSel(int& start, int& end) const;
  void ReplaceSel(const std::string& text);
  int GetLineCount() const;
  int GetFirstVisibleLine() const;
  BOOL LineScroll(int lines);
  int LineIndex(int line = -1) const;
};

class CProgressCtrl : public CWnd {
 public:
  void SetRange(short lower, short upper);
  void SetRange32(int lower, int upper);
  void GetRange(int& lower, int& upper) const;
  int SetPos(int position);
  int GetPos() const;
  int OffsetPos(int delta);
  int SetStep(int step);
  int StepIt();
};

}  // namespace ui

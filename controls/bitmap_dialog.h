// A dialog base for borderless skinned windows: dragged by any point of its client area, one
// colour made see-through where the system has layered windows, and an optional background
// bitmap drawn in one of five modes.
#pragma once

#include "platform/ui/dialogs/cdialog.h"

namespace tarnlok {

// How the background bitmap is drawn.
constexpr int kBitmapAtOrigin = 0;
constexpr int kBitmapTiled = 1;
constexpr int kBitmapCentred = 2;
constexpr int kBitmapStretched = 3;
// At the origin, with the window sized to the bitmap.
constexpr int kBitmapSizesWindow = 4;

using LayeredAttributesFn = win::BOOL (*)(ui::HWND, ui::COLORREF, win::BYTE, win::DWORD);

class CBitmapDialog : public ui::CDialog {
 public:
  CBitmapDialog(win::UINT templateId, ui::CWnd* parent);
  ~CBitmapDialog() override;

  // One of the kBitmap... modes above.
  void SetMode(int mode);
  // FALSE where the system lacks layered windows.
  win::BOOL SetTransparency(ui::COLORREF key, win::BOOL on);
  const ui::MessageMap& GetMessageMap() const override;

  win::BOOL dragEnabled = win::TRUE;
  ui::HBITMAP bitmap = nullptr;
  int bitmapWidth = 0;
  int bitmapHeight = 0;
  int mode = kBitmapAtOrigin;
  LayeredAttributesFn layeredAttributesProc = nullptr;

 protected:
  ui::LRESULT OnLButtonDown(ui::WPARAM, ui::LPARAM lParam);
  ui::LRESULT OnEraseBkgnd(ui::WPARAM wParam, ui::LPARAM lParam);
  ui::LRESULT OnSize(ui::WPARAM wParam, ui::LPARAM lParam);
};

}  // namespace tarnlok

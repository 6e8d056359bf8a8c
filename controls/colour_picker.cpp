// The colour picker button: its size, its look, and what it tells its parent.
#include "controls/colour_picker.h"

#include "controls/colour_palette_wnd.h"

#include "platform/ui/gdi/frame_control.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"

#include <algorithm>

namespace tarnlok {
namespace {

constexpr ui::DWORD kTypeBits = 0x0F;

}  // namespace

CColourPicker::CColourPicker()
    : background_(ui::GetSysColor(ui::COLOR_BTNFACE)), text_(ui::GetSysColor(ui::COLOR_BTNTEXT)) {}

const ui::MessageMap& CColourPicker::GetMessageMap() const {
  static const ui::MessageMap map(&CButton::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_CREATE, &CColourPicker::OnCreate),
                                      ui::OnMessage(PICKER_SELENDOK, &CColourPicker::OnSelEndOk),
                                      ui::OnMessage(PICKER_SELENDCANCEL, &CColourPicker::OnSelEndCancel),
                                      ui::OnMessage(PICKER_SELCHANGE, &CColourPicker::OnSelChange),
                                      ui::OnReflectedCommand(ui::BN_CLICKED, &CColourPicker::OnClicked),
                                  });
  return map;
}

ui::COLORREF CColourPicker::GetColour() const { return selectionMode_ == 1 ? text_ : background_; }

void CColourPicker::SetColour(ui::COLORREF colour) {
  if (selectionMode_ == 1) {
    SetTextColour(colour);
  } else {
    SetBkColour(colour);
  }
}

void CColourPicker::Redraw() {
  if (m_hWnd != nullptr) RedrawWindow(nullptr, ui::RDW_UPDATENOW | ui::RDW_ERASE | ui::RDW_INVALIDATE);
}

void CColourPicker::SetBkColour(ui::COLORREF colour) {
  background_ = colour;
  Redraw();
}

void CColourPicker::SetTextColour(ui::COLORREF colour) {
  text_ = colour;
  Redraw();
}

void CColourPicker::PreSubclassWindow() {
  ModifyStyle(kTypeBits, ui::BS_OWNERDRAW);
  CButton::PreSubclassWindow();
  SetPickerSize();
}

ui::LRESULT CColourPicker::OnCreate(ui::WPARAM, ui::LPARAM) {
  const ui::LRESULT result = Default();
  if (result == -1) return result;
  ModifyStyle(kTypeBits, ui::BS_OWNERDRAW);
  SetPickerSize();
  return result;
}

// The arrow is at least a scroll-bar thumb wide; the button is one arrow plus its edges high.
void CColourPicker::SetPickerSize() {
  const int cxEdge = ui::GetSystemMetrics(ui::SM_CXEDGE);
  const int cyEdge = ui::GetSystemMetrics(ui::SM_CYEDGE);
  const int arrow =
      std::max({5 * cxEdge, ui::GetSystemMetrics(ui::SM_CXHTHUMB), 5 * cyEdge, ui::GetSystemMetrics(ui::SM_CYVTHUMB)});
  ui::RECT rect{};
  GetWindowRect(&rect);
  if (CWnd* parent = GetParent()) parent->ScreenToClient(&rect);
  const int width = std::max(static_cast<int>(rect.right - rect.left), 2 * (cxEdge + arrow));
  const int height = arrow + 2 * cyEdge;
  MoveWindow(rect.left, rect.top, width, height, win::TRUE);
  arrow_ = ui::RECT{width - arrow - cxEdge, cyEdge, width - cxEdge, height - cyEdge};
}

void CColourPicker::DrawItem(ui::DRAWITEMSTRUCT* item) {
  ui::CDC* dc = ui::CDC::FromHandle(item->hDC);
  ui::UINT state = item->itemState;
  if (active_) state |= ui::ODS_SELECTED;
  const bool disabled = (state & ui::ODS_DISABLED) != 0;
  ui::UINT arrowState = ui::DFCS_SCROLLDOWN;
  if ((state & ui::ODS_SELECTED) != 0) arrowState |= ui::DFCS_PUSHED;
  if (disabled) arrowState |= ui::DFCS_INACTIVE;
  ui::RECT arrow = arrow_;
  ui::DrawFrameControl(*dc, &arrow, ui::DFC_SCROLL, arrowState);

  ui::RECT rect = item->rcItem;
  dc->DrawEdge(&rect, ui::EDGE_SUNKEN, ui::BF_RECT);
  const int cxEdge = ui::GetSystemMetrics(ui::SM_CXEDGE);
  const int cyEdge = ui::GetSystemMetrics(ui::SM_CYEDGE);
  rect = ui::RECT{rect.left + cxEdge, rect.top + cyEdge, rect.right - cxEdge, rect.bottom - cyEdge};
  rect.right -= arrow_.right - arrow_.left;

  const ui::COLORREF swatch = disabled || background_ == CLR_DEFAULT ? ui::GetSysColor(ui::COLOR_BTNFACE) : background_;
  ui::CBrush brush(swatch);
  ui::CBrush* oldBrush = dc->SelectObject(&brush);
  ui::CGdiObject* oldPen = dc->SelectStockObject(ui::NULL_PEN);
  dc->Rectangle(&rect);
  dc->SelectObject(oldBrush);
  dc->SelectObject(static_cast<ui::HGDIOBJ>(oldPen->GetSafeHandle()));

  const std::string caption = GetWindowText();
  if (!caption.empty()) {
    constexpr ui::UINT kCentred = ui::DT_CENTER | ui::DT_VCENTER | ui::DT_SINGLELINE;
    dc->SetBkMode(ui::TRANSPARENT);
    if (disabled) {
      ui::RECT moved{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
      dc->SetTextColor(ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT));
      dc->DrawText(caption, &moved, kCentred);
      dc->SetTextColor(ui::GetSysColor(ui::COLOR_BTNSHADOW));
    } else {
      dc->SetTextColor(text_ == CLR_DEFAULT ? ui::RGB(0, 0, 0) : text_);
    }
    dc->DrawText(caption, &rect, kCentred);
  }
  if ((state & ui::ODS_FOCUS) != 0) {
    const ui::RECT focus{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    dc->DrawFocusRect(&focus);
  }
}

void CColourPicker::TellParent(ui::UINT message, ui::COLORREF colour) {
  if (CWnd* parent = GetParent())
    parent->SendMessage(message, static_cast<ui::WPARAM>(colour), static_cast<ui::LPARAM>(GetDlgCtrlID()));
}

win::BOOL CColourPicker::OnClicked() {
  active_ = win::TRUE;
  ui::RECT rect{};
  GetWindowRect(&rect);
  // The palette deletes itself when its window goes.
  new CColourPaletteWnd(ui::POINT{rect.left, rect.bottom}, GetColour(), this, defaultText_, customText_);
  TellParent(PICKER_DROPDOWN, GetColour());
  return win::TRUE;
}

ui::LRESULT CColourPicker::OnSelEndOk(ui::WPARAM wParam, ui::LPARAM) {
  const auto colour = static_cast<ui::COLORREF>(wParam);
  active_ = win::FALSE;
  const ui::COLORREF before = GetColour();
  SetColour(colour);
  TellParent(PICKER_CLOSEUP, colour);
  TellParent(PICKER_SELENDOK, colour);
  if (colour != before) TellParent(PICKER_SELCHANGE, colour);
  return 0;
}

ui::LRESULT CColourPicker::OnSelEndCancel(ui::WPARAM wParam, ui::LPARAM) {
  const auto colour = static_cast<ui::COLORREF>(wParam);
  active_ = win::FALSE;
  SetColour(colour);
  TellParent(PICKER_CLOSEUP, colour);
  TellParent(PICKER_SELENDCANCEL, colour);
  return 0;
}

ui::LRESULT CColourPicker::OnSelChange(ui::WPARAM wParam, ui::LPARAM) {
  const auto colour = static_cast<ui::COLORREF>(wParam);
  if (trackSelection_) SetColour(colour);
  TellParent(PICKER_SELCHANGE, colour);
  return 0;
}

}  // namespace tarnlok

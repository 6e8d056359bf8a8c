// The colour picker's pop-up palette: layout, choosing by mouse and keys, painting.
#include "controls/colour_palette_wnd.h"

#include "platform/ui/dialogs/colour_dialog.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <algorithm>

namespace tarnlok {
namespace {

constexpr const char* kPaletteClass = "ColourPaletteWnd";
constexpr int kBoxSize = 18;
constexpr int kLastCell = kColourCount - 1;
constexpr ui::UINT kCentred = ui::DT_CENTER | ui::DT_VCENTER | ui::DT_SINGLELINE;

void RegisterPaletteClass() {
  ui::WNDCLASSA wc;
  wc.style = ui::CS_CLASSDC | ui::CS_SAVEBITS | ui::CS_HREDRAW | ui::CS_VREDRAW;
  wc.lpfnWndProc = ui::DefWindowProcA;
  wc.hbrBackground = static_cast<ui::HBRUSH>(ui::GetStockObject(ui::LTGRAY_BRUSH));
  wc.lpszClassName = kPaletteClass;
  ui::RegisterClassA(&wc);
}

void Fill(ui::CDC& dc, const ui::RECT& rect, int sysColour) {
  ui::CBrush brush(ui::GetSysColor(sysColour));
  dc.FillRect(&rect, &brush);
}

ui::RECT Deflated(ui::RECT rect, int by) {
  return ui::RECT{rect.left + by, rect.top + by, rect.right - by, rect.bottom - by};
}

int Width(const ui::RECT& rect) { return rect.right - rect.left; }
int Height(const ui::RECT& rect) { return rect.bottom - rect.top; }

}  // namespace

CColourPaletteWnd::CColourPaletteWnd(ui::POINT at, ui::COLORREF initial, CColourPicker* picker,
                                     const std::string& defaultText, const std::string& customText)
    : defaultText_(defaultText), customText_(customText), picker_(picker), initial_(initial) {
  margin_ = ui::GetSystemMetrics(ui::SM_CXEDGE);
  boxSize_ = kBoxSize;
  if (boxSize_ - 2 * margin_ - 2 < 5) boxSize_ = 2 * margin_ + 7;
  ui::NONCLIENTMETRICSA metrics;
  ui::SystemParametersInfoA(ui::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  font_.CreateFontIndirect(&metrics.lfMessageFont);
  ui::LOGPALETTE log;
  log.palNumEntries = kColourCount;
  for (int i = 0; i < kColourCount; ++i) {
    const ui::COLORREF colour = ColourTable[i].colour;
    log.palPalEntry[i] = ui::PALETTEENTRY{ui::GetRValue(colour), ui::GetGValue(colour), ui::GetBValue(colour), 0};
  }
  palette_ = ui::CreatePalette(&log);

  RegisterPaletteClass();
  CreateEx(0, kPaletteClass, "", ui::WS_POPUP | ui::WS_VISIBLE, ui::RECT{at.x, at.y, at.x + 100, at.y + 100}, picker,
           0);
  Layout(at);
  toolTip_ = std::make_unique<ui::CToolTipCtrl>();
  toolTip_->Create(this);
  for (int i = 0; i < kColourCount; ++i) {
    const ui::RECT cell = CellRect(i);
    toolTip_->AddTool(this, ColourTable[i].name, &cell, static_cast<ui::UINT>(i + 1));
  }
  FindChosenCell();
  SetFocus();
  SetCapture();
}

// The palette object is this window's own; nothing else selects it.
CColourPaletteWnd::~CColourPaletteWnd() {
  if (palette_ != nullptr) ui::DeleteObject(palette_);
}

const ui::MessageMap& CColourPaletteWnd::GetMessageMap() const {
  static const ui::MessageMap map(&CWnd::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_PAINT, &CColourPaletteWnd::OnPaint),
                                      ui::OnMessage(ui::WM_MOUSEMOVE, &CColourPaletteWnd::OnMouseMove),
                                      ui::OnMessage(ui::WM_LBUTTONUP, &CColourPaletteWnd::OnLButtonUp),
                                      ui::OnMessage(ui::WM_KEYDOWN, &CColourPaletteWnd::OnKeyDown),
                                      ui::OnMessage(ui::WM_KILLFOCUS, &CColourPaletteWnd::OnKillFocus),
                                      ui::OnMessage(ui::WM_ACTIVATEAPP, &CColourPaletteWnd::OnActivateApp),
                                      ui::OnMessage(ui::WM_QUERYNEWPALETTE, &CColourPaletteWnd::OnQueryNewPalette),
                                      ui::OnMessage(ui::WM_PALETTECHANGED, &CColourPaletteWnd::OnPaletteChanged),
                                  });
  return map;
}

void CColourPaletteWnd::PostNcDestroy() { delete this; }

win::BOOL CColourPaletteWnd::PreTranslateMessage(ui::MSG* msg) {
  if (toolTip_) toolTip_->RelayEvent(msg);
  return CWnd::PreTranslateMessage(msg);
}

void CColourPaletteWnd::Layout(ui::POINT at) {
  ui::SIZE text{};
  if (HasDefault() || HasCustom()) {
    ui::CClientDC dc(this);
    ui::CFont* old = dc.SelectObject(&font_);
    for (const std::string* each : {&defaultText_, &customText_}) {
      const ui::SIZE size = dc.GetTextExtent(*each);
      text.cx = std::max(text.cx, size.cx);
      text.cy = std::max(text.cy, size.cy);
    }
    dc.SelectObject(old);
    text.cx += 2 * margin_;
    text.cy += 4 * margin_ + 2;
  }
  rows_ = (kColourCount + kColumns - 1) / kColumns;
  ui::RECT window{at.x, at.y, at.x + kColumns * boxSize_ + 2 * margin_, at.y + rows_ * boxSize_ + 2 * margin_};
  if (HasDefault()) {
    window.right = std::max(window.right, window.left + text.cx);
    const int textWidth = Width(window) - 2 * margin_;
    defaultBox_ = ui::RECT{margin_, margin_, margin_ + textWidth, 2 * margin_ + text.cy};
    window.bottom += Height(defaultBox_) + 2 * margin_;
  }
  if (HasCustom()) {
    window.right = std::max(window.right, window.left + text.cx);
    const int height = Height(window);
    customBox_ = ui::RECT{margin_, height, Width(window) - margin_, height + margin_ + text.cy};
    window.bottom += Height(customBox_) + 2 * margin_;
  }
  const int screenWidth = ui::GetSystemMetrics(ui::SM_CXSCREEN);
  const int screenHeight = ui::GetSystemMetrics(ui::SM_CYSCREEN);
  const int width = Width(window);
  const int height = Height(window);
  if (window.right > screenWidth) window.left = screenWidth - width;
  if (window.left < 0) window.left = 0;
  if (window.bottom > screenHeight) {
    ui::RECT picker{};
    picker_->GetWindowRect(&picker);
    window.top -= height + Height(picker);
  }
  MoveWindow(window.left, window.top, width, height, win::TRUE);
}

ui::RECT CColourPaletteWnd::CellRect(int cell) const {
  if (cell == kCustomBox) return customBox_;
  if (cell == kDefaultBox) return defaultBox_;
  if (cell < 0 || cell >= kColourCount) return ui::RECT{};
  const int top = margin_ + (HasDefault() ? Height(defaultBox_) + margin_ : 0);
  const int left = (cell % kColumns) * boxSize_ + margin_;
  const int y = (cell / kColumns) * boxSize_ + top;
  return ui::RECT{left, y, left + boxSize_, y + boxSize_};
}

// Boxes and cells are tested in the same client coordinates they are laid out in.
int CColourPaletteWnd::HitTest(ui::POINT point) const {
  const auto inside = [point](const ui::RECT& r) {
    return point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom;
  };
  if (HasCustom() && inside(customBox_)) return kCustomBox;
  if (HasDefault() && inside(defaultBox_)) return kDefaultBox;
  const ui::RECT first = CellRect(0);
  if (point.x < first.left || point.y < first.top) return kNoCell;
  const int column = (point.x - first.left) / boxSize_;
  const int row = (point.y - first.top) / boxSize_;
  if (column >= kColumns || row >= rows_) return kNoCell;
  const int cell = row * kColumns + column;
  return cell < kColourCount ? cell : kNoCell;
}

void CColourPaletteWnd::FindChosenCell() {
  for (int i = 0; i < kColourCount; ++i) {
    if (ColourTable[i].colour == initial_) {
      chosen_ = i;
      return;
    }
  }
  if (initial_ == CLR_DEFAULT && HasDefault()) {
    chosen_ = kDefaultBox;
  } else if (HasCustom()) {
    chosen_ = kCustomBox;
  } else {
    chosen_ = kNoCell;
  }
}

void CColourPaletteWnd::ChangeSelection(int cell) {
  // Anything past the last colour is the custom box, never a read past the table.
  if (cell >= kColourCount) cell = kCustomBox;
  ui::CClientDC dc(this);
  const int old = current_;
  current_ = cell;
  if (old != kNoCell) DrawCell(dc, old);
  DrawCell(dc, current_);
  picker_->SendMessage(PICKER_SELCHANGE, static_cast<ui::WPARAM>(ColourOf(current_)), 0);
}

// The custom box stands for the initial colour until the colour dialog gives another.
ui::COLORREF CColourPaletteWnd::ColourOf(int cell) const {
  if (cell >= 0) return ColourTable[cell].colour;
  return cell == kDefaultBox ? CLR_DEFAULT : initial_;
}

void CColourPaletteWnd::EndSelection(ui::UINT message) {
  if (ending_) return;
  ending_ = true;
  ui::ReleaseCapture();
  ui::COLORREF colour = message == PICKER_SELENDCANCEL ? initial_ : ColourOf(current_);
  if (message != PICKER_SELENDCANCEL && current_ == kCustomBox) {
    ui::CHOOSECOLORA choose;
    ui::COLORREF custom[16] = {};
    choose.hwndOwner = m_hWnd;
    choose.rgbResult = initial_;
    choose.lpCustColors = custom;
    choose.Flags = ui::CC_RGBINIT | ui::CC_FULLOPEN | ui::CC_ANYCOLOR;
    if (ui::ChooseColorA(&choose)) colour = choose.rgbResult;
  }
  picker_->SendMessage(message, static_cast<ui::WPARAM>(colour), 0);
  DestroyWindow();
}

ui::LRESULT CColourPaletteWnd::OnMouseMove(ui::WPARAM, ui::LPARAM lParam) {
  const int cell = HitTest(ui::PointFromLParam(lParam));
  if (cell != kNoCell && cell != current_) ChangeSelection(cell);
  return 0;
}

ui::LRESULT CColourPaletteWnd::OnLButtonUp(ui::WPARAM, ui::LPARAM lParam) {
  const ui::POINT point = ui::PointFromLParam(lParam);
  ui::RECT client{};
  GetClientRect(&client);
  const bool inside = point.x >= 0 && point.y >= 0 && point.x < client.right && point.y < client.bottom;
  EndSelection(inside ? PICKER_SELENDOK : PICKER_SELENDCANCEL);
  return 0;
}

// The cell an arrow key moves to; the boxes sit before the first and after the last cell.
int CColourPaletteWnd::Moved(ui::UINT key) const {
  const int afterLast = HasCustom() ? kCustomBox : HasDefault() ? kDefaultBox : 0;
  const int beforeFirst = HasDefault() ? kDefaultBox : HasCustom() ? kCustomBox : kLastCell;
  const int c = current_;
  const int step = key == ui::VK_LEFT || key == ui::VK_RIGHT ? 1 : kColumns;
  if (key == ui::VK_LEFT || key == ui::VK_UP) {
    if (c == kDefaultBox) return HasCustom() ? kCustomBox : kLastCell;
    if (c == kCustomBox || c == kNoCell) return kLastCell;
    return c - step >= 0 ? c - step : beforeFirst;
  }
  if (c == kDefaultBox || c == kNoCell) return 0;
  if (c == kCustomBox) return HasDefault() ? kDefaultBox : 0;
  return c + step < kColourCount ? c + step : afterLast;
}

ui::LRESULT CColourPaletteWnd::OnKeyDown(ui::WPARAM wParam, ui::LPARAM) {
  const auto key = static_cast<ui::UINT>(wParam);
  switch (key) {
    case ui::VK_RETURN:
    case ui::VK_SPACE: EndSelection(PICKER_SELENDOK); break;
    case ui::VK_ESCAPE: EndSelection(PICKER_SELENDCANCEL); break;
    case ui::VK_LEFT:
    case ui::VK_UP:
    case ui::VK_RIGHT:
    case ui::VK_DOWN: ChangeSelection(Moved(key)); break;
    default: break;
  }
  return 0;
}

ui::LRESULT CColourPaletteWnd::OnKillFocus(ui::WPARAM, ui::LPARAM) {
  ui::ReleaseCapture();
  return 0;
}

ui::LRESULT CColourPaletteWnd::OnActivateApp(ui::WPARAM wParam, ui::LPARAM) {
  if (wParam == 0) EndSelection(PICKER_SELENDCANCEL);
  return 0;
}

// The cells are drawn in palette colours: a palette change repaints them, except the one this
// window's own realising caused.
ui::LRESULT CColourPaletteWnd::OnQueryNewPalette(ui::WPARAM, ui::LPARAM) {
  Invalidate();
  return win::TRUE;
}

ui::LRESULT CColourPaletteWnd::OnPaletteChanged(ui::WPARAM wParam, ui::LPARAM) {
  if (reinterpret_cast<ui::HWND>(wParam) != m_hWnd) Invalidate();
  return 0;
}

ui::LRESULT CColourPaletteWnd::OnPaint(ui::WPARAM, ui::LPARAM) {
  ui::CPaintDC dc(this);
  if (HasDefault()) DrawCell(dc, kDefaultBox);
  for (int i = 0; i < kColourCount; ++i) DrawCell(dc, i);
  if (HasCustom()) DrawCell(dc, kCustomBox);
  ui::RECT client{};
  GetClientRect(&client);
  dc.DrawEdge(&client, ui::EDGE_RAISED, ui::BF_RECT);
  return 0;
}

void CColourPaletteWnd::DrawCell(ui::CDC& dc, int cell) {
  if (cell >= 0) {
    DrawColourCell(dc, cell);
  } else if (cell == kDefaultBox || cell == kCustomBox) {
    DrawTextBox(dc, cell);
  }
}

void CColourPaletteWnd::DrawCellEdge(ui::CDC& dc, int cell, ui::RECT rect) {
  if (cell == current_) {
    dc.DrawEdge(&rect, ui::EDGE_RAISED, ui::BF_RECT);
  } else if (cell == chosen_) {
    dc.DrawEdge(&rect, ui::EDGE_SUNKEN, ui::BF_RECT);
  }
}

void CColourPaletteWnd::DrawColourCell(ui::CDC& dc, int cell) {
  const ui::RECT rect = CellRect(cell);
  Fill(dc, rect, cell == chosen_ && cell != current_ ? ui::COLOR_BTNHIGHLIGHT : ui::COLOR_BTNFACE);
  DrawCellEdge(dc, cell, rect);
  const bool palettised = (dc.GetDeviceCaps(ui::RASTERCAPS) & ui::RC_PALETTE) != 0;
  ui::HPALETTE oldPalette = nullptr;
  if (palettised) {
    oldPalette = ui::SelectPalette(dc, palette_, win::FALSE);
    ui::RealizePalette(dc);
  }
  const ui::COLORREF colour = ColourTable[cell].colour;
  ui::CBrush brush(ui::PALETTERGB(ui::GetRValue(colour), ui::GetGValue(colour), ui::GetBValue(colour)));
  ui::CPen pen(ui::PS_SOLID, 1, ui::GetSysColor(ui::COLOR_BTNSHADOW));
  ui::CBrush* oldBrush = dc.SelectObject(&brush);
  ui::CPen* oldPen = dc.SelectObject(&pen);
  const ui::RECT inner = Deflated(rect, margin_ + 1);
  dc.Rectangle(&inner);
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldPen);
  if (palettised) ui::SelectPalette(dc, oldPalette, win::FALSE);
}

void CColourPaletteWnd::DrawTextBox(ui::CDC& dc, int cell) {
  const bool custom = cell == kCustomBox;
  ui::RECT rect = CellRect(cell);
  Fill(dc, rect, ui::COLOR_BTNFACE);
  if (custom) {
    const int left = rect.left + 2 * margin_;
    const int right = rect.right - 2 * margin_;
    Fill(dc, ui::RECT{left, rect.top, right, rect.top + 1}, ui::COLOR_BTNSHADOW);
    Fill(dc, ui::RECT{left, rect.top + 1, right, rect.top + 2}, ui::COLOR_BTNHIGHLIGHT);
    rect.top += 2;
  }
  Fill(dc, Deflated(rect, 1), cell == chosen_ && cell != current_ ? ui::COLOR_3DLIGHT : ui::COLOR_BTNFACE);
  if (!custom) {
    ui::CPen pen(ui::PS_SOLID, 1, ui::GetSysColor(ui::COLOR_BTNSHADOW));
    ui::CPen* oldPen = dc.SelectObject(&pen);
    ui::CGdiObject* oldBrush = dc.SelectStockObject(ui::NULL_BRUSH);
    const ui::RECT frame = Deflated(rect, 2 * margin_);
    dc.Rectangle(&frame);
    dc.SelectObject(oldPen);
    dc.SelectObject(static_cast<ui::HGDIOBJ>(oldBrush->GetSafeHandle()));
  }
  DrawCellEdge(dc, cell, rect);
  ui::CFont* oldFont = dc.SelectObject(&font_);
  dc.SetBkMode(ui::TRANSPARENT);
  dc.SetTextColor(ui::GetSysColor(ui::COLOR_BTNTEXT));
  dc.DrawText(custom ? customText_ : defaultText_, &rect, kCentred);
  dc.SelectObject(oldFont);
}

}  // namespace tarnlok

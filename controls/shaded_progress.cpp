#include "controls/shaded_progress.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"

#include <functional>

namespace tarnlok {
namespace {

constexpr int kShadeStep = 51;

ui::COLORREF PerChannel(ui::COLORREF colour, const std::function<int(int)>& change) {
  return ui::RGB(static_cast<ui::BYTE>(change(ui::GetRValue(colour))),
                 static_cast<ui::BYTE>(change(ui::GetGValue(colour))),
                 static_cast<ui::BYTE>(change(ui::GetBValue(colour))));
}

// Halfway from the shadow to the dark shadow, each channel rounded towards minus infinity.
ui::COLORREF Between(ui::COLORREF shadow, ui::COLORREF darkShadow) {
  const auto half = [](int from, int to) { return from + ((to - from) >> 1); };
  return ui::RGB(static_cast<ui::BYTE>(half(ui::GetRValue(shadow), ui::GetRValue(darkShadow))),
                 static_cast<ui::BYTE>(half(ui::GetGValue(shadow), ui::GetGValue(darkShadow))),
                 static_cast<ui::BYTE>(half(ui::GetBValue(shadow), ui::GetBValue(darkShadow))));
}

// The bar's share of an extent; an empty range shows no bar rather than dividing by zero.
int Filled(int position, int lower, int upper, int extent) {
  if (upper == lower) return 0;
  return static_cast<int>(static_cast<double>(position - lower) * extent / (upper - lower));
}

void Line(ui::CDC& dc, std::initializer_list<ui::POINT> points) {
  auto point = points.begin();
  dc.MoveTo(point->x, point->y);
  for (++point; point != points.end(); ++point) dc.LineTo(point->x, point->y);
}

}  // namespace

CShadedProgress::CShadedProgress() : barColour_(ui::GetSysColor(ui::COLOR_HIGHLIGHT)) {
  ComputeShades();
  CreateShadePens();
}

CShadedProgress::~CShadedProgress() { DeleteShadePens(); }

const ui::MessageMap& CShadedProgress::GetMessageMap() const {
  static const ui::MessageMap map(&CProgressCtrl::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_PAINT, &CShadedProgress::OnPaint),
                                      ui::OnMessage(ui::WM_ERASEBKGND, &CShadedProgress::OnEraseBkgnd),
                                  });
  return map;
}

ui::COLORREF CShadedProgress::Lighten(ui::COLORREF colour, int amount) {
  return PerChannel(colour, [amount](int channel) { return channel + amount <= 255 ? channel + amount : channel; });
}

ui::COLORREF CShadedProgress::Darken(ui::COLORREF colour, int amount) {
  return PerChannel(colour, [amount](int channel) { return channel >= amount ? channel - amount : channel; });
}

int CShadedProgress::SetBarColour(ui::COLORREF colour) {
  barColour_ = colour;
  ComputeShades();
  CreateShadePens();
  if (m_hWnd != nullptr) RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_ERASE | ui::RDW_UPDATENOW);
  return 0;
}

void CShadedProgress::ComputeShades() {
  lightColour1_ = Lighten(barColour_, kShadeStep);
  lightColour2_ = Lighten(lightColour1_, kShadeStep);
  lightColour3_ = Lighten(lightColour2_, kShadeStep);
  darkColour1_ = Darken(barColour_, kShadeStep);
  darkColour2_ = Darken(darkColour1_, kShadeStep);
  darkShadowColour_ = ui::GetSysColor(ui::COLOR_3DDKSHADOW);
  shadowColour_ = ui::GetSysColor(ui::COLOR_BTNSHADOW);
  midShadowColour_ = Between(shadowColour_, darkShadowColour_);
}

void CShadedProgress::CreateShadePens() {
  DeleteShadePens();
  barPen_.CreatePen(ui::PS_SOLID, 1, barColour_);
  lightPen1_.CreatePen(ui::PS_SOLID, 1, lightColour1_);
  lightPen2_.CreatePen(ui::PS_SOLID, 1, lightColour2_);
  darkPen1_.CreatePen(ui::PS_SOLID, 1, darkColour1_);
  darkPen2_.CreatePen(ui::PS_SOLID, 1, darkColour2_);
  darkShadowPen_.CreatePen(ui::PS_SOLID, 1, darkShadowColour_);
  midShadowPen_.CreatePen(ui::PS_SOLID, 1, midShadowColour_);
  shadowPen_.CreatePen(ui::PS_SOLID, 1, shadowColour_);
}

void CShadedProgress::DeleteShadePens() {
  for (ui::CPen* pen :
       {&barPen_, &lightPen1_, &lightPen2_, &darkPen1_, &darkPen2_, &darkShadowPen_, &midShadowPen_, &shadowPen_}) {
    if (pen->GetSafeHandle() != nullptr) pen->DeleteObject();
  }
}

ui::RECT CShadedProgress::BarRect(const ui::RECT& client) const {
  int lower = 0;
  int upper = 0;
  GetRange(lower, upper);
  const int position = GetPos();
  ui::RECT bar = client;
  if ((GetStyle() & ui::PBS_VERTICAL) != 0) {
    bar.top = client.bottom - Filled(position, lower, upper, client.bottom - client.top);
  } else {
    bar.right = Filled(position, lower, upper, client.right - client.left);
  }
  return bar;
}

void CShadedProgress::OnPaint() {
  ui::CPaintDC paint(this);
  ui::RECT client{};
  GetClientRect(&client);
  ui::CDC memory;
  memory.CreateCompatibleDC(&paint);
  const int saved = memory.SaveDC();
  ui::CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(&paint, client.right - client.left, client.bottom - client.top);
  memory.SelectObject(&bitmap);
  memory.FillSolidRect(&client, ui::GetSysColor(ui::COLOR_BTNFACE));
  const ui::RECT bar = BarRect(client);
  memory.FillSolidRect(&bar, lightColour3_);
  if ((GetStyle() & ui::PBS_VERTICAL) != 0) {
    if (bar.top != bar.bottom) DrawVerticalShading(memory, bar);
  } else if (bar.left != bar.right) {
    DrawHorizontalShading(memory, bar);
  }
  paint.BitBlt(client.left, client.top, client.right - client.left, client.bottom - client.top, &memory, 0, 0,
               ui::SRCCOPY);
  memory.RestoreDC(saved);
}

void CShadedProgress::DrawHorizontalShading(ui::CDC& dc, const ui::RECT& bar) {
  const int l = bar.left;
  const int t = bar.top;
  const int r = bar.right;
  const int b = bar.bottom;
  ui::CPen* previous = dc.SelectObject(&lightPen1_);
  Line(dc, {{l + 2, b - 4}, {r - 2, b - 4}});
  Line(dc, {{l + 2, t + 2}, {r - 2, t + 2}});
  dc.SetPixel(l + 1, b - 3, lightColour1_);
  dc.SetPixel(l + 1, t + 1, lightColour1_);
  dc.SelectObject(&lightPen2_);
  Line(dc, {{l + 2, b - 5}, {r - 3, b - 5}, {r - 3, t + 3}, {l + 1, t + 3}});
  dc.SetPixel(l + 1, b - 4, lightColour2_);
  dc.SetPixel(l + 1, t + 2, lightColour2_);
  dc.SelectObject(&barPen_);
  Line(dc, {{l, b - 1}, {l, t}, {l + 2, t}});
  dc.SetPixel(l + 1, b - 2, barColour_);
  Line(dc, {{l + 2, b - 3}, {r - 2, b - 3}});
  Line(dc, {{l + 2, t + 1}, {r - 1, t + 1}});
  dc.SelectObject(&darkPen1_);
  Line(dc, {{l + 2, b - 2}, {r - 2, b - 2}, {r - 2, t + 1}});
  Line(dc, {{l + 2, t}, {r, t}});
  dc.SetPixel(l + 1, b - 1, darkColour1_);
  dc.SelectObject(&darkPen2_);
  Line(dc, {{l + 2, b - 1}, {r - 1, b - 1}, {r - 1, t}});
  dc.SelectObject(&midShadowPen_);
  Line(dc, {{r, t}, {r, b}});
  dc.SelectObject(&shadowPen_);
  Line(dc, {{r + 1, t}, {r + 1, b}});
  dc.SelectObject(previous);
}

void CShadedProgress::DrawVerticalShading(ui::CDC& dc, const ui::RECT& bar) {
  const int l = bar.left;
  const int t = bar.top;
  const int r = bar.right;
  const int b = bar.bottom;
  const int t1 = t + 1;
  ui::CPen* previous = dc.SelectObject(&darkPen1_);
  if (b - t < 4) {
    ui::CBrush fill(barColour_);
    ui::CBrush* previousBrush = dc.SelectObject(&fill);
    dc.Rectangle(&bar);
    dc.SelectObject(previousBrush);
    dc.SelectObject(previous);
    return;
  }
  dc.SelectObject(&barPen_);
  Line(dc, {{l, t1}, {l, t}, {r, t}});
  Line(dc, {{l + 1, b - 2}, {l + 1, t1}});
  Line(dc, {{r - 3, b - 3}, {r - 3, t1}});
  dc.SetPixel(r - 2, t1, barColour_);
  dc.SelectObject(&lightPen1_);
  Line(dc, {{l + 2, b - 3}, {l + 2, t1}});
  Line(dc, {{r - 4, b - 3}, {r - 4, t1}});
  dc.SetPixel(l + 1, t1, lightColour1_);
  dc.SetPixel(r - 3, t1, lightColour1_);
  dc.SelectObject(&lightPen2_);
  Line(dc, {{l + 3, b - 3}, {l + 3, t1}});
  Line(dc, {{r - 5, b - 3}, {r - 5, t1}});
  dc.SetPixel(l + 2, t1, lightColour2_);
  dc.SetPixel(r - 4, t1, lightColour2_);
  dc.SelectObject(&darkPen1_);
  Line(dc, {{l, b - 1}, {l, t1}});
  Line(dc, {{l + 2, b - 2}, {r - 2, b - 2}, {r - 2, t1}});
  dc.SetPixel(r - 1, t1, darkColour1_);
  dc.SelectObject(&darkPen2_);
  Line(dc, {{l + 1, b - 1}, {r - 1, b - 1}, {r - 1, t1}});
  dc.SelectObject(previous);
}

}  // namespace tarnlok

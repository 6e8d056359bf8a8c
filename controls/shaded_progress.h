// The progress bar of the operation and recovery pages: the standard progress control painted
// as a shaded tube in five shades of one bar colour, with dark edges from the system's shadow
// colours, on a button-face background, through one memory bitmap so that it never flickers.
#pragma once

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/controls/controls.h"

namespace tarnlok {

class CShadedProgress : public ui::CProgressCtrl {
 public:
  CShadedProgress();
  ~CShadedProgress() override;

  // Rebuilds the shades from the colour and repaints at once; always 0.
  int SetBarColour(ui::COLORREF colour);

  // Each channel moves by the amount on its own, or stays when it would leave 0 to 255.
  static ui::COLORREF Lighten(ui::COLORREF colour, int amount);
  static ui::COLORREF Darken(ui::COLORREF colour, int amount);

  const ui::MessageMap& GetMessageMap() const override;

 private:
  void ComputeShades();
  void CreateShadePens();
  void DeleteShadePens();
  ui::RECT BarRect(const ui::RECT& client) const;
  void DrawHorizontalShading(ui::CDC& dc, const ui::RECT& bar);
  void DrawVerticalShading(ui::CDC& dc, const ui::RECT& bar);
  void OnPaint();
  ui::LRESULT OnEraseBkgnd(ui::WPARAM, ui::LPARAM) { return win::TRUE; }

  ui::CPen barPen_;
  ui::CPen lightPen1_;
  ui::CPen lightPen2_;
  ui::CPen darkPen1_;
  ui::CPen darkPen2_;
  ui::CPen darkShadowPen_;
  ui::CPen midShadowPen_;
  ui::CPen shadowPen_;
  ui::COLORREF barColour_ = 0;
  ui::COLORREF lightColour1_ = 0;
  ui::COLORREF lightColour2_ = 0;
  ui::COLORREF lightColour3_ = 0;
  ui::COLORREF darkColour1_ = 0;
  ui::COLORREF darkColour2_ = 0;
  ui::COLORREF darkShadowColour_ = 0;
  ui::COLORREF midShadowColour_ = 0;
  ui::COLORREF shadowColour_ = 0;
};

}  // namespace tarnlok

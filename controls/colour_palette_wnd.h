// The pop-up palette of the colour picker: forty colour cells in eight columns, an optional
// default box above them and an optional custom box below that opens the system colour dialog.
// It holds the mouse while open, follows the mouse and the arrow keys, and tells the picker of
// each highlighted colour and of the end. It deletes itself when its window goes.
#pragma once

#include "controls/colour_picker.h"

#include "platform/ui/controls/tooltip.h"
#include "platform/ui/gdi/cdc.h"
#include "platform/ui/gdi/palette.h"

#include <memory>
#include <string>

namespace tarnlok {

class CColourPaletteWnd : public ui::CWnd {
 public:
  // Cell values besides the colours 0-39.
  static constexpr int kNoCell = -1;
  static constexpr int kCustomBox = -2;
  static constexpr int kDefaultBox = -3;

  CColourPaletteWnd(ui::POINT at, ui::COLORREF initial, CColourPicker* picker, const std::string& defaultText,
                    const std::string& customText);
  ~CColourPaletteWnd() override;

  int CurrentCell() const { return current_; }
  int ChosenCell() const { return chosen_; }
  ui::RECT CellRect(int cell) const;
  // The cell under a client point, kNoCell when none.
  int HitTest(ui::POINT point) const;

  win::BOOL PreTranslateMessage(ui::MSG* msg) override;
  void PostNcDestroy() override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  static constexpr int kColumns = 8;

  void Layout(ui::POINT at);
  void FindChosenCell();
  void ChangeSelection(int cell);
  void EndSelection(ui::UINT message);
  int Moved(ui::UINT key) const;
  ui::COLORREF ColourOf(int cell) const;
  void DrawCell(ui::CDC& dc, int cell);
  void DrawColourCell(ui::CDC& dc, int cell);
  void DrawTextBox(ui::CDC& dc, int cell);
  void DrawCellEdge(ui::CDC& dc, int cell, ui::RECT rect);
  bool HasDefault() const { return !defaultText_.empty(); }
  bool HasCustom() const { return !customText_.empty(); }

  ui::LRESULT OnPaint(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnMouseMove(ui::WPARAM, ui::LPARAM lParam);
  ui::LRESULT OnLButtonUp(ui::WPARAM, ui::LPARAM lParam);
  ui::LRESULT OnKeyDown(ui::WPARAM wParam, ui::LPARAM);
  ui::LRESULT OnKillFocus(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnActivateApp(ui::WPARAM wParam, ui::LPARAM);
  ui::LRESULT OnQueryNewPalette(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnPaletteChanged(ui::WPARAM wParam, ui::LPARAM);

  int rows_ = 0;
  int boxSize_ = 18;
  int margin_ = 2;
  int current_ = kNoCell;
  int chosen_ = kNoCell;
  std::string defaultText_;
  std::string customText_;
  ui::RECT customBox_{};
  ui::RECT defaultBox_{};
  ui::CFont font_;
  ui::HPALETTE palette_ = nullptr;
  CColourPicker* picker_;
  ui::COLORREF initial_;
  std::unique_ptr<ui::CToolTipCtrl> toolTip_;
  bool ending_ = false;
};

}  // namespace tarnlok

// A button that shows a colour swatch with a drop-down arrow. A click opens a palette of forty
// named colours (with an optional "Automatic" box and a "More Colours..." box for the system
// colour dialog) under the button; the button tells its parent of the drop-down, the close-up,
// every change of the highlighted colour and the final choice.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/windows/messages.h"

#include <array>
#include <string>

namespace tarnlok {

// Sent to the picker's parent with the colour as wParam and the picker's control id as lParam.
constexpr ui::UINT PICKER_SELCHANGE = ui::WM_USER + 1001;
constexpr ui::UINT PICKER_DROPDOWN = ui::WM_USER + 1002;
constexpr ui::UINT PICKER_CLOSEUP = ui::WM_USER + 1003;
constexpr ui::UINT PICKER_SELENDOK = ui::WM_USER + 1004;
constexpr ui::UINT PICKER_SELENDCANCEL = ui::WM_USER + 1005;

// The colour that stands for "the default colour".
constexpr ui::COLORREF CLR_DEFAULT = 0xFF000000;

struct ColourTableEntry {
  ui::COLORREF colour;
  const char* name;
};
constexpr int kColourCount = 40;
extern const std::array<ColourTableEntry, kColourCount> ColourTable;

class CColourPicker : public ui::CButton {
 public:
  CColourPicker();

  // The text colour in selection mode 1, else the background colour.
  ui::COLORREF GetColour() const;
  void SetColour(ui::COLORREF colour);
  void SetBkColour(ui::COLORREF colour);
  void SetTextColour(ui::COLORREF colour);
  ui::COLORREF GetBkColour() const { return background_; }
  ui::COLORREF GetTextColour() const { return text_; }
  // Take every highlighted colour at once, not only the final choice.
  void SetTrackSelection(win::BOOL track) { trackSelection_ = track; }
  // 1: the choice is the text colour; any other value: the background colour.
  void SetSelectionMode(int mode) { selectionMode_ = mode; }
  // An empty text leaves its box out of the palette.
  void SetDefaultText(const std::string& text) { defaultText_ = text; }
  void SetCustomText(const std::string& text) { customText_ = text; }

  void PreSubclassWindow() override;
  void DrawItem(ui::DRAWITEMSTRUCT* item) override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void SetPickerSize();
  void Redraw();
  void TellParent(ui::UINT message, ui::COLORREF colour);
  win::BOOL OnClicked();
  ui::LRESULT OnCreate(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnSelEndOk(ui::WPARAM wParam, ui::LPARAM);
  ui::LRESULT OnSelEndCancel(ui::WPARAM wParam, ui::LPARAM);
  ui::LRESULT OnSelChange(ui::WPARAM wParam, ui::LPARAM);

  win::BOOL active_ = win::FALSE;
  win::BOOL trackSelection_ = win::FALSE;
  ui::COLORREF background_;
  ui::COLORREF text_;
  int selectionMode_ = 2;
  ui::RECT arrow_{};
  std::string defaultText_ = "Automatic";
  std::string customText_ = "More Colours...";
};

}  // namespace tarnlok

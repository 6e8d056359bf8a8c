// ChooseColor: the system colour dialog, asked through the prompter (the desktop shows Qt's
// colour dialog; tests script the answer). Not implemented: hooks and templates.
#pragma once

#include "platform/ui/windows/ui_types.h"

namespace ui {

constexpr DWORD CC_RGBINIT = 0x0001;
constexpr DWORD CC_FULLOPEN = 0x0002;
constexpr DWORD CC_ANYCOLOR = 0x0100;

struct CHOOSECOLORA {
  DWORD lStructSize = sizeof(CHOOSECOLORA);
  HWND hwndOwner = nullptr;
  HWND hInstance = nullptr;
  COLORREF rgbResult = 0;  // with CC_RGBINIT the initial colour; the choice on return
  COLORREF* lpCustColors = nullptr;  // the 16 custom colours
  DWORD Flags = 0;
};

// Answers whether a colour was chosen (then in rgbResult); FALSE when cancelled or the record
// size does not match.
BOOL ChooseColorA(CHOOSECOLORA* choose);

}  // namespace ui

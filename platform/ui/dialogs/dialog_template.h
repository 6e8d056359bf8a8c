// Dialog templates: the parsed form (id, caption, styles, controls with id, kind, text, style
// and rectangle in dialog units) and its text source, which a module keeps among its resources.
//
//   DIALOG 1000 0 0 235 76            id, then x y width height in dialog units
//   STYLE POPUP CAPTION SYSMENU MODALFRAME
//   CAPTION "Format"
//   FONT 8 "MS Sans Serif"
//   CONTROL 1004 STATIC "" 40 7 184 36 LEFT
//   CONTROL -1 STATIC "" 7 47 220 1 ETCHEDHORZ
//   CONTROL 1001 BUTTON "&Retry" 64 54 50 15 DEFPUSHBUTTON TABSTOP
//   CONTROL 1168 CLASS "PIE_CHART_CTRL" "" 10 10 50 50 HIDDEN
//
// Controls are visible unless HIDDEN. Strings take the escapes \" \\ \n \t. A line that starts
// with '#' is a comment; one text may hold several dialogs.
#pragma once

#include "platform/ui/ui_types.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct DialogControl {
  int id = 0;
  std::string className;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  int fontPoints = 0;
  std::string fontFace;
  std::vector<DialogControl> controls;
};

class TemplateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws TemplateError naming the line and what is wrong with it.
std::vector<DialogTemplate> ParseDialogTemplates(std::string_view text);

// Dialog units to pixels with the fixed base units (6 by 13 pixels per character cell), so
// that a template gives the same pixels everywhere.
constexpr int kDialogBaseUnitX = 6;
constexpr int kDialogBaseUnitY = 13;
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

}  // namespace ui

// Toolbar resources: toolbar/<id>.txt in a module's resources, the size of one button image and
// then the buttons in order, each a command or a separator:
//
//   TOOLBAR 16 15
//   BUTTON 1001
//   SEPARATOR
//   BUTTON 1002
//
// Lines that begin with '#' are comments. A button's image is its place among the buttons
// (separators not counted) in the strip of the bitmap resource of the same id.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace ui {

struct ToolbarResource {
  int imageWidth = 0;
  int imageHeight = 0;
  std::vector<UINT> buttons;  // 0 for a separator
  // The image of the command's first button, -1 when it has none.
  int ImageOf(UINT command) const;
};

class ToolbarTemplateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws ToolbarTemplateError naming the line.
ToolbarResource ParseToolbarTemplate(std::string_view text);
// Nothing with the resource error of FindModuleResource, or ERROR_INVALID_DATA when the text
// does not parse.
std::optional<ToolbarResource> LoadToolbarResource(HINSTANCE module, UINT id);

}  // namespace ui

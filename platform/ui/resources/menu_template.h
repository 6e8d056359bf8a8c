// Menu resources: menu/<id>.txt in a module's resources, one item a line, popups closed by END:
//
//   POPUP "&File"
//     MENUITEM "&Open...\tCtrl+O" 1001
//     MENUITEM SEPARATOR
//     MENUITEM "E&xit" 1002 GRAYED
//   END
//
// Items may carry GRAYED, DISABLED and CHECKED; lines that begin with '#' are comments. The
// Win32 binary form (a MENUITEMTEMPLATEHEADER, then per item its flags word, the command word
// of a non-popup and the UTF-16 text, MF_END on each level's last item) is made from it for
// callers that walk templates themselves.
#pragma once

#include "platform/ui/menu.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct MenuTemplateItem {
  UINT flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED
  WORD id = 0;
  std::string text;
  std::vector<MenuTemplateItem> items;  // a popup's items
};

class MenuTemplateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws MenuTemplateError naming the line.
std::vector<MenuTemplateItem> ParseMenuTemplate(std::string_view text);
std::vector<BYTE> MenuTemplateBytes(const std::vector<MenuTemplateItem>& items);

// The binary template of a module's menu resource; nothing with the resource error of
// FindModuleResource, or ERROR_INVALID_DATA when the text does not parse.
std::optional<std::vector<BYTE>> LoadMenuTemplate(HINSTANCE module, UINT id);
// A menu bar (CreateMenu) holding the resource's popups; null as LoadMenuTemplate fails.
HMENU LoadMenuA(HINSTANCE module, UINT id);

}  // namespace ui

#include "platform/ui/dialogs/colour_dialog.h"

#include "platform/ui/dialogs/prompter.h"

namespace ui {

BOOL ChooseColorA(CHOOSECOLORA* choose) {
  if (choose == nullptr || choose->lStructSize != sizeof(CHOOSECOLORA)) return win::FALSE;
  const COLORREF initial = (choose->Flags & CC_RGBINIT) != 0 ? choose->rgbResult : 0;
  const auto chosen = CurrentPrompter().AskColour(ColourRequest{choose->hwndOwner, initial, choose->Flags});
  if (!chosen) return win::FALSE;
  choose->rgbResult = *chosen & 0xFFFFFF;
  return win::TRUE;
}

}  // namespace ui

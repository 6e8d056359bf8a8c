#include "controls/control_colours.h"

#include "platform/ui/windows/messages.h"

namespace tarnlok {

ui::HBRUSH DefaultControlColours(ui::CWnd& dialog, ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  ui::LRESULT result = 0;
  if (control->OnChildNotify(ui::WM_CTLCOLORMSGBOX + kind, reinterpret_cast<ui::WPARAM>(dc->GetSafeHdc()),
                             reinterpret_cast<ui::LPARAM>(control->m_hWnd), &result)) {
    return reinterpret_cast<ui::HBRUSH>(result);
  }
  return reinterpret_cast<ui::HBRUSH>(dialog.Default());
}

}  // namespace tarnlok

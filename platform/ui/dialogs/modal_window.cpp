#include "platform/ui/dialogs/modal_window.h"

#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/dialogs/modal_wait.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"

namespace ui {

HWND ModalOwnerOf(const CWnd& window, const CWnd* parent) {
  HWND owner = parent != nullptr ? parent->m_hWnd : nullptr;
  if (owner == nullptr && AfxGetMainWnd() != nullptr && AfxGetMainWnd() != &window) owner = AfxGetMainWnd()->m_hWnd;
  return owner != nullptr ? TopLevelOf(owner) : nullptr;
}

std::intptr_t RunModalWindow(CWnd& window, HWND owner, const std::function<bool()>& create) {
  std::intptr_t result = -1;
  {
    // The owner gets its input, activation and focus back before the window goes.
    const ModalOwner modalOwner(owner);
    if (create()) {
      const HWND self = window.m_hWnd;
      result = RunModalLoop(self, nullptr, [self](MSG* msg) { return CWnd::WalkPreTranslateTree(self, msg) != 0; });
    }
  }
  if (window.m_hWnd != nullptr) window.DestroyWindow();
  return result;
}

}  // namespace ui

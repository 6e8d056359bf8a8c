#include "platform/ui/dialogs/modal_wait.h"

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/surface.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"

namespace ui {
namespace {

// The window of the owner's tree that has the keyboard focus; null when another window has it.
HWND FocusWithin(HWND owner) {
  const HWND focus = GetFocus();
  return focus != nullptr && TopLevelOf(focus) == owner ? focus : nullptr;
}

}  // namespace

ModalOwner::ModalOwner(HWND owner)
    : owner_(owner), focus_(FocusWithin(owner)), disabled_(owner != nullptr && IsWindowEnabled(owner)) {
  if (disabled_) EnableWindow(owner_, win::FALSE);
}

ModalOwner::~ModalOwner() {
  if (!disabled_ || !IsWindow(owner_)) return;
  EnableWindow(owner_, win::TRUE);
  if (!IsWindowVisible(owner_)) return;
  SetActiveWindow(owner_);
  SurfaceTakeKeyboard(owner_);
  if (FocusWithin(owner_) != nullptr) return;
  SetFocus(IsWindow(focus_) && TopLevelOf(focus_) == owner_ && AcceptsInput(focus_) ? focus_ : owner_);
}

void WaitModally(HWND owner, const std::function<void()>& show, const std::function<bool()>& finished,
                 const std::function<bool(MSG*)>& take) {
  const ModalOwner disabled(owner);
  show();
  while (!finished()) {
    MSG msg;
    if (GetMessage(&msg, nullptr, 0, 0) == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (take && take(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

}  // namespace ui

// The wait of a modal window in the program's own message loop, shared by dialogs and message
// boxes: the owner is disabled while it waits and every message of the program keeps flowing, so
// the windows the wait does not disable (the machine's panel among them) still answer.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <functional>

namespace ui {

// The owner of a modal window for the modal window's lifetime: disabled from construction (when
// it is given and enabled), and when the guard goes, also when an exception (an intercepted
// process exit) ends the wait, enabled again and given back the activation and the keyboard
// focus it had, as Windows gives them back to the owner when a modal dialog ends: the control
// that had the focus takes it again, or, when it can no longer take input, the owner chooses
// (a dialog its saved or first control). An owner that was disabled before is left as it is.
class ModalOwner {
 public:
  explicit ModalOwner(HWND owner);
  ~ModalOwner();
  ModalOwner(const ModalOwner&) = delete;
  ModalOwner& operator=(const ModalOwner&) = delete;

  HWND Window() const { return owner_; }

 private:
  HWND owner_;
  HWND focus_ = nullptr;
  bool disabled_ = false;
};

// Disables the owner (when it is given and enabled), runs show, then takes the program's
// messages until finished() answers true: each goes to take first (when given) and is translated
// and dispatched when take does not take it. The owner gets back what ModalOwner gives back before
// the wait returns. A WM_QUIT ends the wait early and is posted again for the loop outside.
void WaitModally(HWND owner, const std::function<void()>& show, const std::function<bool()>& finished,
                 const std::function<bool(MSG*)>& take = {});

}  // namespace ui

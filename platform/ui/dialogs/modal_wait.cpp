#include "platform/ui/dialogs/modal_wait.h"

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/window_api.h"

namespace ui {
namespace {

// Enables the owner again also when an exception (an intercepted process exit) leaves the wait.
class DisabledOwner {
 public:
  explicit DisabledOwner(HWND owner) : owner_(owner), disabled_(owner != nullptr && IsWindowEnabled(owner)) {
    if (disabled_) EnableWindow(owner_, win::FALSE);
  }
  ~DisabledOwner() {
    if (disabled_ && IsWindow(owner_)) EnableWindow(owner_, win::TRUE);
  }
  DisabledOwner(const DisabledOwner&) = delete;
  DisabledOwner& operator=(const DisabledOwner&) = delete;

 private:
  HWND owner_;
  bool disabled_;
};

}  // namespace

void WaitModally(HWND owner, const std::function<void()>& show, const std::function<bool()>& finished,
                 const std::function<bool(MSG*)>& take) {
  const DisabledOwner disabled(owner);
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

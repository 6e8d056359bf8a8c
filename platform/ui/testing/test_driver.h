// Drives the framework headless for tests: hooks when a modal dialog or sheet starts (by
// template id), input on controls by id (posted as the desktop would post it), triggers after
// N pumps or N counted events (machine commands), actions for when a loop would wait, a test
// clock (the system's manual clock, win::ManualClock), and an intercepted process exit. Nothing ever waits on a window: when a
// loop would wait and nothing is scripted, the driver reports it and ends the innermost
// modal dialog with IDABORT.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <cstdint>
#include <memory>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace win {
class ManualClock;
}

namespace ui {

// Thrown by ui::ExitProcess while a driver is installed.
struct ProcessExit {
  UINT code = 0;
};

class TestDriver {
 public:
  using FailureHandler = std::function<void(const std::string&)>;
  using Action = std::function<void()>;

  // Installs itself for its lifetime; the failure handler receives what went wrong (the
  // default aborts the process).
  explicit TestDriver(FailureHandler onFailure = {});
  ~TestDriver();
  TestDriver(const TestDriver&) = delete;
  TestDriver& operator=(const TestDriver&) = delete;

  static TestDriver* Current();

  // Runs the action (with the dialog) the next time a modal dialog or sheet of that template
  // starts its loop; several actions for one id run at successive starts.
  TestDriver& OnDialog(int templateId, std::function<void(HWND)> action);
  // Chooses in the next popup menu that opens: answers the command, 0 to dismiss it.
  TestDriver& OnMenu(std::function<UINT(HMENU menu, HWND owner)> choose);
  // Runs when a loop would otherwise wait, one action per wait, in order. With none left, the
  // clock moves on to the next timer.
  TestDriver& WhenIdle(Action action);
  // Runs once the message pumps (PeekMessage and GetMessage calls) have reached n from now.
  TestDriver& AfterPumps(int n, Action action);
  // Runs once Count(counter) has been called n times from now.
  TestDriver& AfterCount(std::string counter, int n, Action action);
  static void Count(std::string_view counter);

  // Input, posted to the queue. Each answers whether the input reached the control (it is
  // missing, hidden, or it or an ancestor disabled otherwise).
  bool Click(HWND dialog, int id);
  bool SetCheck(HWND dialog, int id, bool checked);
  bool Type(HWND dialog, int id, std::string_view text);
  // Clicks (or double-clicks) a row of a list view.
  bool Select(HWND dialog, int id, int row, bool doubleClick = false);
  // A mouse message at a point of the window's client area, routed as the desktop routes it
  // (to the capture, else to the window under the point).
  bool Mouse(HWND window, UINT message, POINT client, WPARAM keys = 0);
  bool PressKey(UINT virtualKey);
  bool Escape() { return PressKey(0x1B); }
  bool Enter() { return PressKey(0x0D); }

  // Milliseconds on the system's manual clock since the driver started.
  std::uint64_t Now() const;
  void Advance(std::uint64_t ms);
  int Pumps() const { return pumps_; }
  // Template ids of the modal dialogs started so far, in order.
  const std::vector<int>& Started() const { return started_; }

 private:
  struct Trigger {
    std::string counter;  // empty: pumps
    long long at = 0;
    Action action;
  };
  static void ModalStarted(HWND dialog, int templateId, void* context);
  bool Idle();
  void Pumped();
  void Fire(const std::string& counter, long long value);
  void Fail(const std::string& what);

  FailureHandler onFailure_;
  std::map<int, std::deque<std::function<void(HWND)>>> onDialog_;
  std::deque<Action> idle_;
  std::deque<std::function<UINT(HMENU, HWND)>> menus_;
  std::vector<Trigger> triggers_;
  std::map<std::string, long long, std::less<>> counts_;
  std::vector<int> started_;
  std::shared_ptr<win::ManualClock> clock_;
  std::uint64_t start_ = 0;
  int pumps_ = 0;
  int idleTimerSteps_ = 0;
};

}  // namespace ui

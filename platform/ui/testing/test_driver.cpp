#include "platform/ui/testing/test_driver.h"

#include "platform/ui/controls/control_input.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/menu.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/process_exit.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/system/manual_clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace ui {
namespace {

constexpr int kIdleTimerStepLimit = 10000;

TestDriver*& Installed() {
  static TestDriver* installed = nullptr;
  return installed;
}

}  // namespace

TestDriver::TestDriver(FailureHandler onFailure)
    : onFailure_(std::move(onFailure)), clock_(win::ManualClock::Install()), start_(clock_->TickMilliseconds()) {
  Installed() = this;
  SetIdleHandler([this] { return Idle(); });
  SetPumpObserver([this] { Pumped(); });
  SetModalStartHook(&TestDriver::ModalStarted, this);
  SetExitHook([](UINT code) { throw ProcessExit{code}; });
  SetMenuChooser([this](HMENU menu, HWND owner) -> UINT {
    if (menus_.empty()) {
      Fail("a popup menu opened and nothing is scripted");
      return 0;
    }
    auto choose = std::move(menus_.front());
    menus_.pop_front();
    return choose(menu, owner);
  });
}

TestDriver::~TestDriver() {
  SetModalStartHook(nullptr, nullptr);
  SetMenuChooser(nullptr);
  SetExitHook(nullptr);
  SetPumpObserver(nullptr);
  SetIdleHandler(nullptr);
  win::SetClock(nullptr);
  Installed() = nullptr;
}

std::uint64_t TestDriver::Now() const { return clock_->TickMilliseconds() - start_; }

void TestDriver::Advance(std::uint64_t ms) { clock_->Advance(ms); }

TestDriver* TestDriver::Current() { return Installed(); }

TestDriver& TestDriver::OnDialog(int templateId, std::function<void(HWND)> action) {
  onDialog_[templateId].push_back(std::move(action));
  return *this;
}

TestDriver& TestDriver::OnMenu(std::function<UINT(HMENU, HWND)> choose) {
  menus_.push_back(std::move(choose));
  return *this;
}

TestDriver& TestDriver::WhenIdle(Action action) {
  idle_.push_back(std::move(action));
  return *this;
}

TestDriver& TestDriver::AfterPumps(int n, Action action) {
  triggers_.push_back(Trigger{{}, pumps_ + n, std::move(action)});
  return *this;
}

TestDriver& TestDriver::AfterCount(std::string counter, int n, Action action) {
  const long long at = counts_[counter] + n;
  triggers_.push_back(Trigger{std::move(counter), at, std::move(action)});
  return *this;
}

void TestDriver::Count(std::string_view counter) {
  TestDriver* driver = Installed();
  if (driver == nullptr) return;
  auto found = driver->counts_.find(counter);
  if (found == driver->counts_.end()) found = driver->counts_.emplace(std::string(counter), 0).first;
  driver->Fire(found->first, ++found->second);
}

void TestDriver::Fire(const std::string& counter, long long value) {
  for (std::size_t i = 0; i < triggers_.size(); ++i) {
    if (triggers_[i].counter != counter || triggers_[i].at > value) continue;
    Action action = std::move(triggers_[i].action);
    triggers_.erase(triggers_.begin() + static_cast<std::ptrdiff_t>(i));
    action();
    return;
  }
}

void TestDriver::Pumped() {
  ++pumps_;
  Fire({}, pumps_);
}

void TestDriver::ModalStarted(HWND dialog, int templateId, void* context) {
  auto& driver = *static_cast<TestDriver*>(context);
  driver.started_.push_back(templateId);
  auto found = driver.onDialog_.find(templateId);
  if (found == driver.onDialog_.end() || found->second.empty()) return;
  auto action = std::move(found->second.front());
  found->second.pop_front();
  action(dialog);
}

bool TestDriver::Idle() {
  if (!idle_.empty()) {
    Action action = std::move(idle_.front());
    idle_.pop_front();
    action();
    idleTimerSteps_ = 0;
    return true;
  }
  // Time moves on to the next timer, as long as something else happens now and then.
  if (const auto due = NextTimerDue(); due && ++idleTimerSteps_ <= kIdleTimerStepLimit) {
    const std::uint64_t now = clock_->TickMilliseconds();
    if (*due > now) clock_->Advance(*due - now);
    return true;
  }
  const HWND modal = CurrentModalDialog();
  Fail(modal != nullptr
           ? "dialog " + std::to_string(DialogTemplateId(modal)) + " waits for input and nothing is scripted"
           : std::string("a message loop waits for input and nothing is scripted"));
  if (modal != nullptr) {
    EndDialog(modal, IDABORT);
  } else {
    PostQuitMessage(-1);
  }
  return true;
}

void TestDriver::Fail(const std::string& what) {
  if (onFailure_) {
    onFailure_(what);
    return;
  }
  std::fprintf(stderr, "test driver: %s\n", what.c_str());
  std::abort();
}

bool TestDriver::Click(HWND dialog, int id) { return ClickControl(GetDlgItem(dialog, id)); }

bool TestDriver::Select(HWND dialog, int id, int row, bool doubleClick) {
  return ClickListRow(GetDlgItem(dialog, id), row, doubleClick);
}

bool TestDriver::SetCheck(HWND dialog, int id, bool checked) {
  const HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return false;
  if ((SendMessage(control, BM_GETCHECK, 0, 0) == BST_CHECKED) == checked) return AcceptsInput(control);
  return ClickControl(control);
}

bool TestDriver::Type(HWND dialog, int id, std::string_view text) {
  return TypeIntoControl(GetDlgItem(dialog, id), text);
}

bool TestDriver::Mouse(HWND window, UINT message, POINT client, WPARAM keys) {
  const HWND top = TopLevelOf(window);
  if (top == nullptr) return false;
  POINT point = client;
  ClientToScreen(window, &point);
  ScreenToClient(top, &point);
  return RouteMouse(top, message, point, keys) != nullptr;
}

bool TestDriver::PressKey(UINT virtualKey) {
  const HWND target = RouteKey(WM_KEYDOWN, virtualKey);
  if (target == nullptr) return false;
  RouteKey(WM_KEYUP, virtualKey);
  return true;
}

}  // namespace ui

#include "platform/ui/windows/message_queue.h"

#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/surface.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <array>
#include <deque>
#include <optional>
#include <vector>

namespace ui {
namespace {

struct Timer {
  HWND hwnd = nullptr;
  std::uintptr_t id = 0;
  UINT elapse = 0;
  std::uint64_t due = 0;
  TIMERPROC proc = nullptr;
};

struct Queue {
  std::deque<MSG> posted;
  std::vector<Timer> timers;
  std::optional<int> quitCode;
  IdleHandler idle;
  PumpObserver pump;
  EmptyPeekObserver emptyPeek;
  MessageObserver observer;
  std::array<bool, 256> keysDown{};
  std::uintptr_t nextTimerId = 1;
  std::vector<HWND> served;
  bool serving = false;
};

Queue& TheQueue() {
  static Queue queue;
  return queue;
}

const HWND kThreadOnly = HandleOf<HWND>(~std::uintptr_t{0});

bool InRange(UINT message, UINT low, UINT high) {
  return (low == 0 && high == 0) || (message >= low && message <= high);
}

bool MatchesWindow(HWND target, HWND filter) {
  if (filter == nullptr) return true;
  if (filter == kThreadOnly) return target == nullptr;
  return target == filter || IsDescendantOf(target, filter);
}

void NoteKeys(const MSG& msg) {
  const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
  if (down || up) TheQueue().keysDown[msg.wParam & 0xFF] = down;
}

std::optional<MSG> TakePosted(HWND filter, UINT low, UINT high, bool remove) {
  auto& posted = TheQueue().posted;
  for (auto it = posted.begin(); it != posted.end(); ++it) {
    if (!MatchesWindow(it->hwnd, filter) || !InRange(it->message, low, high)) continue;
    MSG msg = *it;
    if (remove) posted.erase(it);
    return msg;
  }
  return std::nullopt;
}

std::optional<MSG> PaintMessage(HWND filter, UINT low, UINT high) {
  if (!InRange(WM_PAINT, low, high) || filter == kThreadOnly) return std::nullopt;
  for (HWND hwnd : WindowsInTreeOrder()) {
    const WindowRecord* record = FindWindowRecord(hwnd);
    if (record->invalid && IsWindowVisible(hwnd) && MatchesWindow(hwnd, filter)) {
      MSG msg;
      msg.hwnd = hwnd;
      msg.message = WM_PAINT;
      return msg;
    }
  }
  return std::nullopt;
}

std::optional<MSG> TimerMessage(HWND filter, UINT low, UINT high, bool remove) {
  if (!InRange(WM_TIMER, low, high)) return std::nullopt;
  auto& queue = TheQueue();
  const std::uint64_t now = TimerClockNow();
  for (auto& timer : queue.timers) {
    if (timer.due > now || !MatchesWindow(timer.hwnd, filter)) continue;
    MSG msg;
    msg.hwnd = timer.hwnd;
    msg.message = WM_TIMER;
    msg.wParam = timer.id;
    msg.lParam = reinterpret_cast<LPARAM>(timer.proc);
    if (remove) timer.due = now + timer.elapse;
    return msg;
  }
  return std::nullopt;
}

std::optional<MSG> NextMessage(HWND filter, UINT low, UINT high, bool remove) {
  if (auto msg = TakePosted(filter, low, high, remove)) return msg;
  auto& queue = TheQueue();
  if (queue.quitCode && (filter == nullptr || filter == kThreadOnly)) {
    MSG msg;
    msg.message = WM_QUIT;
    msg.wParam = static_cast<WPARAM>(*queue.quitCode);
    if (remove) queue.quitCode.reset();
    return msg;
  }
  if (auto msg = PaintMessage(filter, low, high)) return msg;
  return TimerMessage(filter, low, high, remove);
}

void WaitForWork() {
  auto& queue = TheQueue();
  if (queue.idle) {
    queue.idle();
    return;
  }
  const auto due = NextTimerDue();
  const std::uint64_t now = TimerClockNow();
  WaitDesktopEvents(due ? static_cast<int>(std::min<std::uint64_t>(*due - std::min(*due, now), 1000)) : -1);
}

// The served windows' messages that the filter would leave waiting are dispatched now.
void ServeWindowsOutsideFilter(HWND filter) {
  auto& queue = TheQueue();
  if (queue.serving || filter == nullptr) return;
  queue.serving = true;
  // By place, not by iterator: a handler may serve new windows, which grows the list; a window
  // destroyed meanwhile leaves a null in its place until the serve ends.
  for (std::size_t at = 0; at < queue.served.size(); ++at) {
    const HWND window = queue.served[at];
    if (window == nullptr || MatchesWindow(window, filter)) continue;
    while (queue.served[at] == window && FindWindowRecord(window) != nullptr) {
      const auto next = NextMessage(window, 0, 0, true);
      if (!next) break;
      NoteKeys(*next);
      TranslateMessage(&*next);
      DispatchMessage(&*next);
    }
  }
  std::erase(queue.served, nullptr);
  queue.serving = false;
}

bool FilterIsValid(HWND filter) {
  return filter == nullptr || filter == kThreadOnly || FindWindowRecord(filter) != nullptr;
}

}  // namespace

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) {
    win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (TheQueue().observer) TheQueue().observer(hwnd, message, wParam, lParam);
  const WNDPROC proc = record->proc;
  return proc != nullptr ? proc(hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd != nullptr && FindWindowRecord(hwnd) == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = static_cast<DWORD>(TimerClockNow());
  TheQueue().posted.push_back(msg);
  return win::TRUE;
}

void PostQuitMessage(int exitCode) { TheQueue().quitCode = exitCode; }

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
  if (TheQueue().pump) TheQueue().pump();
  if (!FilterIsValid(hwnd)) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  PollDesktopEvents();
  ServeWindowsOutsideFilter(hwnd);
  const bool removing = (remove & PM_REMOVE) != 0;
  auto next = NextMessage(hwnd, filterMin, filterMax, removing);
  if (!next) {
    if (TheQueue().emptyPeek && TheQueue().posted.empty()) TheQueue().emptyPeek();
    return win::FALSE;
  }
  if (removing) NoteKeys(*next);
  *msg = *next;
  return win::TRUE;
}

int GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (TheQueue().pump) TheQueue().pump();
  if (!FilterIsValid(hwnd)) {
    win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  for (;;) {
    PollDesktopEvents();
    ServeWindowsOutsideFilter(hwnd);
    if (auto next = NextMessage(hwnd, filterMin, filterMax, true)) {
      NoteKeys(*next);
      *msg = *next;
      return msg->message == WM_QUIT ? 0 : 1;
    }
    WaitForWork();
  }
}

LRESULT DispatchMessage(const MSG* msg) {
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(TimerClockNow()));
    return 0;
  }
  if (msg->hwnd == nullptr) return 0;
  return SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc) {
  if (hwnd != nullptr && FindWindowRecord(hwnd) == nullptr) {
    win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto& queue = TheQueue();
  if (hwnd == nullptr) id = queue.nextTimerId++;
  const std::uint64_t due = TimerClockNow() + elapseMs;
  for (auto& timer : queue.timers) {
    if (timer.hwnd == hwnd && timer.id == id) {
      timer = Timer{hwnd, id, elapseMs, due, proc};
      return id;
    }
  }
  queue.timers.push_back(Timer{hwnd, id, elapseMs, due, proc});
  return hwnd == nullptr ? id : (id == 0 ? 1 : id);
}

BOOL KillTimer(HWND hwnd, std::uintptr_t id) {
  auto& timers = TheQueue().timers;
  const auto removed = std::erase_if(timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  // Pending WM_TIMER messages are synthesised, so nothing of a killed timer can arrive later.
  return removed > 0 ? win::TRUE : win::FALSE;
}

short GetKeyState(int virtualKey) {
  return TheQueue().keysDown[static_cast<std::size_t>(virtualKey) & 0xFF] ? static_cast<short>(0x8000) : 0;
}

std::uint64_t TimerClockNow() { return win::CurrentClock()->TickMilliseconds(); }

std::optional<std::uint64_t> NextTimerDue() {
  std::optional<std::uint64_t> due;
  for (const auto& timer : TheQueue().timers) due = std::min(due.value_or(timer.due), timer.due);
  return due;
}

void SetIdleHandler(IdleHandler handler) { TheQueue().idle = std::move(handler); }
void SetPumpObserver(PumpObserver observer) { TheQueue().pump = std::move(observer); }
void SetEmptyPeekObserver(EmptyPeekObserver observer) { TheQueue().emptyPeek = std::move(observer); }
void SetMessageObserver(MessageObserver observer) { TheQueue().observer = std::move(observer); }

void ServeAtEveryPump(HWND topLevel) {
  auto& served = TheQueue().served;
  if (std::find(served.begin(), served.end(), topLevel) == served.end()) served.push_back(topLevel);
}

void ForgetWindowMessages(HWND hwnd) {
  auto& queue = TheQueue();
  if (queue.serving) {
    std::replace(queue.served.begin(), queue.served.end(), hwnd, HWND{nullptr});
  } else {
    std::erase(queue.served, hwnd);
  }
  std::erase_if(queue.posted, [&](const MSG& m) { return m.hwnd == hwnd; });
  std::erase_if(queue.timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

}  // namespace ui

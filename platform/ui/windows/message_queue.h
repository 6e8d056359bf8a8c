// The one message queue of the process: sent and posted messages, WM_PAINT and WM_TIMER
// synthesised when nothing else waits, and timers on an injectable clock.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace ui {

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// hwnd null: any message of the thread; a window: that window and its descendants;
// the value -1: only messages posted with no window.
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove);
// 0 for WM_QUIT, -1 for an invalid window, otherwise non-zero. Never returns with nothing:
// when the queue is empty it waits for input, or asks the idle handler (tests).
int GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);

std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, std::uintptr_t id);

// Key state as the messages retrieved so far left it: the high bit set while the key is down.
short GetKeyState(int virtualKey);

// The tick count timers run on: the system clock's (win::SetClock injects another).
std::uint64_t TimerClockNow();

// Called when GetMessage finds nothing to do; answers whether it made progress (posted
// input, advanced the clock). Without one, GetMessage waits for desktop input.
using IdleHandler = std::function<bool()>;
void SetIdleHandler(IdleHandler handler);
// Called once per PeekMessage or GetMessage call, before it looks at the queue.
using PumpObserver = std::function<void()>;
void SetPumpObserver(PumpObserver observer);
// Called when PeekMessage finds nothing and no message waits for any window: a loop that
// polls (a running operation's pump) has nothing to do for the moment.
using EmptyPeekObserver = std::function<void()>;
void SetEmptyPeekObserver(EmptyPeekObserver observer);
// Sees every message that reaches a window procedure, sent or dispatched.
using MessageObserver = std::function<void(HWND, UINT, WPARAM, LPARAM)>;
void SetMessageObserver(MessageObserver observer);

// When the earliest timer falls due, if there is one.
std::optional<std::uint64_t> NextTimerDue();

// A top-level window that answers whatever loop runs, as a window of another thread would: every
// PeekMessage and GetMessage first dispatches the messages waiting for it and its descendants,
// also when its filter names another window (a run's pump of its own sheet). Forgotten when the
// window is destroyed.
void ServeAtEveryPump(HWND topLevel);

// Drops every posted message and timer of a window that is being destroyed.
void ForgetWindowMessages(HWND hwnd);

}  // namespace ui

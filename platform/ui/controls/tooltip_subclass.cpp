#include "platform/ui/tooltip_subclass.h"

#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "platform/ui/styles.h"
#include "platform/ui/tooltip.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_class.h"

#include <algorithm>
#include <map>
#include <vector>

namespace ui {
namespace {

struct Watched {
  WNDPROC original = nullptr;
  std::vector<HWND> tips;
};

std::map<HWND, Watched>& TheWatched() {
  static std::map<HWND, Watched> watched;
  return watched;
}

LRESULT RelayingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& watched = TheWatched();
  const auto found = watched.find(hwnd);
  if (found == watched.end()) return DefWindowProcA(hwnd, message, wParam, lParam);
  const WNDPROC original = found->second.original;
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
    MSG msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    // A copy: the tooltip may stop watching while it handles the message.
    for (HWND tip : std::vector<HWND>(found->second.tips)) {
      if (IsWindow(tip)) SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    }
  }
  if (message == WM_NCDESTROY) watched.erase(hwnd);
  return original(hwnd, message, wParam, lParam);
}

}  // namespace

void WatchToolWindow(HWND tool, HWND tip) {
  if (!IsWindow(tool)) return;
  auto& watched = TheWatched();
  auto found = watched.find(tool);
  if (found == watched.end()) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(tool, GWLP_WNDPROC));
    found = watched.emplace(tool, Watched{original, {}}).first;
    SetWindowLongPtrA(tool, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&RelayingProc));
  }
  auto& tips = found->second.tips;
  if (std::find(tips.begin(), tips.end(), tip) == tips.end()) tips.push_back(tip);
}

void UnwatchToolWindow(HWND tool, HWND tip) {
  auto& watched = TheWatched();
  const auto found = watched.find(tool);
  if (found == watched.end()) return;
  std::erase(found->second.tips, tip);
  if (!found->second.tips.empty()) return;
  // A procedure set over ours later keeps its place; ours then passes messages straight on.
  if (GetWindowLongPtrA(tool, GWLP_WNDPROC) == reinterpret_cast<std::intptr_t>(&RelayingProc)) {
    SetWindowLongPtrA(tool, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(found->second.original));
    watched.erase(found);
  }
}

}  // namespace ui

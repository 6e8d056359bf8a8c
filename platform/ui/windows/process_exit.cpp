#include "platform/ui/windows/process_exit.h"

#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"

#include <algorithm>
#include <cstdlib>

namespace ui {
namespace {

ExitHook& Hook() {
  static ExitHook hook = nullptr;
  return hook;
}

}  // namespace

void ExitProcess(UINT code) {
  if (Hook() != nullptr) Hook()(code);
  DestroyAllWindows();
  std::exit(static_cast<int>(code));
}

void SetExitHook(ExitHook hook) { Hook() = hook; }

void DestroyAllWindows() {
  std::vector<HWND> topLevels;
  for (HWND hwnd : WindowsInTreeOrder()) {
    const WindowRecord* record = FindWindowRecord(hwnd);
    if (record != nullptr && record->parent == nullptr) topLevels.push_back(hwnd);
  }
  std::reverse(topLevels.begin(), topLevels.end());
  // Destroying a window destroys the windows it owns, so some handles are gone on their turn.
  for (HWND hwnd : topLevels) {
    if (FindWindowRecord(hwnd) != nullptr) DestroyWindow(hwnd);
  }
}

}  // namespace ui

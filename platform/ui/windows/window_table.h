// The platform's one window table: each window's true state with Win32 semantics. The table
// is internal to the framework; the system reaches it through the functions of window_api.h.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class Surface;
class CWnd;
struct SurfaceDeleter {
  void operator()(Surface* surface) const;
};

// State a control class keeps beside the common record (check state, range, items...).
class ControlState {
 public:
  virtual ~ControlState() = default;
};

struct WindowRecord {
  WindowRecord();
  ~WindowRecord();
  WindowRecord(const WindowRecord&) = delete;
  WindowRecord& operator=(const WindowRecord&) = delete;

  HWND handle = nullptr;
  std::string className;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  HWND parent = nullptr;  // the parent of a child window
  HWND owner = nullptr;  // the owner of a top-level window
  RECT rect;  // parent client coordinates for children, screen for top-levels
  WNDPROC proc = nullptr;
  std::uintptr_t userData = 0;
  CWnd* object = nullptr;  // the framework object bound to the window, if any
  std::vector<HWND> children;
  void* font = nullptr;  // HFONT
  void* icons[2] = {};  // HICON small and big (WM_SETICON)
  bool invalid = false;  // the update region below is not empty
  std::vector<RECT> update;  // the update region as disjoint rectangles in client coordinates
  bool eraseNeeded = false;
  bool destroying = false;
  bool trackLeave = false;
  std::unique_ptr<ControlState> control;
  std::unique_ptr<Surface, SurfaceDeleter> surface;  // top-level windows only
};

// The record of a live window, or null (the handle was never given out or is destroyed).
WindowRecord* FindWindowRecord(HWND hwnd);

// A new record with a fresh handle; handles are never reused, so a stale one stays invalid.
WindowRecord& AddWindowRecord();
void RemoveWindowRecord(HWND hwnd);

// Every live window in creation order of the tree: each parent before its children.
std::vector<HWND> WindowsInTreeOrder();
// The window and its descendants, parent before children.
std::vector<HWND> WindowAndDescendants(HWND hwnd);
// The top-level window that holds hwnd (hwnd itself for a top-level window).
HWND TopLevelOf(HWND hwnd);
bool IsDescendantOf(HWND hwnd, HWND ancestor);

// The control state of a window as the class's own type, created on first use.
template <typename State>
State& ControlStateOf(WindowRecord& record) {
  if (!record.control) record.control = std::make_unique<State>();
  return static_cast<State&>(*record.control);
}

}  // namespace ui

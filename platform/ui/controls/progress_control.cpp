// The "msctls_progress32" class: range (16-bit and 32-bit), position, step and stepping with
// the documented wrap past the upper end, painted as a smooth bar in the highlight colour.
// Not implemented: the segmented (non-smooth) look, PBS_MARQUEE, PBM_SETBKCOLOR.
#include "platform/ui/controls/control_procs.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

#include <utility>

namespace ui {
namespace {

constexpr COLORREF CLR_DEFAULT = 0xFF000000;

struct ProgressState final : ControlState {
  int low = 0;
  int high = 100;
  int position = 0;
  int step = 10;
  COLORREF bar = CLR_DEFAULT;
};

int Clamp(const ProgressState& state, long long value) {
  const int low = std::min(state.low, state.high);
  const int high = std::max(state.low, state.high);
  return static_cast<int>(std::clamp<long long>(value, low, high));
}

// How far along a length of pixels the bar reaches at the position.
long long BarLength(const ProgressState& state, int position, long long length) {
  const long long span = static_cast<long long>(state.high) - state.low;
  return (static_cast<long long>(position) - state.low) * length / span;
}

// Whether moving from one position to the other changes a pixel of the bar. A run that steps
// once per sector over a wide range moves it far more often than it grows; repainting each
// step would cost more than the run. The length inside the edge is the control's own bar, the
// whole client length the bar of a subclass that paints edge to edge.
bool BarMoves(HWND hwnd, const WindowRecord& record, const ProgressState& state, int from, int to) {
  if (state.high <= state.low) return from != to;
  RECT client;
  GetClientRect(hwnd, &client);
  const long long length = (record.style & PBS_VERTICAL) != 0 ? client.Height() : client.Width();
  for (const long long each : {length, length - 2}) {
    if (BarLength(state, from, each) != BarLength(state, to, each)) return true;
  }
  return false;
}

LRESULT MoveTo(HWND hwnd, const WindowRecord& record, ProgressState& state, int position) {
  const int old = std::exchange(state.position, position);
  if (BarMoves(hwnd, record, state, old, position)) InvalidateRect(hwnd, nullptr, win::FALSE);
  return old;
}

LRESULT SetRange(HWND hwnd, ProgressState& state, int low, int high) {
  const LRESULT old = MAKELPARAM(static_cast<WORD>(state.low), static_cast<WORD>(state.high));
  state.low = low;
  state.high = high;
  state.position = Clamp(state, state.position);
  InvalidateRect(hwnd, nullptr, win::FALSE);
  return old;
}

// Past the upper end the position starts over from the lower end.
int Stepped(const ProgressState& state) {
  const long long next = static_cast<long long>(state.position) + state.step;
  const long long span = static_cast<long long>(state.high) - state.low;
  if (span <= 0) return state.low;
  if (next > state.high) return static_cast<int>((next - state.low) % span + state.low);
  if (next < state.low) return static_cast<int>(state.high - (state.low - next) % span);
  return static_cast<int>(next);
}

void Paint(HWND hwnd, const WindowRecord& record, const ProgressState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RECT inner = client;
  DrawEdge(dc, &inner, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  if (state.high > state.low) {
    RECT bar = inner;
    if ((record.style & PBS_VERTICAL) != 0) {
      bar.top = bar.bottom - static_cast<LONG>(BarLength(state, state.position, inner.Height()));
    } else {
      bar.right = bar.left + static_cast<LONG>(BarLength(state, state.position, inner.Width()));
    }
    const HBRUSH brush = CreateSolidBrush(state.bar == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : state.bar);
    FillRect(dc, &bar, brush);
    DeleteObject(brush);
  }
  EndPaint(hwnd, &paint);
}

}  // namespace

LRESULT ProgressWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  auto& state = ControlStateOf<ProgressState>(*record);
  switch (message) {
    case PBM_SETRANGE:
      return SetRange(hwnd, state, LOWORD(static_cast<std::uintptr_t>(lParam)),
                      HIWORD(static_cast<std::uintptr_t>(lParam)));
    case PBM_SETRANGE32: return SetRange(hwnd, state, static_cast<int>(wParam), static_cast<int>(lParam));
    case PBM_GETRANGE:
      if (lParam != 0) *reinterpret_cast<PBRANGE*>(lParam) = PBRANGE{state.low, state.high};
      return wParam != 0 ? state.low : state.high;
    case PBM_SETPOS: return MoveTo(hwnd, *record, state, Clamp(state, static_cast<int>(wParam)));
    case PBM_DELTAPOS:
      return MoveTo(hwnd, *record, state,
                    Clamp(state, static_cast<long long>(state.position) + static_cast<int>(wParam)));
    case PBM_SETSTEP: return std::exchange(state.step, static_cast<int>(wParam));
    case PBM_STEPIT: return MoveTo(hwnd, *record, state, Stepped(state));
    case PBM_GETPOS: return state.position;
    case PBM_SETBARCOLOR: {
      const COLORREF old = std::exchange(state.bar, static_cast<COLORREF>(lParam));
      InvalidateRect(hwnd, nullptr, win::FALSE);
      return old;
    }
    case WM_PAINT: Paint(hwnd, *record, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, win::FALSE); return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace ui

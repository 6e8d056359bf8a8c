#include "platform/ui/windows/default_position.h"

#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"

namespace ui {
namespace {

int& CascadeIndex() {
  static int index = 0;
  return index;
}

POINT NextCascadePlace(const RECT& work, int width) {
  const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYDLGFRAME);
  int offset = step * (CascadeIndex() + 1);
  const bool pastWorkArea = work.top + offset + step > work.bottom || work.left + offset + width > work.right;
  if (CascadeIndex() > 0 && pastWorkArea) {
    CascadeIndex() = 0;
    offset = step;
  }
  ++CascadeIndex();
  return POINT{work.left + offset, work.top + offset};
}

}  // namespace

RECT DefaultPlacement(DWORD style, int x, int y, int width, int height) {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const bool overlapped = (style & (WS_POPUP | WS_CHILD)) == 0;
  // Windows reads the height only with a given width, and y only with a given x.
  if (width == CW_USEDEFAULT) {
    width = overlapped ? work.Width() * 3 / 4 : 0;
    height = overlapped ? work.Height() * 3 / 4 : 0;
  }
  if (x == CW_USEDEFAULT) {
    if (overlapped) {
      const POINT place = NextCascadePlace(work, width);
      x = place.x;
      y = place.y;
    } else {
      x = 0;
      y = 0;
    }
  }
  return RECT{x, y, x + width, y + height};
}

}  // namespace ui

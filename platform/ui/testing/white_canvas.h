// A memory DC over a white 32-bit colour bitmap, for tests that draw and read the pixels back.
#pragma once

#include "platform/ui/gdi/cdc.h"

#include <algorithm>
#include <string>

namespace ui::test_support {

class WhiteCanvas {
 public:
  WhiteCanvas(int width, int height) : width_(width), height_(height) {
    dc.CreateCompatibleDC(nullptr);
    bitmap_.CreateBitmap(width, height, 1, 32, nullptr);
    old_ = dc.SelectObject(&bitmap_);
    dc.FillSolidRect(0, 0, width, height, kPaper);
  }
  ~WhiteCanvas() { dc.SelectObject(old_); }
  WhiteCanvas(const WhiteCanvas&) = delete;
  WhiteCanvas& operator=(const WhiteCanvas&) = delete;

  // The pixels of row y from `from` up to `to` (the right edge when negative) as characters:
  // '.' white, '#' the ink given, '?' anything else.
  std::string Row(int y, COLORREF ink = RGB(0, 0, 0), int from = 0, int to = -1) const {
    std::string row;
    for (int x = from; x < (to < 0 ? width_ : to); ++x) row += Symbol(dc.GetPixel(x, y), ink);
    return row;
  }
  std::string Column(int x, COLORREF ink = RGB(0, 0, 0), int from = 0, int to = -1) const {
    std::string column;
    for (int y = from; y < (to < 0 ? height_ : to); ++y) column += Symbol(dc.GetPixel(x, y), ink);
    return column;
  }

  // The smallest rectangle holding every pixel not of the background; {width, height, -1, -1}
  // when there is none.
  RECT InkBox(COLORREF background = kPaper) const {
    RECT box{width_, height_, -1, -1};
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (dc.GetPixel(x, y) == background) continue;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
    }
    return box;
  }

  CDC dc;

 private:
  static constexpr COLORREF kPaper = RGB(255, 255, 255);

  static char Symbol(COLORREF pixel, COLORREF ink) {
    if (pixel == kPaper) return '.';
    return pixel == ink ? '#' : '?';
  }

  CBitmap bitmap_;
  CBitmap* old_ = nullptr;
  int width_;
  int height_;
};

}  // namespace ui::test_support

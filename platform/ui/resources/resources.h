// Images and accelerator tables from a module's resources (a null module is the program):
// bitmaps and icons are PNG files, accelerator tables text files of one entry a line:
//
//   "C" 1053                    the typed character C gives command 1053
//   "C" 1053 VIRTKEY CONTROL    the key C with Ctrl held
//   0x70 57670 VIRTKEY          a virtual-key code (F1)
//
// Lines that begin with '#' are comments.
#pragma once

#include "platform/ui/accelerators.h"

#include <stdexcept>
#include <string_view>
#include <vector>

namespace ui {

constexpr UINT IMAGE_BITMAP_RESOURCE = 0;
constexpr UINT IMAGE_ICON_RESOURCE = 1;
constexpr UINT LR_DEFAULTCOLOR = 0x0;

// Null with the resource error of FindModuleResource, or ERROR_INVALID_DATA when the bytes are
// no image.
HBITMAP LoadBitmapA(HINSTANCE module, UINT id);
HICON LoadIconA(HINSTANCE module, UINT id);
// cx and cy 0 keep the image's own size; others scale it.
void* LoadImageA(HINSTANCE module, UINT id, UINT type, int cx, int cy, UINT flags);
HACCEL LoadAcceleratorsA(HINSTANCE module, UINT id);

class AcceleratorError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// Throws AcceleratorError naming the line.
std::vector<ACCEL> ParseAccelerators(std::string_view text);

}  // namespace ui

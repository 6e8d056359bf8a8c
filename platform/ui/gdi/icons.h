// Icons: images with a transparency mask, drawn over what lies beneath them.
#pragma once

#include "platform/ui/ui_types.h"

#include <cstddef>

namespace ui {

constexpr UINT DI_MASK = 0x1;
constexpr UINT DI_IMAGE = 0x2;
constexpr UINT DI_NORMAL = 0x3;

// An icon from PNG (or other image file) bytes, transparency kept; null when they do not decode.
HICON CreateIconFromImageBytes(const void* bytes, std::size_t size);
bool IsIcon(const void* handle);
// cx and cy 0 draw the icon at its own size.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
BOOL DestroyIcon(HICON icon);

struct ICONINFO {
  BOOL fIcon = 1;
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
  HBITMAP hbmMask = nullptr;
  HBITMAP hbmColor = nullptr;
};
// The hot spot of an icon is its centre; the caller deletes both bitmaps.
BOOL GetIconInfo(HICON icon, ICONINFO* info);

}  // namespace ui

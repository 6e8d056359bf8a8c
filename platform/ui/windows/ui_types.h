// Base types of the windowing framework: message parameters, geometry, colours and the
// handles of windows, device contexts and graphics objects.
#pragma once

#include "platform/win/system/types.h"

#include <cstdint>

namespace ui {

using win::BOOL;
using win::BYTE;
using win::DWORD;
using win::HINSTANCE;
using win::HWND;
using win::LONG;
using win::UINT;
using win::WORD;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;

using HDC = struct DeviceContextTag*;
using HGDIOBJ = void*;
using HPEN = struct PenTag*;
using HBRUSH = struct BrushTag*;
using HFONT = struct FontTag*;
using HBITMAP = struct BitmapTag*;
using HICON = struct IconTag*;
using HCURSOR = HICON;
using HMENU = struct MenuTag*;
using HRGN = struct RegionTag*;
using HACCEL = struct AcceleratorTag*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, std::uintptr_t, DWORD);

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};

// Right and bottom are exclusive, as everywhere in GDI.
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
  LONG Width() const { return right - left; }
  LONG Height() const { return bottom - top; }
  bool Contains(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool operator==(const RECT&) const = default;
};

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
  return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}
constexpr LPARAM MAKELPARAM(WORD low, WORD high) {
  return static_cast<LPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
// Signed coordinates packed in an LPARAM, as mouse messages carry them.
constexpr LPARAM PointToLParam(POINT p) {
  return MAKELPARAM(static_cast<WORD>(p.x & 0xFFFF), static_cast<WORD>(p.y & 0xFFFF));
}
constexpr POINT PointFromLParam(LPARAM l) {
  return POINT{static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(l))),
               static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(l)))};
}

inline std::uintptr_t HandleBits(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }
template <typename Handle>
Handle HandleOf(std::uintptr_t bits) {
  return reinterpret_cast<Handle>(bits);
}

}  // namespace ui

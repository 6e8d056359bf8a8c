// Keyboard accelerator tables and TranslateAccelerator.
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
  BYTE fVirt = 0;
  WORD key = 0;
  WORD cmd = 0;
};

HACCEL CreateAcceleratorTableA(const ACCEL* entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// A virtual-key entry matches WM_KEYDOWN (or WM_SYSKEYDOWN with FALT) and the modifier keys
// held; a character entry matches WM_CHAR. A match sends WM_COMMAND (high word 1) to hwnd.
int TranslateAccelerator(HWND hwnd, HACCEL table, const MSG* msg);

}  // namespace ui

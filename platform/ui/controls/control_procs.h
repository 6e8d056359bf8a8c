// Window procedures of the built-in classes.
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

LRESULT StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ButtonWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT EditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ListViewWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ListBoxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ProgressWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT TabControlWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui

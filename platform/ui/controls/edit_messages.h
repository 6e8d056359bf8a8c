// The "Edit" class's messages and styles beyond the single-line basics of messages.h and
// styles.h: selections, replacing text and the lines of multi-line edits.
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

constexpr DWORD ES_AUTOVSCROLL = 0x40;
constexpr DWORD ES_WANTRETURN = 0x1000;

// wParam and lParam, when not null, receive the selection's start and end as DWORDs; the
// answer holds both in its words.
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_LINESCROLL = 0x00B6;  // lParam lines down (negative: up)
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;  // wParam -1: the caret's line
constexpr UINT EM_LINELENGTH = 0x00C1;  // wParam a character index
constexpr UINT EM_REPLACESEL = 0x00C2;
// The buffer's first WORD gives its size; the line is not terminated.
constexpr UINT EM_GETLINE = 0x00C4;
constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;

}  // namespace ui

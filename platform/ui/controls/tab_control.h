// The "SysTabControl32" class's messages and notifications.
#pragma once

#include "platform/ui/windows/messages.h"

namespace ui {

constexpr UINT TCM_FIRST = 0x1300;
constexpr UINT TCM_SETIMAGELIST = TCM_FIRST + 3;
constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4;
// TCIF_TEXT: copies the tab's text into pszText, at most cchTextMax characters with the zero.
constexpr UINT TCM_GETITEMA = TCM_FIRST + 5;
constexpr UINT TCM_INSERTITEMA = TCM_FIRST + 7;
constexpr UINT TCM_DELETEALLITEMS = TCM_FIRST + 9;
constexpr UINT TCM_GETITEMRECT = TCM_FIRST + 10;
constexpr UINT TCM_GETCURSEL = TCM_FIRST + 11;
constexpr UINT TCM_SETCURSEL = TCM_FIRST + 12;
constexpr UINT TCM_ADJUSTRECT = TCM_FIRST + 40;
constexpr UINT TCN_SELCHANGE = static_cast<UINT>(-551);
constexpr UINT TCN_SELCHANGING = static_cast<UINT>(-552);
constexpr UINT TCIF_TEXT = 0x1;
constexpr UINT TCIF_IMAGE = 0x2;

struct TCITEMA {
  UINT mask = TCIF_TEXT;
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  // Writable for TCM_GETITEMA, as Win32's LPSTR; const here so that insertions can pass literals.
  const char* pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};

}  // namespace ui

#include "platform/ui/windows/window_class.h"

#include "platform/ui/controls/control_procs.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/layered.h"
#include "platform/ui/controls/list_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/system/last_error.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <strings.h>
#include <utility>

namespace ui {
namespace {

struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const { return ::strcasecmp(a.c_str(), b.c_str()) < 0; }
};

struct RegisteredClass {
  WNDCLASSA wc;
  std::string name;
  WORD atom = 0;
};

struct Classes {
  std::map<std::string, RegisteredClass, CaseLess> table;
  WORD nextAtom = 0xC000;
};

// A class brush may be a system colour index plus one, as in a window class's registration.
HBRUSH SysColour(int index) { return HandleOf<HBRUSH>(static_cast<std::uintptr_t>(index + 1)); }

Classes& TheClasses() {
  static Classes classes = [] {
    Classes made;
    const struct {
      const char* name;
      WNDPROC proc;
      HBRUSH background;
    } builtins[] = {
        {kStaticClass, StaticWndProc, nullptr},
        {kButtonClass, ButtonWndProc, nullptr},
        {kEditClass, EditWndProc, SysColour(COLOR_WINDOW)},
        {kProgressClass, ProgressWndProc, nullptr},
        {kListViewClass, ListViewWndProc, SysColour(COLOR_WINDOW)},
        {kListBoxClass, ListBoxWndProc, SysColour(COLOR_WINDOW)},
        {kTabControlClass, TabControlWndProc, nullptr},
        {kDialogClass, DefDlgProcA, SysColour(COLOR_BTNFACE)},
    };
    for (const auto& builtin : builtins) {
      WNDCLASSA wc;
      wc.lpfnWndProc = builtin.proc;
      wc.hbrBackground = builtin.background;
      wc.style = CS_GLOBALCLASS;
      made.table.emplace(builtin.name, RegisteredClass{wc, builtin.name, made.nextAtom++});
    }
    return made;
  }();
  return classes;
}

HBRUSH ClassBrush(HWND hwnd) {
  WNDCLASSA wc;
  const WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr || !GetClassInfoA(nullptr, record->className.c_str(), &wc)) return nullptr;
  const std::uintptr_t bits = HandleBits(wc.hbrBackground);
  if (bits != 0 && bits <= 31) return GetSysColorBrush(static_cast<int>(bits) - 1);
  return wc.hbrBackground;
}

LRESULT DefaultColours(WPARAM dc, UINT message) {
  const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  const HDC hdc = reinterpret_cast<HDC>(dc);
  SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(hdc, GetSysColor(field ? COLOR_WINDOW : COLOR_3DFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(field ? COLOR_WINDOW : COLOR_3DFACE));
}

LRESULT CopyText(const WindowRecord& record, WPARAM size, LPARAM buffer) {
  if (size == 0 || buffer == 0) return 0;
  const std::size_t count = std::min<std::size_t>(record.text.size(), size - 1);
  auto* out = reinterpret_cast<char*>(buffer);
  std::memcpy(out, record.text.data(), count);
  out[count] = '\0';
  return static_cast<LRESULT>(count);
}

constexpr WPARAM SC_CLOSE = 0xF060;

}  // namespace

WORD RegisterClassA(const WNDCLASSA* wc) {
  if (wc == nullptr || wc->lpszClassName == nullptr) {
    win::SetLastError(win::ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto& classes = TheClasses();
  if (classes.table.contains(wc->lpszClassName)) {
    win::SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  RegisteredClass entry{*wc, wc->lpszClassName, classes.nextAtom++};
  auto& stored = classes.table.emplace(entry.name, entry).first->second;
  stored.wc.lpszClassName = stored.name.c_str();
  return stored.atom;
}

BOOL UnregisterClassA(const char* name, HINSTANCE) {
  return name != nullptr && TheClasses().table.erase(name) > 0 ? win::TRUE : win::FALSE;
}

BOOL GetClassInfoA(HINSTANCE, const char* name, WNDCLASSA* out) {
  if (name == nullptr) return win::FALSE;
  auto& table = TheClasses().table;
  const auto found = table.find(name);
  if (found == table.end()) return win::Fail(ERROR_CANNOT_FIND_WND_CLASS);
  *out = found->second.wc;
  out->lpszClassName = found->second.name.c_str();
  return win::TRUE;
}

int GetClassNameA(HWND hwnd, char* buffer, int size) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr || size <= 0) return 0;
  const std::size_t count = std::min<std::size_t>(record->className.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, record->className.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

bool IsClass(HWND hwnd, const char* name) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  return record != nullptr && ::strcasecmp(record->className.c_str(), name) == 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  switch (message) {
    case WM_NCCREATE: return win::TRUE;
    case WM_SETTEXT:
      record->text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      if (record->surface) SurfaceWidget(*record).setWindowTitle(QString::fromLatin1(record->text.c_str()));
      return win::TRUE;
    case WM_GETTEXT: return CopyText(*record, wParam, lParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(record->text.size());
    case WM_SETFONT:
      record->font = reinterpret_cast<void*>(wParam);
      if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0) InvalidateRect(hwnd, nullptr, win::TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(record->font);
    case WM_SETICON: {
      void*& slot = record->icons[wParam == ICON_BIG ? 1 : 0];
      void* old = std::exchange(slot, reinterpret_cast<void*>(lParam));
      if (record->surface && wParam == ICON_BIG) SetSurfaceIcon(*record, reinterpret_cast<HICON>(lParam));
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(record->icons[wParam == ICON_BIG ? 1 : 0]);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hwnd, &paint);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND: {
      const HBRUSH brush = ClassBrush(hwnd);
      if (brush == nullptr) return 0;
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return DefaultColours(wParam, message);
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_SETCURSOR:
      // A child's parent may choose first.
      if ((record->style & WS_CHILD) != 0 && record->parent != nullptr)
        return SendMessage(record->parent, message, wParam, lParam);
      return win::FALSE;
    case WM_NCLBUTTONDOWN:
      if (static_cast<LRESULT>(wParam) == HTCAPTION) BeginWindowDrag(TopLevelOf(hwnd));
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_F1) {
        HELPINFO help;
        help.iCtrlId = record->id;
        help.hItemHandle = hwnd;
        SendMessage(hwnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
      }
      return 0;
    case WM_HELP:
      if ((record->style & WS_CHILD) != 0 && record->parent != nullptr)
        return SendMessage(record->parent, WM_HELP, wParam, lParam);
      return 0;
    default: return 0;
  }
}

}  // namespace ui

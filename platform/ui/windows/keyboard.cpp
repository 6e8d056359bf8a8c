// TranslateMessage (characters from key presses) and accelerator tables.
#include "platform/ui/resources/accelerators.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"

#include <map>
#include <vector>

namespace ui {
namespace {

struct Tables {
  std::map<std::uintptr_t, std::vector<ACCEL>> table;
  std::uintptr_t next = 0xA0000;
};

Tables& TheTables() {
  static Tables tables;
  return tables;
}

bool Down(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// The character a key gives with the modifiers held; 0 for none.
char CharacterOf(UINT vk) {
  const bool shift = Down(static_cast<int>(VK_SHIFT));
  const bool control = Down(static_cast<int>(VK_CONTROL));
  if (vk >= 'A' && vk <= 'Z') {
    if (control) return static_cast<char>(vk - 'A' + 1);
    return static_cast<char>(shift ? vk : vk - 'A' + 'a');
  }
  if (vk >= '0' && vk <= '9') return static_cast<char>(vk);
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_ESCAPE: return 0x1B;
    default: return 0;
  }
}

bool Matches(const ACCEL& entry, const MSG& msg) {
  if ((entry.fVirt & FVIRTKEY) == 0) return msg.message == WM_CHAR && msg.wParam == entry.key;
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  if (msg.wParam != entry.key) return false;
  return ((entry.fVirt & FSHIFT) != 0) == Down(static_cast<int>(VK_SHIFT)) &&
         ((entry.fVirt & FCONTROL) != 0) == Down(static_cast<int>(VK_CONTROL)) &&
         ((entry.fVirt & FALT) != 0) == Down(static_cast<int>(VK_MENU));
}

}  // namespace

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return win::FALSE;
  const char c = CharacterOf(static_cast<UINT>(msg->wParam));
  if (c == 0) return win::FALSE;
  PostMessage(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, static_cast<unsigned char>(c),
              msg->lParam);
  return win::TRUE;
}

HACCEL CreateAcceleratorTableA(const ACCEL* entries, int count) {
  if (entries == nullptr || count <= 0) return nullptr;
  auto& tables = TheTables();
  const std::uintptr_t bits = tables.next;
  tables.next += 4;
  tables.table.emplace(bits, std::vector<ACCEL>(entries, entries + count));
  return HandleOf<HACCEL>(bits);
}

BOOL DestroyAcceleratorTable(HACCEL table) {
  return TheTables().table.erase(HandleBits(table)) > 0 ? win::TRUE : win::FALSE;
}

int TranslateAccelerator(HWND hwnd, HACCEL table, const MSG* msg) {
  const auto& tables = TheTables().table;
  const auto found = tables.find(HandleBits(table));
  if (found == tables.end() || msg == nullptr || !IsWindow(hwnd)) return 0;
  for (const ACCEL& entry : found->second) {
    if (!Matches(entry, *msg)) continue;
    SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
    return 1;
  }
  return 0;
}

}  // namespace ui

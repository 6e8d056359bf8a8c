#include "formatlib/command/explorer_windows.h"

#include "formatlib/command/format_library_state.h"

#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/registry/registry.h"

#include "platform/win/system/last_error.h"

#include <array>
#include <cstring>

namespace pradvik {
namespace {

constexpr const char* kMyComputerKey = "Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
constexpr const char* kDefaultUserMyComputerKey =
    ".DEFAULT\\Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
constexpr const char* kMyComputer = "My Computer";

bool QueryDefaultValue(win::HKEY key, std::array<char, 256>& name) {
  win::DWORD size = static_cast<win::DWORD>(name.size());
  const bool read = win::RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<win::BYTE*>(name.data()),
                                          &size) == win::ERROR_SUCCESS;
  name.back() = '\0';
  return read;
}

}  // namespace

void GetMyComputerName() {
  auto& name = LibraryState().myComputerName;
  name.fill('\0');
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CURRENT_USER, kMyComputerKey, 0, win::KEY_READ, &key) == win::ERROR_SUCCESS) {
    const bool read = QueryDefaultValue(key, name);
    win::RegCloseKey(key);
    if (read) return;
  }
  if (win::RegOpenKeyExA(win::HKEY_USERS, kDefaultUserMyComputerKey, 0, win::KEY_READ, &key) != win::ERROR_SUCCESS) {
    return;
  }
  if (!QueryDefaultValue(key, name)) std::strcpy(name.data(), kMyComputer);
  win::RegCloseKey(key);
}

void LookUpExplorerWindows(win::HWND owner) {
  FormatLibraryState& state = LibraryState();
  state.pumpWindows[0] = owner;
  GetMyComputerName();
  const char* title = state.myComputerName[0] != '\0' ? state.myComputerName.data() : kMyComputer;
  state.pumpWindows[1] = ui::FindWindowA("CabinetWClass", title);
  state.pumpWindows[2] = ui::FindWindowA("ExploreWClass", nullptr);
}

void PumpLibraryMessages() {
  for (win::HWND window : LibraryState().pumpWindows) {
    if (window == nullptr) continue;
    ui::MSG message{};
    while (ui::PeekMessage(&message, window, 0, 0, ui::PM_REMOVE)) {
      if (ui::IsDialogMessage(window, &message)) continue;
      ui::TranslateMessage(&message);
      ui::DispatchMessage(&message);
    }
  }
}

}  // namespace pradvik

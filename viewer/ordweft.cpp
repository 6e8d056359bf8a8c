// Ordweft, the viewer that a recovery run starts from the program folder when it brought files
// back: it shows the person the output folder in the desktop's file manager. Offscreen nobody
// could see a window, so it then does nothing.
#include "platform/ui/windows/desktop_screen.h"
#include "platform/ui/windows/styles.h"
#include "platform/win/registry/registry.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/shell_services.h"
#include "recovery/page/recovery_settings.h"
#include "controls/settings_key.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The folder the run wrote into: the settings' "Default Folder", as the run reads it.
std::string OutputFolder() {
  std::string folder = tarnlok::kFallbackFolder;
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, tarnlok::SettingsKeyPath().c_str(), 0, win::KEY_READ, &key) !=
      win::ERROR_SUCCESS) {
    return folder;
  }
  win::DWORD type = 0;
  win::DWORD size = 0;
  if (win::RegQueryValueExA(key, tarnlok::kDefaultFolderValue, nullptr, &type, nullptr, &size) == win::ERROR_SUCCESS &&
      type == win::REG_SZ && size > 0) {
    std::vector<win::BYTE> bytes(size);
    if (win::RegQueryValueExA(key, tarnlok::kDefaultFolderValue, nullptr, &type, bytes.data(), &size) ==
        win::ERROR_SUCCESS) {
      // Stored with or without its terminating zero.
      const auto end = std::find(bytes.begin(), bytes.begin() + size, win::BYTE{0});
      if (end != bytes.begin()) folder.assign(bytes.begin(), end);
    }
  }
  win::RegCloseKey(key);
  return folder;
}

}  // namespace

int main() {
  if (!ui::ShowsOnScreen()) return 0;
  return win::ShellExecuteA(nullptr, "open", OutputFolder().c_str(), nullptr, nullptr, ui::SW_SHOWNORMAL) >
                 reinterpret_cast<win::HINSTANCE>(32)
             ? 0
             : 1;
}

// Ordweft, the viewer that a recovery run starts from the program folder when it brought files
// back: it shows the person the output folder in the desktop's file manager. Offscreen nobody
// could see a window, so it then does nothing.
#include "platform/ui/windows/desktop_screen.h"
#include "platform/ui/windows/styles.h"
#include "platform/win/system/shell_services.h"
#include "controls/settings_key.h"
#include "recovery/page/recovery_settings.h"

#include <string>

namespace {

// The folder the run wrote into: the settings' "Default Folder", read as the run reads it.
std::string OutputFolder() {
  return tarnlok::SettingsKey().ReadText(tarnlok::kDefaultFolderValue).value_or(tarnlok::kFallbackFolder);
}

}  // namespace

int main() {
  if (!ui::ShowsOnScreen()) return 0;
  return win::ShellExecuteA(nullptr, "open", OutputFolder().c_str(), nullptr, nullptr, ui::SW_SHOWNORMAL) >
                 reinterpret_cast<win::HINSTANCE>(32)
             ? 0
             : 1;
}

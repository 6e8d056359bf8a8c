#include "device/device_messages.h"

#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/ui/windows/win_app.h"
#include "platform/win/modules/module_resources.h"

#include <array>

namespace tarnlok {

std::string LoadProgramString(win::UINT id) {
  std::array<char, 1024> buffer{};
  const int length = win::LoadStringA(nullptr, id, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

// Owned by the program's window in front (the main window, or the dialog over it), which stays
// disabled while the box waits.
int ShowDeviceMessage(const std::string& text, win::UINT type) {
  const std::string title = LoadProgramString(kStringProgramTitle);
  return ui::MessageBoxA(ui::MessageBoxOwner(), text.c_str(), title.c_str(), type);
}

int ShowStringMessage(win::UINT id, win::UINT type) {
  MessageText = LoadProgramString(id);
  return ShowDeviceMessage(MessageText, type);
}

}  // namespace tarnlok

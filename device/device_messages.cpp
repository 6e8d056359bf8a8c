#include "device/device_messages.h"

#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/win/modules/module_resources.h"

#include <array>

namespace tarnlok {
namespace {

// The program's title, which its message boxes carry.

}  // namespace

std::string LoadProgramString(win::UINT id) {
  std::array<char, 1024> buffer{};
  const int length = win::LoadStringA(nullptr, id, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

int ShowDeviceMessage(const std::string& text, win::UINT type) {
  const std::string title = LoadProgramString(kStringProgramTitle);
  return ui::MessageBoxA(nullptr, text.c_str(), title.c_str(), type);
}

int ShowStringMessage(win::UINT id, win::UINT type) {
  MessageText = LoadProgramString(id);
  return ShowDeviceMessage(MessageText, type);
}

}  // namespace tarnlok

#include "device/device_messages.h"

#include "device/device_state.h"
#include "platform/win/module_resources.h"

#include <array>

namespace tarnlok {
namespace {

class FirstButtonPrompter final : public DevicePrompter {
 public:
  int Ask(const std::string&, win::UINT type) override { return (type & 0x0F) == MB_YESNO ? IDYES : IDOK; }
};

FirstButtonPrompter defaultPrompter;
DevicePrompter* installedPrompter = &defaultPrompter;

}  // namespace

DevicePrompter* InstallDevicePrompter(DevicePrompter* prompter) {
  DevicePrompter* previous = installedPrompter;
  installedPrompter = prompter != nullptr ? prompter : &defaultPrompter;
  return previous == &defaultPrompter ? nullptr : previous;
}

std::string LoadProgramString(win::UINT id) {
  std::array<char, 1024> buffer{};
  const int length = win::LoadStringA(nullptr, id, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

int ShowDeviceMessage(const std::string& text, win::UINT type) { return installedPrompter->Ask(text, type); }

int ShowStringMessage(win::UINT id, win::UINT type) {
  MessageText = LoadProgramString(id);
  return ShowDeviceMessage(MessageText, type);
}

}  // namespace tarnlok

#include "platform/win/device_namespace.h"

#include "platform/win/last_error.h"

#include <mutex>

namespace win {
namespace {

struct OpenerSlot {
  std::mutex lock;
  DeviceOpener opener;
};

OpenerSlot& Slot() {
  static OpenerSlot slot;
  return slot;
}

}  // namespace

void SetDeviceOpener(DeviceOpener opener) {
  auto& slot = Slot();
  std::lock_guard guard(slot.lock);
  slot.opener = std::move(opener);
}

std::shared_ptr<IoObject> OpenDevice(std::string_view name, DWORD desiredAccess, DWORD shareMode, DWORD& error) {
  DeviceOpener opener;
  {
    auto& slot = Slot();
    std::lock_guard guard(slot.lock);
    opener = slot.opener;
  }
  if (!opener) {
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  return opener(name, desiredAccess, shareMode, error);
}

}  // namespace win

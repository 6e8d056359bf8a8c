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
  error = ERROR_SUCCESS;
  std::shared_ptr<IoObject> device = opener ? opener(name, desiredAccess, shareMode, error) : nullptr;
  // An opener that finds nothing but names no reason still reports the device as missing.
  if (!device && error == ERROR_SUCCESS) error = ERROR_FILE_NOT_FOUND;
  return device;
}

}  // namespace win

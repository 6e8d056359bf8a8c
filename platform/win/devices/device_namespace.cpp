#include "platform/win/device_namespace.h"

#include "platform/win/guarded_slot.h"
#include "platform/win/last_error.h"

namespace win {
namespace {

GuardedSlot<DeviceOpener>& Opener() {
  static GuardedSlot<DeviceOpener> opener;
  return opener;
}

}  // namespace

void SetDeviceOpener(DeviceOpener opener) { Opener().Set(std::move(opener)); }

std::shared_ptr<IoObject> OpenDevice(std::string_view name, DWORD desiredAccess, DWORD shareMode, DWORD& error) {
  const DeviceOpener opener = Opener().Get();
  error = ERROR_SUCCESS;
  std::shared_ptr<IoObject> device = opener ? opener(name, desiredAccess, shareMode, error) : nullptr;
  // An opener that finds nothing but names no reason still reports the device as missing.
  if (!device && error == ERROR_SUCCESS) error = ERROR_FILE_NOT_FOUND;
  return device;
}

}  // namespace win

// Devices opened by "\\.\name" (volumes "E:", "PhysicalDriveN", "vwin32", driver names).
// The simulated machine provides them; CreateFileA asks here.
#pragma once

#include "platform/win/system/io_object.h"

#include <functional>
#include <memory>
#include <string_view>

namespace win {

// Answers the opened device, or null with error set (ERROR_FILE_NOT_FOUND for an unknown
// name, ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ERROR_NOT_READY ...).
using DeviceOpener =
    std::function<std::shared_ptr<IoObject>(std::string_view name, DWORD desiredAccess, DWORD shareMode, DWORD& error)>;

void SetDeviceOpener(DeviceOpener opener);
std::shared_ptr<IoObject> OpenDevice(std::string_view name, DWORD desiredAccess, DWORD shareMode, DWORD& error);

}  // namespace win

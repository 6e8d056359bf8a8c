// The device query exports: card type and write protection, the readers' firmware lock and
// unlock, load and eject, and the three probes (format support, capacity, bulk reader). None
// of them opens the failure prompt. Each runs the export prologue first.
#pragma once

#include <pradvik_exports.h>

namespace pradvik::exports {

FindDeviceTypeFn FindDeviceType;
LockTheDeviceFn LockTheDevice;
UnlockTheDeviceFn UnlockTheDevice;
IssueStartStopCmdFn IssueStartStopCmd;
CheckFormatSupportFn CheckFormatSupport;
GetDeviceCapacityFn GetDeviceCapacity;
FindBulkSMMSFn FindBulkSMMS;

}  // namespace pradvik::exports

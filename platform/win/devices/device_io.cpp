#include "platform/win/device_io.h"

#include "platform/win/io_object.h"
#include "platform/win/last_error.h"
#include "platform/win/windows_version.h"

#include <algorithm>
#include <array>
#include <vector>

namespace win {
namespace {

using VersionSet = unsigned;

constexpr VersionSet Versions(std::initializer_list<WindowsVersion> versions) {
  VersionSet set = 0;
  for (const auto version : versions) set |= 1U << static_cast<unsigned>(version);
  return set;
}

constexpr VersionSet kNtFamily = Versions({WindowsVersion::Nt4, WindowsVersion::Win2000, WindowsVersion::Xp});
constexpr VersionSet kWindows2000On = Versions({WindowsVersion::Win2000, WindowsVersion::Xp});
constexpr VersionSet kWindows9x =
    Versions({WindowsVersion::Win95, WindowsVersion::Win95Osr2, WindowsVersion::Win98, WindowsVersion::WinMe});

struct SystemCode {
  DWORD code;
  VersionSet versions;
};

// The codes the system itself defines and the versions that have them.
constexpr std::array kSystemCodes{
    SystemCode{IOCTL_SCSI_PASS_THROUGH, kNtFamily},
    SystemCode{IOCTL_IDE_PASS_THROUGH, kWindows2000On},
    SystemCode{SMART_RCV_DRIVE_DATA, kNtFamily},
    SystemCode{IOCTL_STORAGE_QUERY_PROPERTY, kWindows2000On},
    SystemCode{IOCTL_STORAGE_GET_DEVICE_NUMBER, kNtFamily},
    SystemCode{IOCTL_DISK_GET_DRIVE_GEOMETRY, kNtFamily},
    SystemCode{IOCTL_DISK_GET_PARTITION_INFO, kNtFamily},
    SystemCode{FSCTL_LOCK_VOLUME, kNtFamily},
    SystemCode{FSCTL_UNLOCK_VOLUME, kNtFamily},
    SystemCode{FSCTL_DISMOUNT_VOLUME, kNtFamily},
    SystemCode{VWIN32_DIOC_DOS_IOCTL, kWindows9x},
    SystemCode{VWIN32_DIOC_DOS_INT25, kWindows9x},
    SystemCode{VWIN32_DIOC_DOS_INT26, kWindows9x},
    SystemCode{VWIN32_DIOC_DOS_INT13, kWindows9x},
    SystemCode{VWIN32_DIOC_SIMCTRLC, kWindows9x},
    SystemCode{VWIN32_DIOC_DOS_DRIVEINFO, kWindows9x},
};

// A code reaches the device when the version has it. A code the system does not define goes to
// the device only on Windows 9x, where a VxD answers codes of its own; NT drivers reject it.
bool CodeReachesDevice(DWORD code, WindowsVersion version) {
  const auto* found = std::find_if(kSystemCodes.begin(), kSystemCodes.end(),
                                   [code](const SystemCode& entry) { return entry.code == code; });
  if (found == kSystemCodes.end()) return !IsNtFamily(version);
  return (found->versions & Versions({version})) != 0;
}

bool BufferIsAddressable(const void* buffer, DWORD size) { return buffer != nullptr || size == 0; }

}  // namespace

BOOL DeviceIoControl(HANDLE device, DWORD controlCode, void* inBuffer, DWORD inBufferSize, void* outBuffer,
                     DWORD outBufferSize, DWORD* bytesReturned, OVERLAPPED* overlapped) {
  if (bytesReturned == nullptr || overlapped != nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *bytesReturned = 0;
  const auto object = LookupHandleAs<IoObject>(device);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  if (!BufferIsAddressable(inBuffer, inBufferSize) || !BufferIsAddressable(outBuffer, outBufferSize)) {
    return Fail(ERROR_NOACCESS);
  }
  if (!CodeReachesDevice(controlCode, CurrentWindowsVersion())) return Fail(ERROR_INVALID_FUNCTION);

  const auto* inBytes = static_cast<const BYTE*>(inBuffer);
  const std::vector<BYTE> input(inBytes, inBytes + inBufferSize);
  const std::span<BYTE> output(static_cast<BYTE*>(outBuffer), outBufferSize);
  DWORD returned = 0;
  const BOOL result = object->IoControl(controlCode, input, output, returned);
  *bytesReturned = std::min(returned, outBufferSize);
  return result;
}

}  // namespace win

// The library's exports and its application object, which refuses a second initialisation
// while the library is in use.
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/os_platform_class.h"
#include "formatlib/command/query_exports.h"
#include "formatlib/fat/fat_exports.h"
#include "formatlib/flash/format_driver.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/win_app.h"

namespace pradvik {
namespace {

class CFormatLibraryApp final : public ui::CWinApp {
 public:
  CFormatLibraryApp() : ui::CWinApp("Pradvik2k") {}

  win::BOOL InitInstance() override {
    SetLibraryInstance(ModuleHandle());
    FormatLibraryState& state = LibraryState();
    if (state.inUse != 0) {
      const std::uint8_t kind = GetOsPlatformClass();
      const bool windows9x = kind >= kOsWindows95 && kind <= kOsWindowsMe;
      ShowLibraryMessage(windows9x ? kStrInUse9x : kStrInUseNt, ui::MB_ICONINFORMATION);
      return win::FALSE;
    }
    state.inUse = 1;
    return ui::CWinApp::InitInstance();
  }

  int ExitInstance() override {
    LibraryState().inUse = 0;
    return ui::CWinApp::ExitInstance();
  }
};

CFormatLibraryApp theApp;

}  // namespace
}  // namespace pradvik

using namespace pradvik;

extern "C" {

int CheckFormatSupport(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle) {
  return exports::CheckFormatSupport(deviceId, driveIndex, volumeHandle);
}

int DoDefaultFat32Format(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                         BYTE driveIndex, BYTE fullFormat, void* workBuffer, BYTE* releaseFailed, DWORD* mediaCode,
                         BYTE deviceKind, HWND hwndCapacity, int enableBooting, HANDLE reservedVolumeHandle,
                         BYTE transportKind, BYTE reservedDriveSelect, int startStopFlag, int fat32Choice,
                         int thirdPartyFormat) {
  return exports::DoDefaultFat32Format(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex, fullFormat,
                                       workBuffer, releaseFailed, mediaCode, deviceKind, hwndCapacity, enableBooting,
                                       reservedVolumeHandle, transportKind, reservedDriveSelect, startStopFlag,
                                       fat32Choice, thirdPartyFormat);
}

int DoDefaultFormat(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId, BYTE driveIndex,
                    BYTE fullFormat, void* workBuffer, BYTE* releaseFailed, DWORD* mediaCode, BYTE deviceKind,
                    int reserved12, int enableBooting, int forceFat16, HANDLE reservedVolumeHandle, BYTE transportKind,
                    BYTE ataDriveSelect, int startStopFlag, BYTE* reserved19, DWORD* capacityMb) {
  return exports::DoDefaultFormat(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex, fullFormat,
                                  workBuffer, releaseFailed, mediaCode, deviceKind, reserved12, enableBooting,
                                  forceFat16, reservedVolumeHandle, transportKind, ataDriveSelect, startStopFlag,
                                  reserved19, capacityMb);
}

int DoDefaultFormatForThirdPartyDevices(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep,
                                        DWORD deviceId, BYTE driveIndex, BYTE fullFormat, void* workBuffer,
                                        BYTE* reservedReinsert, DWORD* mediaCode, BYTE deviceKind, HWND hwndCapacity,
                                        int enableBooting, HANDLE reservedVolumeHandle, BYTE reservedBusKind,
                                        BYTE reservedDriveSelect, int reservedStartStopFlag) {
  return exports::DoDefaultFormatForThirdPartyDevices(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId,
                                                      driveIndex, fullFormat, workBuffer, reservedReinsert, mediaCode,
                                                      deviceKind, hwndCapacity, enableBooting, reservedVolumeHandle,
                                                      reservedBusKind, reservedDriveSelect, reservedStartStopFlag);
}

int DoFloppyFormat(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId, BYTE driveIndex,
                   BYTE fullFormat, void* workBuffer, DWORD* mediaCode, BYTE reservedDeviceKind, int reserved11,
                   int reserved12, HANDLE reservedVolumeHandle, BYTE reservedBusKind) {
  return exports::DoFloppyFormat(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex, fullFormat,
                                 workBuffer, mediaCode, reservedDeviceKind, reserved11, reserved12,
                                 reservedVolumeHandle, reservedBusKind);
}

int DoFormat(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId, BYTE driveIndex,
             BYTE fullFormat, void* workBuffer, DWORD* mediaCode, BYTE deviceKind, const char* productText,
             int bootCodeFlag, HWND hwndCapacity, HANDLE volumeHandle, BYTE transportKind, BYTE ataDriveSelect,
             int wideStatus, BYTE* volumeBusy) {
  return exports::DoFormat(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex, fullFormat, workBuffer,
                           mediaCode, deviceKind, productText, bootCodeFlag, hwndCapacity, volumeHandle, transportKind,
                           ataDriveSelect, wideStatus, volumeBusy);
}

int DoPanoramicFormat(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                      BYTE driveIndex, BYTE fullFormat, void* workBuffer, DWORD* mediaCode, BYTE deviceKind,
                      const char* productText, int bootCodeFlag, HWND hwndCapacity, HANDLE volumeHandle,
                      BYTE transportKind, BYTE ataDriveSelect, DWORD panoramic, int wideStatus, BYTE* volumeBusy) {
  return exports::DoPanoramicFormat(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex, fullFormat,
                                    workBuffer, mediaCode, deviceKind, productText, bootCodeFlag, hwndCapacity,
                                    volumeHandle, transportKind, ataDriveSelect, panoramic, wideStatus, volumeBusy);
}

int FindBulkSMMS(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE* status) {
  return exports::FindBulkSMMS(deviceId, driveIndex, volumeHandle, status);
}

int FindDeviceType(DWORD deviceId, BYTE driveIndex, BYTE* deviceKind, BYTE* status, BYTE* writeProtected,
                   int showMessages, BYTE transportKind, int wideStatus) {
  return exports::FindDeviceType(deviceId, driveIndex, deviceKind, status, writeProtected, showMessages, transportKind,
                                 wideStatus);
}

int GetDeviceCapacity(DWORD deviceId, BYTE driveIndex, BYTE* capacity, BYTE* writeProtected, int showMessages) {
  return exports::GetDeviceCapacity(deviceId, driveIndex, capacity, writeProtected, showMessages);
}

int IssueStartStopCmd(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, int loadFlag, BYTE deviceKind) {
  return exports::IssueStartStopCmd(deviceId, driveIndex, volumeHandle, loadFlag, deviceKind);
}

int LockTheDevice(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE deviceKind, DWORD reserved5,
                  BYTE transportKind, BYTE ataDriveSelect, int wideStatus) {
  return exports::LockTheDevice(deviceId, driveIndex, volumeHandle, deviceKind, reserved5, transportKind,
                                ataDriveSelect, wideStatus);
}

int UnlockTheDevice(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE deviceKind, DWORD reserved5,
                    BYTE transportKind, BYTE ataDriveSelect, int wideStatus) {
  return exports::UnlockTheDevice(deviceId, driveIndex, volumeHandle, deviceKind, reserved5, transportKind,
                                  ataDriveSelect, wideStatus);
}

}  // extern "C"

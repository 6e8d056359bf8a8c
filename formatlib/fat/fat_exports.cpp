#include "formatlib/fat/fat_exports.h"

#include "formatlib/command/card_driver_command.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/fat/drive_fat32_format.h"
#include "formatlib/fat/fat16_formatter.h"
#include "formatlib/fat/fat32_formatter.h"
#include "formatlib/fat/floppy_format.h"
#include "formatlib/fat/geometry_rules.h"
#include "formatlib/fat/other_maker_format.h"

namespace pradvik::exports {
namespace {

constexpr DWORD kMostFat16Megabytes = 2048;

FatFormatArgs CommonArgs(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                         BYTE driveIndex, BYTE fullFormat, DWORD* mediaCode, BYTE deviceKind, int enableBooting) {
  FatFormatArgs args;
  args.owner = hwndOwner;
  args.windows = {hwndProgress, hwndPercent, hwndStep};
  args.deviceId = deviceId;
  args.driveIndex = driveIndex;
  args.fullFormat = fullFormat;
  args.mediaCode = mediaCode;
  args.deviceKind = deviceKind;
  args.enableBooting = enableBooting != 0;
  return args;
}

}  // namespace

int DoDefaultFormat(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId, BYTE driveIndex,
                    BYTE fullFormat, void*, BYTE* releaseFailed, DWORD* mediaCode, BYTE deviceKind, int,
                    int enableBooting, int forceFat16, HANDLE, BYTE transportKind, BYTE ataDriveSelect,
                    int startStopFlag, BYTE*, DWORD* capacityMb) {
  RunExportPrologue(deviceId, driveIndex);
  UseReaderRoad(transportKind, ataDriveSelect);
  if (deviceKind != kKindCompactFlash && deviceKind != kKindMmcSd) return 0;
  FatFormatArgs args = CommonArgs(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex, fullFormat,
                                  mediaCode, deviceKind, enableBooting);
  args.releaseFailed = releaseFailed;
  args.transportKind = transportKind;
  args.ataDriveSelect = ataDriveSelect;
  args.startStopFlag = startStopFlag != 0;
  const DWORD megabytes = capacityMb == nullptr ? 0 : *capacityMb;
  return megabytes <= kMostFat16Megabytes || forceFat16 != 0 ? FormatFat16Default(args) : FormatFat32Default(args);
}

int DoDefaultFat32Format(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                         BYTE driveIndex, BYTE fullFormat, void*, BYTE* releaseFailed, DWORD* mediaCode,
                         BYTE deviceKind, HWND hwndCapacity, int enableBooting, HANDLE, BYTE transportKind,
                         BYTE ataDriveSelect, int startStopFlag, int, int thirdPartyFormat) {
  UseReaderRoad(thirdPartyFormat != 0 ? kTransportEightByte : transportKind, ataDriveSelect);
  DriveFat32Args args;
  args.format = CommonArgs(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex, fullFormat, mediaCode,
                           deviceKind, enableBooting);
  args.format.releaseFailed = releaseFailed;
  args.format.transportKind = transportKind;
  args.format.startStopFlag = startStopFlag != 0;
  args.capacityWindow = hwndCapacity;
  args.otherMaker = thirdPartyFormat != 0;
  return FormatDriveFat32(args);
}

int DoDefaultFormatForThirdPartyDevices(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep,
                                        DWORD deviceId, BYTE driveIndex, BYTE fullFormat, void*, BYTE*,
                                        DWORD* mediaCode, BYTE deviceKind, HWND hwndCapacity, int enableBooting, HANDLE,
                                        BYTE, BYTE, int) {
  UseReaderRoad(kTransportEightByte, 0);
  return FormatForOtherMakers({CommonArgs(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex,
                                          fullFormat, mediaCode, deviceKind, enableBooting),
                               hwndCapacity});
}

int DoFloppyFormat(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId, BYTE driveIndex,
                   BYTE fullFormat, void*, DWORD* mediaCode, BYTE, int, int, HANDLE, BYTE) {
  UseReaderRoad(kTransportEightByte, 0);
  return FormatFloppy({hwndOwner, {hwndProgress, hwndPercent, hwndStep}, deviceId, driveIndex, fullFormat, mediaCode});
}

}  // namespace pradvik::exports

// DeviceIoControl and the control codes the system sends. Which codes exist follows the
// Windows version: the NT family knows the storage, disk, SCSI and volume codes (NT4 without
// the storage property query and IDE pass-through); Windows 9x knows none of them, only the
// vwin32 codes and whatever a VxD defines for itself. Not implemented: overlapped requests.
#pragma once

#include "platform/win/types.h"

namespace win {

// Windows NT family (values as CTL_CODE builds them).
constexpr DWORD IOCTL_SCSI_PASS_THROUGH = 0x0004D004;
constexpr DWORD IOCTL_IDE_PASS_THROUGH = 0x0004D028;
constexpr DWORD SMART_RCV_DRIVE_DATA = 0x0007C088;
constexpr DWORD IOCTL_STORAGE_QUERY_PROPERTY = 0x002D1400;
constexpr DWORD IOCTL_STORAGE_GET_DEVICE_NUMBER = 0x002D1080;
constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY = 0x00070000;
constexpr DWORD IOCTL_DISK_GET_PARTITION_INFO = 0x00074004;
constexpr DWORD FSCTL_LOCK_VOLUME = 0x00090018;
constexpr DWORD FSCTL_UNLOCK_VOLUME = 0x0009001C;
constexpr DWORD FSCTL_DISMOUNT_VOLUME = 0x00090020;

// Windows 9x: the services of the "\\.\vwin32" device.
constexpr DWORD VWIN32_DIOC_DOS_IOCTL = 1;
constexpr DWORD VWIN32_DIOC_DOS_INT25 = 2;
constexpr DWORD VWIN32_DIOC_DOS_INT26 = 3;
constexpr DWORD VWIN32_DIOC_DOS_INT13 = 4;
constexpr DWORD VWIN32_DIOC_SIMCTRLC = 5;
constexpr DWORD VWIN32_DIOC_DOS_DRIVEINFO = 6;

struct OVERLAPPED;

// Sends a control code to the device behind the handle. Fails with ERROR_INVALID_HANDLE for a
// handle that names no open object, ERROR_NOACCESS for a null buffer with a non-zero size,
// ERROR_INVALID_PARAMETER without bytesReturned or with an overlapped request, and
// ERROR_INVALID_FUNCTION for a code this Windows version does not have. Input and output may be
// the same memory: the input is copied before the device answers, as buffered I/O does.
BOOL DeviceIoControl(HANDLE device, DWORD controlCode, void* inBuffer, DWORD inBufferSize, void* outBuffer,
                     DWORD outBufferSize, DWORD* bytesReturned, OVERLAPPED* overlapped);

}  // namespace win

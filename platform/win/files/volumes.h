// Drives and volumes: which letters exist, their kinds, free space and volume information.
#pragma once

#include "platform/win/system/types.h"

#include <optional>

namespace win {

constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

constexpr DWORD FILE_CASE_SENSITIVE_SEARCH = 0x00000001;
constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x00000002;
constexpr DWORD FILE_UNICODE_ON_DISK = 0x00000004;

DWORD GetLogicalDrives();
UINT GetDriveTypeA(LPCSTR rootPathName);
BOOL GetDiskFreeSpaceA(LPCSTR rootPathName, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* numberOfFreeClusters, DWORD* totalNumberOfClusters);
BOOL GetDiskFreeSpaceExA(LPCSTR directoryName, ULARGE_INTEGER* freeBytesAvailable, ULARGE_INTEGER* totalBytes,
                         ULARGE_INTEGER* totalFreeBytes);
BOOL GetVolumeInformationA(LPCSTR rootPathName, LPSTR volumeNameBuffer, DWORD volumeNameSize, DWORD* volumeSerialNumber,
                           DWORD* maximumComponentLength, DWORD* fileSystemFlags, LPSTR fileSystemNameBuffer,
                           DWORD fileSystemNameSize);

// Tests pretend the host drives (C: and Z:) have this much free space; nullopt restores the truth.
// Writes to host files fail with ERROR_DISK_FULL once the injected free space is used up.
void SetInjectedHostFreeSpace(std::optional<ULONGLONG> freeBytes);
// Tests make every write to a host file fail with this error (ERROR_IO_DEVICE, say); nullopt
// lets them through again.
void SetInjectedHostWriteError(std::optional<DWORD> error);

}  // namespace win

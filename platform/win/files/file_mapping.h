// File mappings backed by the page file: CreateFileMappingA, OpenFileMappingA, MapViewOfFile,
// UnmapViewOfFile; CloseHandle (handle_table.h) closes the handles. A named mapping is shared
// by every process of the user that runs on the same data folder and disappears when its last
// holder (handle or view) goes, also when that process is killed. "Global\" and "Local\" name
// the same objects, as there is one session. Not implemented: mappings of files, protections
// other than PAGE_READWRITE, SEC_* attributes, MapViewOfFileEx, names longer than a file name
// can carry (ERROR_FILENAME_EXCED_RANGE; each character other than a letter, digit, "-" or "_"
// takes three).
#pragma once

#include "platform/win/types.h"

#include <cstddef>

namespace win {

constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD PAGE_READWRITE = 0x04;

constexpr DWORD FILE_MAP_COPY = 0x0001;
constexpr DWORD FILE_MAP_WRITE = 0x0002;
constexpr DWORD FILE_MAP_READ = 0x0004;
constexpr DWORD FILE_MAP_ALL_ACCESS = 0x000F001F;

// Views start at multiples of this.
constexpr DWORD ALLOCATION_GRANULARITY = 0x10000;

struct SECURITY_ATTRIBUTES;

// file must be INVALID_HANDLE_VALUE and the size non-zero. When a mapping of that name exists
// the answer is a new handle to it (its size unchanged) and the last error is
// ERROR_ALREADY_EXISTS; otherwise the last error is ERROR_SUCCESS. Failure: null.
HANDLE CreateFileMappingA(HANDLE file, SECURITY_ATTRIBUTES* security, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name);
// A new handle to an existing mapping; null with ERROR_FILE_NOT_FOUND when there is none.
HANDLE OpenFileMappingA(DWORD desiredAccess, BOOL inheritHandle, LPCSTR name);
// bytes 0 maps from the offset to the end. The offset must be a multiple of
// ALLOCATION_GRANULARITY (else ERROR_MAPPED_ALIGNMENT); a view beyond the mapping's end or
// beyond the handle's access fails with ERROR_ACCESS_DENIED. FILE_MAP_COPY gives a private copy.
void* MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD offsetHigh, DWORD offsetLow, std::size_t bytes);
// baseAddress must be what MapViewOfFile answered; else ERROR_INVALID_ADDRESS.
BOOL UnmapViewOfFile(const void* baseAddress);

}  // namespace win

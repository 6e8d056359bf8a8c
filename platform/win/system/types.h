// Win32 base types and handle values as the rest of the system sees them.
#pragma once

#include <cstdint>

namespace win {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = int;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using HANDLE = void*;
using HMODULE = struct ModuleTag*;
using HINSTANCE = HMODULE;
using HGLOBAL = void*;
using HLOCAL = void*;
using HKEY = struct RegistryKeyTag*;
using HWND = struct WindowTag*;
using LPSTR = char*;
using LPCSTR = const char*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD MAX_PATH = 260;

// Handles are small integers carried in a pointer, as the kernel hands them out.
inline HANDLE HandleFromValue(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }
inline std::uintptr_t HandleValue(HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }
inline const HANDLE INVALID_HANDLE_VALUE = HandleFromValue(~std::uintptr_t{0});

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
};

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

}  // namespace win

// Private profile (INI) files on Windows paths. A bare file name means the Windows folder.
#pragma once

#include "platform/win/types.h"

namespace win {

// Copies the value (or defaultValue) into buffer, truncated to size - 1 characters, and
// answers the number of characters copied. A null section or key lists the names, each
// ended by a 0 and the list by another, as Windows does.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR fileName);
// A null key deletes the section; a null value deletes the key. The file is written atomically.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

}  // namespace win

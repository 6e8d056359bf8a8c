// Modules as Win32 has them. LoadLibraryA("X.DLL") loads the shared object libX.so of the folder
// named, or, for a bare name, of the program folder and then the system folder; the Windows
// path is resolved as every path is (case-insensitive names, Z: the host root, host paths as
// they are). Loading a module twice counts references and answers the same handle. Loading runs
// the module's InitInstance (module_registration.h); the last FreeLibrary runs its
// ExitInstance. GetProcAddress finds only what the module itself exports by name.
//
// Not implemented: LoadLibraryEx and its flags, ordinals in GetProcAddress, the current
// directory and PATH in the search order, process-exit detach of libraries still loaded.
#pragma once

#include "platform/win/builtin_modules.h"
#include "platform/win/types.h"

namespace win {

// NULL with ERROR_MOD_NOT_FOUND when no module of that name is found (also for a name that
// does not end in .DLL) and ERROR_DLL_INIT_FAILED when its InitInstance answers FALSE or its
// resources are broken.
HMODULE LoadLibraryA(LPCSTR fileName);

// Drops one reference; the last one runs ExitInstance and unloads. The program and USER32
// stay loaded.
BOOL FreeLibrary(HMODULE module);

// NULL with ERROR_PROC_NOT_FOUND for a name the module does not export (hidden symbols and
// symbols of the libraries it depends on included) or an ordinal; the program exports nothing.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

// The handle of a loaded module by file name, without a new reference; NULL: the program.
HMODULE GetModuleHandleA(LPCSTR moduleName);

// "C:\Program Files\Tarnlok\Tarnlok.exe" for the program (NULL), else the Windows path the
// library was loaded by. A path that does not fit is cut to size - 1 characters and a zero,
// the result is size and the last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

}  // namespace win

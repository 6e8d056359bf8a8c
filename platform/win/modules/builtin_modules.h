// The modules a Windows system provides, which here need no shared object: WNASPI32.DLL (the
// ASPI manager, present on Windows 9x machines only; its entry points come from the simulated
// machine) and USER32.DLL (always loaded; SetLayeredWindowAttributes exists from Windows 2000
// on and comes from the windowing framework). Their procedures are slots that the provider
// fills; an empty slot is a procedure the system lacks.
#pragma once

#include "platform/win/windows_version.h"

#include <string_view>

namespace win {

// The type GetProcAddress answers; callers cast it to the procedure's real type (a function
// type without parameters and result, so that the cast is a plain one).
using FARPROC = void (*)();

// Fills (or, with null, empties) a procedure slot; throws std::invalid_argument for a module
// or procedure that is not built in.
void SetBuiltinProcedure(std::string_view module, std::string_view procedure, FARPROC function);

struct BuiltinModule;

// The built-in module of a file name ("wnaspi32.dll"), whether or not this Windows version
// has it; null when the name is not built in.
const BuiltinModule* FindBuiltinModule(std::string_view fileName);

std::string_view BuiltinModuleName(const BuiltinModule& module);

// Whether this Windows version has the module at all.
bool BuiltinModuleAvailable(const BuiltinModule& module, WindowsVersion version);

// Whether the module is loaded from the start and stays loaded (USER32).
bool BuiltinModuleResident(const BuiltinModule& module);

// The procedure on this Windows version; null when the version lacks it or nobody filled it.
FARPROC BuiltinProcedure(const BuiltinModule& module, std::string_view procedure, WindowsVersion version);

}  // namespace win

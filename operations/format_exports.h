// The format library's exports as the Format page binds them: by name from the loaded library
// just before use, and called with the head of arguments every format export shares.
#pragma once

#include "formatlib/include/pradvik_exports.h"
#include "platform/win/modules/modules.h"
#include "controls/shell_state.h"

namespace tarnlok {

// The export of that name, or null when the library does not have it.
template <class Fn>
Fn* BindExport(const char* name) {
  return reinterpret_cast<Fn*>(win::GetProcAddress(FormatLibraryModule, name));
}

// Arguments 1 to 8 of the format exports.
struct FormatHead {
  win::HWND owner = nullptr;
  win::HWND progress = nullptr;
  win::HWND percent = nullptr;
  win::HWND step = nullptr;
  win::DWORD deviceReference = 0;
  win::BYTE driveIndex = 0;
  win::BYTE fullFormat = 0;
  void* workBuffer = nullptr;
};

template <class Fn, class... Rest>
int CallFormatExport(Fn* export_, const FormatHead& head, Rest... rest) {
  return export_(head.owner, head.progress, head.percent, head.step, head.deviceReference, head.driveIndex,
                 head.fullFormat, head.workBuffer, rest...);
}

}  // namespace tarnlok

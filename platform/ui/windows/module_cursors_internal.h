// The cursors of modules' resources: a PNG file of folder "cursor" (its hot spot in the text
// keys "HotSpotX" and "HotSpotY", else the top left). A resource loaded again, from the same or
// another module, answers the same handle, as Windows shares the cursors it loads from resources.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <QCursor>

#include <optional>

namespace ui {

// Null with the resource error of FindModuleResource, or ERROR_INVALID_DATA when the bytes are
// no image.
HCURSOR LoadModuleCursor(HINSTANCE module, UINT id);
// The shape of a handle LoadModuleCursor gave; nullopt for any other handle.
std::optional<QCursor> ModuleCursorShape(HCURSOR cursor);

}  // namespace ui

// What the framework's modal dialogs and property sheets share in DoModal: the owner they pick
// and the run that disables it around the window's life.
#pragma once

#include "platform/ui/windows/cwnd.h"

#include <cstdint>
#include <functional>

namespace ui {

// The owner of a modal window, as MFC picks it: the top-level window of its parent, or of the
// main window when it has no parent (and is not the main window itself); null without either.
HWND ModalOwnerOf(const CWnd& window, const CWnd* parent);

// Runs `window` modally as MFC does: the owner is disabled before `create` makes the window and
// given back (ModalOwner) before it is destroyed; each message goes through the window's
// PreTranslateMessage chain first. The window's result, or -1 when `create` fails.
std::intptr_t RunModalWindow(CWnd& window, HWND owner, const std::function<bool()>& create);

}  // namespace ui

// The Qt side of top-level windows: each has a backing image that its windows paint into
// through GDI and a Qt widget that shows it and turns desktop input into window messages.
#pragma once

#include "platform/ui/windows/ui_types.h"

namespace ui {

struct WindowRecord;

void AttachSurface(WindowRecord& record);
void SurfaceShow(WindowRecord& record, bool show);
void SurfaceGeometryChanged(WindowRecord& record);
// A part of the backing image (surface coordinates) changed: show it.
void SurfacePresent(WindowRecord& record, const RECT& area);

// Keys typed on the desktop follow the focus window: a native control takes them itself when
// it gets the focus; for any other window the top-level's own widget takes them back.
void SurfaceFollowFocus(HWND focus);
// The top-level window takes the desktop's keyboard, while the program has it: the owner of a
// modal window that ends, as Windows makes it the foreground window again. A window that is not
// shown, or a program in the background, is left alone.
void SurfaceTakeKeyboard(HWND topLevel);

// Hands pending desktop input to the queue without waiting.
void PollDesktopEvents();
// Waits for desktop input for at most timeoutMs (-1: without limit).
void WaitDesktopEvents(int timeoutMs);

}  // namespace ui

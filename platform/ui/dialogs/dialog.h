// Dialogs with Win32 semantics: creation from a template, the modal loop (which disables the
// owner and enables it again), EndDialog, and the dialog manager of IsDialogMessage: Tab and
// arrow navigation, Enter to the default button or IDOK, Escape to IDCANCEL, mnemonics.
#pragma once

#include "platform/ui/dialogs/dialog_template.h"
#include "platform/ui/windows/ui_types.h"

#include <functional>

namespace ui {

using DLGPROC = std::intptr_t (*)(HWND, UINT, WPARAM, LPARAM);

constexpr int DWLP_MSGRESULT = 0;

// The dialog class's window procedure: the dialog procedure first, then the defaults.
LRESULT DefDlgProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Places a new popup dialog as Windows does: its template position counts from the owner's client
// area (from the screen with DS_ABSALIGN or without an owner), DS_CENTER centres it over the owner
// (the work area without one), and it is kept inside the work area, its caption on the screen.
void PlaceNewDialog(HWND dialog, HWND owner, POINT position, DWORD style);

// Creates the dialog and its controls, sends WM_SETFONT to each control and WM_INITDIALOG to
// the dialog, sets the focus when that answers TRUE, and shows it when the template is visible.
HWND CreateDialogIndirectParamA(HINSTANCE instance, const DialogTemplate& dialog, HWND parent, DLGPROC proc,
                                LPARAM param);
// Creates the dialog, disables the owner, runs the modal loop until EndDialog and answers its result.
std::intptr_t DialogBoxIndirectParamA(HINSTANCE instance, const DialogTemplate& dialog, HWND owner, DLGPROC proc,
                                      LPARAM param);
// Runs the modal loop of a created dialog: the owner is disabled while it runs (when it was
// enabled) and enabled again before the dialog is hidden and destroyed. Each message goes to
// preTranslate (the framework's PreTranslateMessage walk), or to IsDialogMessage without one,
// and is translated and dispatched when that does not take it.
std::intptr_t RunModalLoop(HWND dialog, HWND owner, const std::function<bool(MSG*)>& preTranslate = {});
BOOL EndDialog(HWND dialog, std::intptr_t result);
// Whether EndDialog was called for the dialog and its loop has not yet finished.
bool DialogEnded(HWND dialog);
// Called with the template id whenever a dialog starts its modal loop, after WM_INITDIALOG.
using ModalStartHook = void (*)(HWND dialog, int templateId, void* context);
void SetModalStartHook(ModalStartHook hook, void* context);
// The innermost running modal loop's dialog, or null.
HWND CurrentModalDialog();
int DialogTemplateId(HWND dialog);
// Names the template a dialog made in code stands for (a property sheet: its first page's).
void SetDialogTemplateId(HWND dialog, int templateId);

BOOL IsDialogMessage(HWND dialog, MSG* msg);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
BOOL MapDialogRect(HWND dialog, RECT* rect);
LONG GetDialogBaseUnits();

std::intptr_t SetDialogResult(HWND dialog, std::intptr_t result);
std::intptr_t GetDialogResult(HWND dialog);

}  // namespace ui

// The steps of a scripted run that act on the program's windows as a person's mouse and
// keyboard would. Each throws StepFailed, saying why, when it cannot act.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <string>

namespace script {

struct StepFailed {
  std::string why;
};

// The window that has input now: the topmost modal dialog or sheet, else the main window.
ui::HWND InputWindow();

void SelectDevice(char letter, int deviceListId);
void ActivateTab(const std::string& caption);
void Press(int id);
void SetCheck(int id, bool checked);
void ReplaceText(int id, const std::string& text);
void SelectRow(int id, int row);
void ExpectText(int id, const std::string& text);
void CloseModal();
void QuitProgram();

}  // namespace script

// The framework's application object. Each module (the program, each library) may have one;
// loading a library runs its InitInstance (modules), and AfxWinMain runs the program's. The
// program's object is the one AfxGetApp answers; its main window owns dialogs that name no
// parent.
#pragma once

#include "platform/ui/windows/ui_types.h"
#include "platform/win/modules/module_registration.h"

#include <string>

namespace ui {

class CWnd;

class CWinApp : public win::ModuleApp {
 public:
  explicit CWinApp(const char* name = nullptr);
  ~CWinApp() override;

  // The message loop of an application whose InitInstance answered TRUE: runs until WM_QUIT,
  // then answers ExitInstance's result.
  virtual int Run();

  CWnd* m_pMainWnd = nullptr;
  const char* m_pszAppName = nullptr;
  // The help file of the framework's help calls (CWnd::WinHelp); empty opens none.
  std::string m_helpFilePath;
};

// The program's application object, or null.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The application's name: its object's m_pszAppName, else the program's file name without
// its extension ("Tarnlok").
std::string AfxGetAppName();
// The window a message box of the program belongs to: the active window when it is the main
// window or a window the main window owns (a dialog in front of it), else the main window (a
// window of no owner, such as the machine's panel, owns none of the program's boxes). Without a
// main window, the active window.
HWND MessageBoxOwner();
// A message box owned by MessageBoxOwner() with the application's name as its caption; the id
// form shows that string of the program's string table.
int AfxMessageBox(const std::string& text, UINT type = 0);
int AfxMessageBox(UINT id, UINT type = 0);

// Runs the program's application: InitInstance, then Run when it answers TRUE, else
// ExitInstance; answers the exit code (-1 without an application object).
int AfxWinMain();

}  // namespace ui

// The application object of a module: the program's and each library's own. The program's
// object is the one AfxGetApp answers; its main window owns dialogs that name no parent.
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

class CWnd;

class CWinApp {
 public:
  explicit CWinApp(const char* name = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();
  // Answers the exit code.
  virtual int ExitInstance();

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  const char* m_pszAppName = nullptr;
};

// The first application object constructed in the process (the program's), or null.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The module whose resources dialogs are looked up in first; null searches every module.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);

}  // namespace ui

// The program's application object: start-up and exit; it holds what every window paints with.
#pragma once

#include "controls/app_resources.h"
#include "platform/ui/windows/win_app.h"

namespace tarnlok {

class CSplashDlg;

class CMainApp : public ui::CWinApp, public CAppResources {
 public:
  CMainApp();
  ~CMainApp() override;

  // The start-up sequence; always FALSE in the end, so that the framework runs ExitInstance.
  win::BOOL InitInstance() override;
  int ExitInstance() override;

  CSplashDlg* splash = nullptr;

 private:
  win::BOOL EarlyExit();
  void CreateFonts();
  void CreateBrushes();
  bool ShowStartupNotesWhenAsked();
  bool BuildDeviceList(win::HANDLE* driver);
  bool LoadFormatLibrary();
};

// The application object, for the program's own windows.
CMainApp& MainApp();

}  // namespace tarnlok

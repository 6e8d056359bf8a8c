// The application object's life: construction, fonts and brushes, and the exit routine.
#include "shell/main_app.h"

#include "device/device_list.h"
#include "device/device_state.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/win/modules/modules.h"
#include "controls/shell_state.h"
#include "shell/single_instance.h"
#include "shell/splash_dlg.h"

namespace tarnlok {
namespace {

constexpr std::array<ui::COLORREF, 5> kBrushColours = {0xB4B4B4, 0xB9B9B9, 0xAAAAAA, 0xC5C5C5, 0xCDCDCD};

void MakeVerdana(ui::CFont& font, int height, int weight) {
  font.CreateFont(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
}

void FreeModule(win::HMODULE& module) {
  if (module != nullptr) win::FreeLibrary(module);
  module = nullptr;
}

}  // namespace

CMainApp::CMainApp() : splash(new CSplashDlg(nullptr)) {}

CMainApp::~CMainApp() { delete splash; }

CMainApp& MainApp() { return static_cast<CMainApp&>(*ui::AfxGetApp()); }

void CMainApp::CreateFonts() {
  MakeVerdana(labelFontBold, 13, ui::FW_BOLD);
  MakeVerdana(captionFont, 15, ui::FW_BOLD);
  MakeVerdana(labelFont, 13, ui::FW_NORMAL);
}

void CMainApp::CreateBrushes() {
  for (std::size_t i = 0; i < brushes.size(); ++i) {
    brushes[i].CreateSolidBrush(kBrushColours[i]);
    colours[i] = kBrushColours[i];
  }
}

win::BOOL CMainApp::EarlyExit() { return CWinApp::ExitInstance() != 0 ? win::TRUE : win::FALSE; }

int CMainApp::ExitInstance() {
  delete splash;
  splash = nullptr;
  FreeModule(AspiLibrary);
  FreeModule(FormatLibraryModule);
  FreeDeviceList();
  ReleaseSingleInstanceMapping();
  return CWinApp::ExitInstance();
}

}  // namespace tarnlok

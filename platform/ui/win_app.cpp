#include "platform/ui/win_app.h"

namespace ui {
namespace {

CWinApp*& ProgramApp() {
  static CWinApp* app = nullptr;
  return app;
}

HINSTANCE& ResourceModule() {
  static HINSTANCE module = nullptr;
  return module;
}

}  // namespace

CWinApp::CWinApp(const char* name) : m_pszAppName(name) {
  if (ProgramApp() == nullptr) ProgramApp() = this;
}

CWinApp::~CWinApp() {
  if (ProgramApp() == this) ProgramApp() = nullptr;
}

BOOL CWinApp::InitInstance() { return win::TRUE; }
int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return ProgramApp(); }
CWnd* AfxGetMainWnd() { return ProgramApp() != nullptr ? ProgramApp()->m_pMainWnd : nullptr; }
HINSTANCE AfxGetResourceHandle() { return ResourceModule(); }
void AfxSetResourceHandle(HINSTANCE module) { ResourceModule() = module; }

}  // namespace ui

#include "platform/ui/win_app.h"

#include "platform/ui/cwnd.h"
#include "platform/ui/message_queue.h"

namespace ui {

CWinApp::CWinApp(const char* name) : m_pszAppName(name) {}

CWinApp::~CWinApp() = default;

int CWinApp::Run() {
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  return ExitInstance();
}

CWinApp* AfxGetApp() { return dynamic_cast<CWinApp*>(win::ModuleAppOf(nullptr)); }

CWnd* AfxGetMainWnd() {
  const CWinApp* app = AfxGetApp();
  return app != nullptr ? app->m_pMainWnd : nullptr;
}

int AfxWinMain() {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return -1;
  return app->InitInstance() ? app->Run() : app->ExitInstance();
}

}  // namespace ui

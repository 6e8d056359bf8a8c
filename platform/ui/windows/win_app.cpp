#include "platform/ui/windows/win_app.h"

#include "platform/ui/windows/cwnd.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/modules/module_resources.h"
#include "platform/win/modules/modules.h"

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

std::string AfxGetAppName() {
  const CWinApp* app = AfxGetApp();
  if (app != nullptr && app->m_pszAppName != nullptr) return app->m_pszAppName;
  char path[win::MAX_PATH] = {};
  win::GetModuleFileNameA(nullptr, path, sizeof path);
  std::string name = path;
  name = name.substr(name.find_last_of('\\') + 1);
  return name.substr(0, name.find_last_of('.'));
}

HWND MessageBoxOwner() {
  const CWnd* main = AfxGetMainWnd();
  const HWND active = GetActiveWindow();
  if (main == nullptr || main->m_hWnd == nullptr) return active;
  for (HWND window = active; window != nullptr; window = GetWindow(window, GW_OWNER)) {
    if (window == main->m_hWnd) return active;
  }
  return main->m_hWnd;
}

int AfxMessageBox(const std::string& text, UINT type) {
  return MessageBoxA(MessageBoxOwner(), text.c_str(), AfxGetAppName().c_str(), type);
}

int AfxMessageBox(UINT id, UINT type) {
  char text[4096] = {};
  win::LoadStringA(nullptr, id, text, sizeof text);
  return AfxMessageBox(std::string(text), type);
}

int AfxWinMain() {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return -1;
  return app->InitInstance() ? app->Run() : app->ExitInstance();
}

}  // namespace ui

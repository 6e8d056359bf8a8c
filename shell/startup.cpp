// The start-up sequence of the program: system kind, fonts, the single-instance guard, the
// start-up notes, the splash window, the device list, the format library, the brushes and the
// main window.
#include "device/card_driver.h"
#include "device/device_state.h"
#include "device/enum_devices_9x.h"
#include "device/enum_devices_nt.h"
#include "device/os_kind.h"
#include "device/string_ids.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/styles.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/modules/modules.h"
#include "platform/win/system/last_error.h"
#include "platform/win/registry/registry.h"
#include "platform/win/system/system_clock.h"
#include "shell/main_app.h"
#include "shell/main_dlg.h"
#include "controls/resource_ids.h"
#include "controls/settings_key.h"
#include "controls/shell_state.h"
#include "shell/single_instance.h"
#include "shell/splash_dlg.h"
#include "shell/startup_notes_dlg.h"

#include <algorithm>
#include <cctype>

namespace tarnlok {
namespace {

constexpr win::DWORD kSplashMilliseconds = 1000;

win::HANDLE OpenCardDriver() {
  constexpr win::DWORD access = win::GENERIC_READ | win::GENERIC_WRITE;
  win::HANDLE driver = win::CreateFileA(kCardDriverName, access, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr,
                                        win::OPEN_EXISTING, 0, nullptr);
  if (driver == win::INVALID_HANDLE_VALUE) {
    driver = win::CreateFileA(kCardDriverName, access, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr);
  }
  return driver;
}

// Start-up shows the notes unless the START byte says otherwise.
bool StartupNotesHidden() {
  win::HKEY key = nullptr;
  win::BYTE start = 0;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath().c_str(), 0, win::KEY_ALL_ACCESS, &key) ==
      win::ERROR_SUCCESS) {
    win::DWORD size = 1;
    win::RegQueryValueExA(key, kStartValue, nullptr, nullptr, &start, &size);
    win::RegCloseKey(key);
  }
  return start != 0;
}

std::string FormatLibraryPath() {
  char path[512] = {};
  win::GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder(path);
  std::transform(folder.begin(), folder.end(), folder.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  folder.erase(folder.rfind('\\') + 1);
  return folder + (OsKindIsNt() ? "Pradvik2k.DLL" : "Pradvik9x.DLL");
}

// The card driver stays open while the program runs and is closed on every road out of it.
struct CardDriverHandle {
  win::HANDLE value = win::INVALID_HANDLE_VALUE;
  CardDriverHandle() = default;
  CardDriverHandle(const CardDriverHandle&) = delete;
  CardDriverHandle& operator=(const CardDriverHandle&) = delete;
  ~CardDriverHandle() {
    if (value != win::INVALID_HANDLE_VALUE) win::CloseHandle(value);
  }
};

}  // namespace

bool CMainApp::BuildDeviceList(win::HANDLE* driver) {
  if (OsKindIsNt()) {
    EnumDevicesNt();
    return true;
  }
  *driver = OpenCardDriver();
  if (*driver == win::INVALID_HANDLE_VALUE) {
    ui::AfxMessageBox(kStringDriverMissing, ui::MB_ICONINFORMATION);
    return false;
  }
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(*driver, kDriverGetDeviceChain, nullptr, 0, &DriverDeviceChain, sizeof(DriverDeviceChain),
                            &returned, nullptr)) {
    ui::AfxMessageBox(kStringDriverCallFailed, ui::MB_ICONINFORMATION);
    win::CloseHandle(*driver);
    *driver = win::INVALID_HANDLE_VALUE;
    return false;
  }
  EnumDevices9x();
  return true;
}

bool CMainApp::LoadFormatLibrary() {
  MessageText = FormatLibraryPath();
  FormatLibraryModule = win::LoadLibraryA(MessageText.c_str());
  return FormatLibraryModule != nullptr;
}

win::BOOL CMainApp::InitInstance() {
  CMainDlg mainWindow(nullptr);
  DetectOsKind();
  CreateFonts();
  if (!AcquireSingleInstance()) return EarlyExit();
  if (!StartupNotesHidden()) {
    CStartupNotesDlg notes(nullptr);
    notes.DoModal();
  }
  splash->Create(kSplashTemplate, nullptr);
  splash->ShowWindow(ui::SW_SHOW);
  splash->UpdateWindow();
  CardDriverHandle driver;
  if (!BuildDeviceList(&driver.value)) {
    splash->DestroyWindow();
    return win::FALSE;
  }
  win::Sleep(kSplashMilliseconds);
  splash->DestroyWindow();
  if (!LoadFormatLibrary()) {
    ui::AfxMessageBox(kStringFormatLibraryFailed, ui::MB_ICONERROR);
    ReleaseSingleInstanceMapping();
    return EarlyExit();
  }
  if (DeviceCount == 0) {
    ui::AfxMessageBox(kStringNoDeviceConnected, ui::MB_ICONINFORMATION);
    return EarlyExit();
  }
  CreateBrushes();
  m_pMainWnd = &mainWindow;
  mainWindow.DoModal();
  m_pMainWnd = nullptr;
  return win::FALSE;
}

}  // namespace tarnlok

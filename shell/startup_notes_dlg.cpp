#include "shell/startup_notes_dlg.h"

#include "device/string_ids.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/system/last_error.h"
#include "platform/win/registry/registry.h"
#include "controls/control_colours.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "shell/main_app.h"
#include "controls/page_background.h"
#include "controls/resource_ids.h"
#include "controls/settings_key.h"

namespace tarnlok {
namespace {

using namespace startup_notes;

constexpr ControlText kTexts[] = {{kPurpose, kStringNotesPurpose},
                                  {kMoreInformation, kStringNotesMoreInformation},
                                  {kHideCheck, kStringHideNotes},
                                  {ui::IDOK, kStringContinue}};

bool TransparentStatic(int id) {
  return id == kHideCheck || id == kNotesHeading || id == kPurpose || id == kMoreInformation;
}

void StoreStartByte(win::BYTE start) {
  const std::string path = SettingsKeyPath();
  win::HKEY key = nullptr;
  if (win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                           win::KEY_ALL_ACCESS, nullptr, &key, nullptr) == win::ERROR_SUCCESS) {
    win::RegFlushKey(key);
    win::RegCloseKey(key);
  }
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, win::KEY_ALL_ACCESS, &key) == win::ERROR_SUCCESS) {
    win::RegSetValueExA(key, kStartValue, 0, win::REG_BINARY, &start, 1);
    win::RegFlushKey(key);
    win::RegCloseKey(key);
  }
}

}  // namespace

const ui::MessageMap& CStartupNotesDlg::GetMessageMap() const {
  static const ui::MessageMap map(&CDialog::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_PAINT, &CStartupNotesDlg::OnPaint),
                                      ui::OnCtlColorMessage(&CStartupNotesDlg::OnCtlColor),
                                  });
  return map;
}

void CStartupNotesDlg::DoDataExchange(ui::CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  ui::DDX_Control(dx, kWebLink, webLink_);
  ui::DDX_Control(dx, ui::IDOK, continueButton_);
  ui::DDX_Control(dx, kHideCheck, hideCheck_);
}

win::BOOL CStartupNotesDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  SetWindowText(LoadProgramString(kStringProgramTitle));
  SetTexts(*this, kTexts);
  SetFonts(*this, {kNotesHeading}, App().labelFontBold);
  SetFonts(*this, {kPurpose, kMoreInformation}, App().labelFont);
  webLink_.ModifyLinkStyle(0, CHyperLink::kUnderline, win::TRUE);
  return win::TRUE;
}

void CStartupNotesDlg::OnOK() {
  const bool hide = ui::SendDlgItemMessageA(m_hWnd, kHideCheck, ui::BM_GETCHECK, 0, 0) == 1;
  StoreStartByte(hide ? 1 : 0);
  CDialog::OnOK();
}

void CStartupNotesDlg::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CStartupNotesDlg::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  const ui::HBRUSH colours = DefaultControlColours(*this, dc, control, kind);
  if (kind != ui::CTLCOLOR_STATIC) return colours;
  if (TransparentStatic(control->GetDlgCtrlID())) dc->SetBkMode(ui::TRANSPARENT);
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok

#include "shell/info_page.h"

#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/resources/resources.h"
#include "platform/win/system/shell_services.h"
#include "controls/control_colours.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/help_topics.h"
#include "shell/main_app.h"
#include "controls/page_background.h"
#include "controls/page_codes.h"
#include "shell/refresh_info_page.h"
#include "controls/resource_ids.h"
#include "controls/shell_state.h"

namespace tarnlok {
namespace {

using namespace info_page;

constexpr ControlText kTexts[] = {{kHeading, kStringDriveDetails},
                                  {kDeviceNameLabel, kStringDeviceNameLabel},
                                  {kFirmwareLabel, kStringFirmwareLabel},
                                  {kLowLevelSupportLabel, kStringLowLevelSupportLabel},
                                  {kDriveLabel, kStringDriveLabel},
                                  {kVolumeLabelLabel, kStringVolumeLabelLabel},
                                  {kCapacityLabel, kStringCapacityLabel},
                                  {kFileSystemLabel, kStringFileSystemLabel},
                                  {kHelpButton, kStringHelp}};

bool TransparentStatic(int id) {
  return (id >= kHiddenFrame && id <= kLowLevelSupport) || id == kFirmware || id == kFirmwareLabel ||
         id == kLowLevelSupportLabel || id == kFrame || id == kHeading || id == kSubheading;
}

}  // namespace

CInfoPage::CInfoPage() : CPropertyPage(kInfoPageTemplate) { m_hIcon = ui::LoadIconA(nullptr, kInfoTabIcon); }

const ui::MessageMap& CInfoPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_PAINT, &CInfoPage::OnPaint),
                                      ui::OnMessage(ui::WM_HELP, &CInfoPage::OnHelp),
                                      ui::OnMessage(ui::WM_DESTROY, &CInfoPage::OnDestroy),
                                      ui::OnCommand(kHelpButton, &CInfoPage::OnHelpButton),
                                      ui::OnCtlColorMessage(&CInfoPage::OnCtlColor),
                                  });
  return map;
}

void CInfoPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  ui::DDX_Control(dx, kDeviceName, deviceName_);
  ui::DDX_Control(dx, kHelpButton, helpButton_);
}

win::BOOL CInfoPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  ActivePageHwnd = m_hWnd;
  CurrentPageCode = kInformationPageCode;
  SetTexts(*this, kTexts);
  SetFonts(*this, {kHeading, kSubheading}, App().labelFontBold);
  SetFonts(*this,
           {kDeviceNameLabel, kFirmwareLabel, kLowLevelSupportLabel, kDriveLabel, kVolumeLabelLabel, kCapacityLabel,
            kFileSystemLabel},
           App().labelFont);
  if (CurrentDevice != nullptr) {
    while (CurrentDevice->previous != nullptr) CurrentDevice = CurrentDevice->previous;
  }
  helpButton_.SetButtonIcons(kHelpIcon, 0);
  helpButton_.ShiftButtonColour(0, 30, win::TRUE);
  helpButton_.ShiftButtonColour(4, 30, win::TRUE);
  return win::TRUE;
}

win::BOOL CInfoPage::OnSetActive() {
  CurrentPageCode = kInformationPageCode;
  ActivePageHwnd = m_hWnd;
  if (CurrentDevice != nullptr && SheetInitialising == 0) RefreshInfoPage();
  helpButton_.SetFocus();
  return CPropertyPage::OnSetActive();
}

win::BOOL CInfoPage::PreTranslateMessage(ui::MSG* msg) {
  if (msg->message == ui::WM_KEYDOWN && msg->wParam == ui::VK_RETURN && helpButton_.m_hWnd != nullptr &&
      msg->hwnd == helpButton_.m_hWnd) {
    SendMessage(ui::WM_COMMAND, kHelpButton, 0);
  }
  return CPropertyPage::PreTranslateMessage(msg);
}

void CInfoPage::OnHelpButton() { OpenHelpTopic(m_hWnd, HelpTopicOfPage(1)); }

ui::LRESULT CInfoPage::OnHelp(ui::WPARAM, ui::LPARAM) {
  OnHelpButton();
  return win::TRUE;
}

void CInfoPage::WinHelp(win::DWORD data, win::UINT command) { CPropertyPage::WinHelp(data, command); }

void CInfoPage::OnDestroy() {
  Default();
  WinHelp(0, win::HELP_QUIT);
}

void CInfoPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CInfoPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  if (TransparentStatic(control->GetDlgCtrlID())) dc->SetBkMode(ui::TRANSPARENT);
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok

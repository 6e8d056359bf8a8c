#include "operations/rest_page.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/operation_handlers.h"
#include "operations/operation_state.h"
#include "operations/page_look.h"
#include "operations/refresh_restore_page.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/windows/styles.h"
#include "platform/win/files/files.h"
#include "shell/control_colours.h"
#include "shell/dialog_texts.h"
#include "shell/help_topics.h"
#include "shell/main_app.h"
#include "shell/page_background.h"
#include "shell/page_codes.h"
#include "shell/resource_ids.h"
#include "shell/shell_state.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

namespace controls = restore_page;

constexpr ui::COLORREF kBarColour = 0x640000;
constexpr ui::COLORREF kValueColour = 0xC5C5C5;
constexpr ui::COLORREF kActivityColour = 0xB4B4B4;
constexpr ui::COLORREF kPercentColour = 0xCDCDCD;
constexpr win::DWORD kFileMustExist = 0x1000;
constexpr win::DWORD kPathMustExist = 0x800;

constexpr int kTransparentStatics[] = {
    controls::kFileNameLabel, controls::kTotalBlocksLabel, controls::kCurrentBlockLabel, controls::kDeviceLabel,
    controls::kCapacityLabel, controls::kDeviceInfoLabel,  controls::kProgressInfoLabel};
constexpr int kValueStatics[] = {controls::kTotalBlocksValue, controls::kCurrentBlockValue, controls::kDeviceValue,
                                 controls::kCapacityValue};

bool Contains(std::span<const int> ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

}  // namespace

CRestPage::CRestPage() : CPropertyPage(kRestorePageTemplate) {}

const ui::MessageMap& CRestPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnCommand(controls::kBrowseButton, &CRestPage::OnBrowse),
                                      ui::OnCommand(controls::kCancelButton, &CRestPage::OnCancelButton),
                                      ui::OnCommand(controls::kRestoreButton, &CRestPage::RestoreMedia),
                                      ui::OnCommand(controls::kHelpButton, &CRestPage::OnHelpButton),
                                      ui::OnMessage(ui::WM_HELP, &CRestPage::OnHelp),
                                      ui::OnMessage(ui::WM_PAINT, &CRestPage::OnPaint),
                                      ui::OnCtlColorMessage(&CRestPage::OnCtlColor),
                                  });
  return map;
}

void CRestPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  ui::DDX_Control(dx, controls::kProgressBar, progress_);
  ui::DDX_Control(dx, controls::kCancelButton, cancelButton_);
  ui::DDX_Control(dx, controls::kHelpButton, helpButton_);
  ui::DDX_Control(dx, controls::kBrowseButton, browseButton_);
  ui::DDX_Control(dx, controls::kRestoreButton, restoreButton_);
}

win::BOOL CRestPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  ActivePageHwnd = m_hWnd;
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  CurrentPageCode = kRestorePageCode;
  DecorateIconButtons({{&restoreButton_, kRestoreIcon}, {&cancelButton_, kCancelIcon}, {&browseButton_, kBrowseIcon}});
  progress_.SetBarColour(kBarColour);
  SetFonts(*this, {controls::kDeviceInfoLabel, controls::kProgressInfoLabel}, App().labelFontBold);
  SetFonts(*this,
           {controls::kFileNameLabel, controls::kTotalBlocksLabel, controls::kCurrentBlockLabel, controls::kDeviceLabel,
            controls::kCapacityLabel},
           App().labelFont);
  helpButton_.ShowWindow(ui::SW_HIDE);
  return win::TRUE;
}

win::BOOL CRestPage::OnSetActive() {
  CurrentPageCode = kRestorePageCode;
  ActivePageHwnd = m_hWnd;
  if (DeviceCount != 0) RefreshRestorePage();
  return CPropertyPage::OnSetActive();
}

win::BOOL CRestPage::OnKillActive() { return PageKillActive(*this); }

void CRestPage::OnBrowse() {
  ui::FileDialogRequest request;
  request.owner = m_hWnd;
  request.fileName = "*.FMB";
  request.defaultExtension = "*.FMB";
  request.filter = LoadProgramString(kStringFileFilter);
  request.flags = kFileMustExist | kPathMustExist;
  if (const auto path = ui::CurrentPrompter().AskFile(request)) SetDlgItemText(controls::kImageNameEdit, *path);
}

void CRestPage::OnCancelButton() { RequestCancel(); }

void CRestPage::OnHelpButton() { OpenHelpTopic(m_hWnd, HelpTopicOfPage(kRestorePageCode)); }

ui::LRESULT CRestPage::OnHelp(ui::WPARAM, ui::LPARAM) {
  OnHelpButton();
  return win::TRUE;
}

void CRestPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CRestPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  const int id = control->GetDlgCtrlID();
  if (Contains(kTransparentStatics, id)) {
    dc->SetBkMode(ui::TRANSPARENT);
  } else if (Contains(kValueStatics, id)) {
    return ColouredStatic(dc, kValueColour);
  } else if (id == controls::kActivityText) {
    return ColouredStatic(dc, kActivityColour);
  } else if (id == controls::kPercentText) {
    return ColouredStatic(dc, kPercentColour);
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok

#include "operations/rest_page.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/page_look.h"
#include "operations/refresh_restore_page.h"
#include "platform/ui/dialogs/prompter.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/app_resources.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"

namespace tarnlok {
namespace {

namespace controls = restore_page;

constexpr win::DWORD kFileMustExist = 0x1000;
constexpr win::DWORD kPathMustExist = 0x800;

constexpr int kTransparentStatics[] = {
    controls::kFileNameLabel, controls::kTotalBlocksLabel, controls::kCurrentBlockLabel, controls::kDeviceLabel,
    controls::kCapacityLabel, kFirstGroupCaption,          kSecondGroupCaption};
constexpr int kValueStatics[] = {controls::kTotalBlocksValue, controls::kCurrentBlockValue, controls::kDeviceValue,
                                 controls::kCapacityValue};
constexpr CardPageLook kLook{kRestorePageCode,        controls::kProgressBar, controls::kCancelButton,
                             controls::kHelpButton,   kTransparentStatics,    kValueStatics,
                             controls::kActivityText, controls::kPercentText};

}  // namespace

CRestPage::CRestPage() : CCardOperationPage(kRestorePageTemplate, kLook) {}

const ui::MessageMap& CRestPage::GetMessageMap() const {
  static const ui::MessageMap map(&CCardOperationPage::GetMessageMap(),
                                  {
                                      ui::OnCommand(controls::kBrowseButton, &CRestPage::OnBrowse),
                                      ui::OnCommand(controls::kCancelButton, &CRestPage::OnCancelButton),
                                      ui::OnCommand(controls::kRestoreButton, &CRestPage::RestoreMedia),
                                      ui::OnCommand(controls::kHelpButton, &CRestPage::OnHelpButton),
                                  });
  return map;
}

void CRestPage::DoDataExchange(ui::CDataExchange* dx) {
  CCardOperationPage::DoDataExchange(dx);
  ui::DDX_Control(dx, controls::kBrowseButton, browseButton_);
  ui::DDX_Control(dx, controls::kRestoreButton, restoreButton_);
}

win::BOOL CRestPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  StartPage();
  DecorateIconButtons({{&restoreButton_, kRestoreIcon}, {&cancelButton_, kCancelIcon}, {&browseButton_, kBrowseIcon}});
  SetFonts(*this, {kFirstGroupCaption, kSecondGroupCaption}, App().labelFontBold);
  SetFonts(*this,
           {controls::kFileNameLabel, controls::kTotalBlocksLabel, controls::kCurrentBlockLabel, controls::kDeviceLabel,
            controls::kCapacityLabel},
           App().labelFont);
  return win::TRUE;
}

win::BOOL CRestPage::OnSetActive() {
  MarkActive();
  if (DeviceCount != 0) RefreshRestorePage();
  return CPropertyPage::OnSetActive();
}

void CRestPage::OnBrowse() {
  ui::FileDialogRequest request;
  request.owner = m_hWnd;
  request.fileName = "*.FMB";
  request.defaultExtension = "*.FMB";
  request.filter = LoadProgramString(kStringFileFilter);
  request.flags = kFileMustExist | kPathMustExist;
  if (const auto path = ui::CurrentPrompter().AskFile(request)) SetDlgItemText(controls::kImageNameEdit, *path);
}

}  // namespace tarnlok

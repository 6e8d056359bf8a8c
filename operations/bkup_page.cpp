#include "operations/bkup_page.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/backup_names.h"
#include "operations/operation_handlers.h"
#include "operations/operation_state.h"
#include "operations/page_look.h"
#include "operations/refresh_backup_page.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/styles.h"
#include "controls/control_colours.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/help_topics.h"
#include "controls/app_resources.h"
#include "controls/page_background.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "controls/shell_state.h"

#include <algorithm>

namespace tarnlok {
namespace {

constexpr ui::COLORREF kBarColour = 0x640000;
constexpr ui::COLORREF kValueColour = 0xC5C5C5;
constexpr ui::COLORREF kPercentColour = 0xCDCDCD;
constexpr win::DWORD kOverwritePrompt = 0x2;
constexpr win::DWORD kPathMustExist = 0x800;

constexpr ControlText kTexts[] = {{kImageNameLabel, kStringBackupFileNameLabel},
                                  {kTotalBlocksLabel, kStringTotalBlocks},
                                  {kCurrentBlockLabel, kStringCurrentBlock},
                                  {kActivityText, kStringWritingBackup},
                                  {kFirstGroupCaption, kStringBackupTypeCaption},
                                  {kUsedSpaceChoice, kStringCopyUsedSpace},
                                  {kWholeMediaChoice, kStringExactDuplicate},
                                  {kBackupButton, kStringBackupTool},
                                  {kHelpButton, kStringHelp},
                                  {kCancelButton, kStringCancel}};

constexpr int kTransparentStatics[] = {kImageNameLabel, kTotalBlocksLabel, kCurrentBlockLabel,
                                       kActivityText,   kUsedSpaceChoice,  kWholeMediaChoice,
                                       kSourceText,     kSourceLabel,      kFirstGroupCaption};

bool IsTransparentStatic(int id) {
  return std::find(std::begin(kTransparentStatics), std::end(kTransparentStatics), id) != std::end(kTransparentStatics);
}

}  // namespace

CBkupPage::CBkupPage() : CPropertyPage(kBackupPageTemplate) {}

const ui::MessageMap& CBkupPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnCommand(kBrowseButton, &CBkupPage::OnBrowse),
                                      ui::OnCommand(kCancelButton, &CBkupPage::OnCancelButton),
                                      ui::OnCommand(kBackupButton, &CBkupPage::BackupMedia),
                                      ui::OnCommand(kHelpButton, &CBkupPage::OnHelpButton),
                                      ui::OnMessage(ui::WM_HELP, &CBkupPage::OnHelp),
                                      ui::OnMessage(ui::WM_PAINT, &CBkupPage::OnPaint),
                                      ui::OnCtlColorMessage(&CBkupPage::OnCtlColor),
                                  });
  return map;
}

void CBkupPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  ui::DDX_Control(dx, kProgressBar, progress_);
  ui::DDX_Control(dx, kCancelButton, cancelButton_);
  ui::DDX_Control(dx, kBackupButton, backupButton_);
  ui::DDX_Control(dx, kHelpButton, helpButton_);
  ui::DDX_Control(dx, kSourceText, sourceText_);
  ui::DDX_Control(dx, kSourceLabel, sourceLabel_);
  ui::DDX_Control(dx, kBrowseButton, browseButton_);
  ui::DDX_Control(dx, kUsedSpaceChoice, usedSpaceChoice_);
  ui::DDX_Control(dx, kWholeMediaChoice, wholeMediaChoice_);
}

win::BOOL CBkupPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  keyboardTable_ = nullptr;
  CancelRequested = 0;
  CurrentPageCode = kBackupPageCode;
  SetTexts(*this, kTexts);
  SetFonts(*this, {kSourceLabel, kSourceText, kImageNameLabel, kTotalBlocksLabel, kCurrentBlockLabel}, App().labelFont);
  SetFonts(*this, {kFirstGroupCaption}, App().labelFontBold);
  DecorateIconButtons({{&backupButton_, kBackupIcon}, {&browseButton_, kBrowseIcon}, {&cancelButton_, kCancelIcon}});
  usedSpaceChoice_.SetCheck(static_cast<int>(ui::BST_CHECKED));
  ActivePageHwnd = m_hWnd;
  cancelButton_.ShowWindow(ui::SW_HIDE);
  progress_.SetBarColour(kBarColour);
  ShowControls(*this, {kSourceLabel, kSourceText}, true);
  helpButton_.ShowWindow(ui::SW_HIDE);
  sourceLabel_.SetWindowText("Source:");
  if (!sourceDescription.empty()) sourceText_.SetWindowText(sourceDescription);
  SelectedDeviceIndex = deviceRow;
  EnableBackupChoice();
  ShowControls(*this, {kActivityText, kPercentText}, false);
  EnableControls(*this, {kProgressFrame, kProgressBar, kTotalBlocksValue, kCurrentBlockValue}, false);
  if (CurrentDevice != nullptr) {
    MessageText.clear();
    RefreshBackupPage();
  }
  return win::TRUE;
}

win::BOOL CBkupPage::OnSetActive() {
  CurrentPageCode = kBackupPageCode;
  ActivePageHwnd = m_hWnd;
  EnableBackupChoice();
  return CPropertyPage::OnSetActive();
}

win::BOOL CBkupPage::OnKillActive() { return PageKillActive(*this); }

void CBkupPage::EnableBackupChoice() {
  const bool choice = CurrentDevice != nullptr && !IsRawFlashBackup(CurrentDevice->deviceKind);
  EnableControls(*this, {kChoiceFrame, kUsedSpaceChoice, kWholeMediaChoice}, choice);
}

win::BOOL CBkupPage::PreTranslateMessage(ui::MSG* msg) {
  if (keyboardTable_ != nullptr && ui::TranslateAccelerator(m_hWnd, keyboardTable_, msg) != 0) return win::TRUE;
  return CPropertyPage::PreTranslateMessage(msg);
}

void CBkupPage::OnBrowse() {
  ui::FileDialogRequest request;
  request.save = true;
  request.owner = m_hWnd;
  request.fileName = "*.FMB";
  request.defaultExtension = "*.FMB";
  request.filter = LoadProgramString(kStringFileFilter);
  request.flags = kOverwritePrompt | kPathMustExist;
  if (const auto path = ui::CurrentPrompter().AskFile(request)) SetDlgItemText(kImageNameEdit, *path);
}

void CBkupPage::OnCancelButton() { RequestCancel(); }

void CBkupPage::OnHelpButton() { OpenHelpTopic(m_hWnd, HelpTopicOfPage(kBackupPageCode)); }

ui::LRESULT CBkupPage::OnHelp(ui::WPARAM, ui::LPARAM) {
  OnHelpButton();
  return win::TRUE;
}

void CBkupPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CBkupPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  const int id = control->GetDlgCtrlID();
  if (IsTransparentStatic(id)) {
    dc->SetBkMode(ui::TRANSPARENT);
  } else if (id == kTotalBlocksValue || id == kCurrentBlockValue || id == kPercentText) {
    return ColouredStatic(dc, id == kPercentText ? kPercentColour : kValueColour);
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok

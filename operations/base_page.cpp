#include "operations/base_page.h"

#include "device/device_messages.h"
#include "device/string_ids.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "controls/dialog_texts.h"
#include "controls/app_resources.h"
#include "controls/page_background.h"
#include "controls/resource_ids.h"

#include <array>

namespace tarnlok {
namespace {

constexpr int kCloseButton = 2;
constexpr std::array<const char*, 4> kCaptions{"Backup", "Duplicate", "Restore", "Format"};

}  // namespace

CBasePage::CBasePage(int mode, int deviceRow, const std::string& rowText) : mode_(mode), deviceRow_(deviceRow) {
  m_psh.dwFlags |= ui::PSH_WIZARD;
  switch (mode) {
    case kModeBackup:
      backupPage_.deviceRow = deviceRow;
      backupPage_.sourceDescription = rowText;
      backupPage_.ownerSheet = this;
      AddPage(&backupPage_);
      break;
    case kModeDuplicate:
      duplicatePage_.deviceRow = deviceRow;
      duplicatePage_.ownerSheet = this;
      AddPage(&duplicatePage_);
      break;
    case kModeRestore:
      restorePage_.deviceRow = deviceRow;
      restorePage_.ownerSheet = this;
      AddPage(&restorePage_);
      break;
    case kModeFormat:
      formatPage_.deviceRow = deviceRow;
      formatPage_.sourceDescription = rowText;
      formatPage_.ownerSheet = this;
      AddPage(&formatPage_);
      break;
    default: break;
  }
}

const ui::MessageMap& CBasePage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertySheet::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_PAINT, &CBasePage::OnPaint),
                                  });
  return map;
}

win::BOOL CBasePage::OnInitDialog() {
  const win::BOOL result = CPropertySheet::OnInitDialog();
  SetWindowText(LoadProgramString(kStringProgramTitle));
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  for (const int id : {ui::ID_WIZFINISH, ui::ID_WIZNEXT, ui::ID_WIZBACK}) {
    if (ui::CWnd* button = GetDlgItem(id)) button->ShowWindow(ui::SW_HIDE);
  }
  if (ui::CWnd* close = GetDlgItem(kCloseButton)) close->SetWindowText(LoadProgramString(kStringClose));
  if (mode_ >= kModeBackup && mode_ <= kModeFormat) SetWindowText(kCaptions[static_cast<std::size_t>(mode_ - 1)]);
  return result;
}

int CBasePage::EnableCloseButton(win::BOOL enable) {
  if (ui::CWnd* close = GetDlgItem(kCloseButton)) close->EnableWindow(enable != 0 ? win::TRUE : win::FALSE);
  return 1;
}

void CBasePage::OnPaint() { PaintWithPageBackground(*this); }

}  // namespace tarnlok

#include "operations/error_prompt_dlg.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/ui/windows/messages.h"
#include "shell/dialog_texts.h"
#include "shell/resource_ids.h"

namespace tarnlok {
namespace {

constexpr int kAbortButton = 4;
constexpr int kRetryButton = 1130;
constexpr int kIgnoreButton = 1131;
constexpr int kIgnoreAllButton = 3;
constexpr int kStepText = 1132;

constexpr ControlText kButtonTexts[] = {
    {kAbortButton, 1150}, {kRetryButton, 1151}, {kIgnoreButton, 1152}, {kIgnoreAllButton, 1153}};

}  // namespace

CErrorPromptDlg::CErrorPromptDlg(ui::CWnd* parent) : CDialog(kErrorPromptTemplate, parent) {}

const ui::MessageMap& CErrorPromptDlg::GetMessageMap() const {
  static const ui::MessageMap map(&CDialog::GetMessageMap(),
                                  {
                                      ui::OnCommand(kAbortButton, &CErrorPromptDlg::OnAbort),
                                      ui::OnCommand(kRetryButton, &CErrorPromptDlg::OnRetry),
                                      ui::OnCommand(kIgnoreButton, &CErrorPromptDlg::OnIgnore),
                                      ui::OnCommand(kIgnoreAllButton, &CErrorPromptDlg::OnIgnoreAll),
                                  });
  return map;
}

win::BOOL CErrorPromptDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(LoadProgramString(kStringProgramTitle));
  SetDlgItemText(kStepText, PromptText);
  SetTexts(*this, kButtonTexts);
  return win::TRUE;
}

void CErrorPromptDlg::Answer(int value) {
  answer = value;
  OnOK();
}

}  // namespace tarnlok

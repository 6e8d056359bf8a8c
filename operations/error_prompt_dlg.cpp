#include "operations/error_prompt_dlg.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/ui/windows/messages.h"
#include "controls/dialog_texts.h"
#include "controls/resource_ids.h"

namespace tarnlok {
namespace {

using namespace error_prompt;

constexpr ControlText kButtonTexts[] = {{kAbortButton, kStringAbort},
                                        {kRetryButton, kStringRetry},
                                        {kIgnoreButton, kStringIgnore},
                                        {kIgnoreAllButton, kStringIgnoreAll}};

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

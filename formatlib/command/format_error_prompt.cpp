#include "formatlib/command/format_error_prompt.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"

#include "platform/ui/windows/message_map.h"
#include "platform/ui/windows/window_api.h"

namespace pradvik {
namespace {

constexpr int kTextControl = 1004;
constexpr int kAbortButton = 1000;
constexpr int kRetryButton = 1001;
constexpr int kIgnoreButton = 1002;
constexpr int kIgnoreAllButton = 1003;

}  // namespace

CFormatErrorDlg::CFormatErrorDlg() : CFormatErrorDlg(kTemplate) {}

CFormatErrorDlg::CFormatErrorDlg(ui::UINT templateId) : ui::CDialog(templateId) {
  m_hResourceModule = LibraryInstance();
}

const ui::MessageMap& CFormatErrorDlg::GetMessageMap() const {
  static const ui::MessageMap map(&ui::CDialog::GetMessageMap(),
                                  {
                                      ui::OnCommand(kAbortButton, &CFormatErrorDlg::OnAbort),
                                      ui::OnCommand(kRetryButton, &CFormatErrorDlg::OnRetry),
                                      ui::OnCommand(kIgnoreButton, &CFormatErrorDlg::OnIgnore),
                                      ui::OnCommand(kIgnoreAllButton, &CFormatErrorDlg::OnIgnoreAll),
                                  });
  return map;
}

ui::BOOL CFormatErrorDlg::OnInitDialog() {
  ui::CDialog::OnInitDialog();
  const ui::HWND self = GetSafeHwnd();
  ui::SetWindowTextA(self, LibraryText(kStrFormatCaption).c_str());
  ui::SetDlgItemTextA(self, kAbortButton, LibraryText(kStrButtonAbort).c_str());
  ui::SetDlgItemTextA(self, kRetryButton, LibraryText(kStrButtonRetry).c_str());
  ui::SetDlgItemTextA(self, kIgnoreButton, LibraryText(kStrButtonIgnore).c_str());
  ui::SetDlgItemTextA(self, kIgnoreAllButton, LibraryText(kStrButtonIgnoreAll).c_str());
  ui::SetDlgItemTextA(self, kTextControl, LibraryState().preparedErrorText.c_str());
  return 1;
}

void CFormatErrorDlg::Answer(std::uint8_t answer) {
  LibraryState().promptAnswer = answer;
  EndDialog(0);
}

void CFormatErrorDlg::OnAbort() { Answer(kAnswerAbort); }
void CFormatErrorDlg::OnRetry() { Answer(kAnswerRetry); }
void CFormatErrorDlg::OnIgnore() { Answer(kAnswerIgnore); }
void CFormatErrorDlg::OnIgnoreAll() { Answer(kAnswerIgnoreAll); }

CFormatErrorNoRetryDlg::CFormatErrorNoRetryDlg() : CFormatErrorDlg(kTemplate) {}

const ui::MessageMap& CFormatErrorNoRetryDlg::GetMessageMap() const {
  static const ui::MessageMap map(&ui::CDialog::GetMessageMap(),
                                  {
                                      ui::OnCommand(kAbortButton, &CFormatErrorNoRetryDlg::OnAbort),
                                      ui::OnCommand(kIgnoreButton, &CFormatErrorNoRetryDlg::OnIgnore),
                                      ui::OnCommand(kIgnoreAllButton, &CFormatErrorNoRetryDlg::OnIgnoreAll),
                                  });
  return map;
}

std::uint8_t AskAfterFailure(bool offerRetry) {
  if (offerRetry) {
    CFormatErrorDlg dialog;
    dialog.DoModal();
  } else {
    CFormatErrorNoRetryDlg dialog;
    dialog.DoModal();
  }
  return LibraryState().promptAnswer;
}

}  // namespace pradvik

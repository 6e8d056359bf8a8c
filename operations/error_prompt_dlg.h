// The per-block error prompt: names the failing step (PromptText) and asks whether to abort the
// run, retry the command, ignore this failure or ignore every later one of the run.
#pragma once

#include "platform/ui/dialogs/cdialog.h"

namespace tarnlok {

// The answers a prompt keeps; 0 before the first showing.
constexpr int PROMPT_ABORT = 30864;
constexpr int PROMPT_RETRY = 30865;
constexpr int PROMPT_IGNORE = 30866;
constexpr int PROMPT_IGNORE_ALL = 30867;

// Controls of the prompt.
namespace error_prompt {
constexpr int kAbortButton = 4;
constexpr int kRetryButton = 1130;
constexpr int kIgnoreButton = 1131;
constexpr int kIgnoreAllButton = 3;
constexpr int kStepText = 1132;
}  // namespace error_prompt

class CErrorPromptDlg : public ui::CDialog {
 public:
  explicit CErrorPromptDlg(ui::CWnd* parent = nullptr);
  win::BOOL OnInitDialog() override;
  const ui::MessageMap& GetMessageMap() const override;

  // The last button pressed; Escape leaves it as it was.
  int answer = 0;

 private:
  void Answer(int value);
  void OnAbort() { Answer(PROMPT_ABORT); }
  void OnRetry() { Answer(PROMPT_RETRY); }
  void OnIgnore() { Answer(PROMPT_IGNORE); }
  void OnIgnoreAll() { Answer(PROMPT_IGNORE_ALL); }
};

}  // namespace tarnlok

// The library's failure prompts: dialog 1000 (Abort, Retry, Ignore, Ignore All) and dialog 1001
// without Retry. A button stores its answer in the state block; Escape or the system menu end
// the dialog without storing one, so the earlier answer stands.
#pragma once

#include "platform/ui/dialogs/cdialog.h"

namespace pradvik {

class CFormatErrorDlg : public ui::CDialog {
 public:
  static constexpr ui::UINT kTemplate = 1000;
  CFormatErrorDlg();
  const ui::MessageMap& GetMessageMap() const override;
  ui::BOOL OnInitDialog() override;

 protected:
  explicit CFormatErrorDlg(ui::UINT templateId);
  void Answer(std::uint8_t answer);
  void OnAbort();
  void OnIgnore();
  void OnIgnoreAll();

 private:
  void OnRetry();
};

class CFormatErrorNoRetryDlg : public CFormatErrorDlg {
 public:
  static constexpr ui::UINT kTemplate = 1001;
  CFormatErrorNoRetryDlg();
  const ui::MessageMap& GetMessageMap() const override;
};

// Shows the prompt with the prepared error text and answers the state block's answer after it.
std::uint8_t AskAfterFailure(bool offerRetry);

}  // namespace pradvik

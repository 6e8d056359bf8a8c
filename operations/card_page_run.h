// What the Restore and Duplicate runs answer the block loops alike: the cancel question and the
// progress before every block, the card identified again and messages pumped when the poll is due
// and after a failed command (kStringNoMedia and the end of the run when the card is gone), and
// each device command under the error prompt.
#pragma once

#include "device/device_entry.h"
#include "device/card_session.h"
#include "operations/card_write_run.h"
#include "operations/error_prompt_dlg.h"
#include "operations/operation_handlers.h"

#include <string>

namespace tarnlok {

class CBasePage;

class CardPageRun : public RunHooks {
 public:
  bool BeforeBlock(win::DWORD blockNumber, win::ULONGLONG position) override;
  bool BeforeWrite() override;
  bool Step(win::UINT promptString, const std::function<bool()>& command) override;

 protected:
  CardPageRun(ui::CWnd& page, CBasePage* sheet, ui::CWnd& cancelButton, int blockValueId, int percentId,
              ui::CProgressCtrl& bar);

  // The device-list entry of the page's row; null when the row names none.
  static DeviceEntry* EntryOfRow(int row);

  CErrorPromptDlg prompt_;
  RunProgress progress_;
  CardSession card_;
  DeviceEntry* entry_ = nullptr;
  // Where this phase's positions start on the progress bar: the duplicate writes after it read.
  win::ULONGLONG phaseStart_ = 0;
  RunPoll poll_;

 private:
  CBasePage* sheet_;
  ui::CWnd& cancelButton_;
};

// Keeps the text in MessageText and shows it.
int ShowMessageText(const std::string& text, win::UINT type);

}  // namespace tarnlok

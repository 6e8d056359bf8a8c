// What the Backup, Restore, Duplicate, Format and Recovery pages share while they run an
// operation inside a button handler: the Cancel handler, the page that will not be left while a
// run is busy, the cancel question between blocks, message pumping, the progress texts and the
// per-block error prompt protocol.
#pragma once

#include "operations/error_prompt_dlg.h"
#include "platform/ui/controls/controls.h"
#include "platform/ui/windows/cwnd.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "platform/win/system/types.h"

#include <functional>
#include <initializer_list>

namespace tarnlok {

// The Cancel buttons' handler: asks the running loop to stop at its next block; idle, it does nothing.
void RequestCancel();

// The operation pages' OnKillActive: FALSE keeps the page while an operation is busy.
win::BOOL PageKillActive(ui::CPropertyPage& page);

// The cancel poll at the top of a block: true when the user confirmed a pending request (the
// run then ends); a declined request is cleared and the run goes on.
bool CancelConfirmed();

// Focuses the page's Cancel button and hands every pending message of the sheet's windows
// through the framework (accelerators and dialog keys included) before the next block.
void PumpSheetMessages(ui::CWnd& sheet, ui::CWnd* cancelButton);

// When a block loop next pumps messages and asks whether its card is still there: at its first
// block and then every 50 ms. Doing both for every block costs more than the copy of a fast card,
// while a window that answers within 50 ms still answers at once to the person; a card pulled in
// between fails its next command, whose prompt asks after the card before anything else.
class RunPoll {
 public:
  bool Due();

 private:
  bool started_ = false;
  win::DWORD last_ = 0;
};

// The block number, percentage and progress bar of a running page; the bar steps once for each
// change of the percentage. The block number is redrawn when the percentage changes and at most
// every 100 ms between, since repainting the page for every block would cost more than reading it.
class RunProgress {
 public:
  RunProgress(ui::CWnd& page, int blockValueId, int percentId, ui::CProgressCtrl& bar);
  void SetTotal(win::ULONGLONG total) { total_ = total; }
  win::ULONGLONG Total() const { return total_; }
  // Shows " %d (0x%X)" of blockNumber and the percentage that position is of the total.
  void Show(win::DWORD blockNumber, win::ULONGLONG position);
  // Shows the last block number, 100 % and a full bar.
  void Finish(win::DWORD lastBlockNumber);

 private:
  ui::CWnd& page_;
  int blockValueId_;
  int percentId_;
  ui::CProgressCtrl& bar_;
  win::ULONGLONG total_ = 0;
  int lastPercent_ = 0;
  win::DWORD lastShown_ = 0;
};

// " %d (0x%X)" of a number, as the operation pages show block counts.
std::string BlockNumberText(win::DWORD number);

enum class StepResult { Done, Aborted, CardGone };

// One device command under the error prompt: loads the step's string into PromptText and sends
// the command; a failure shows the prompt (never again after Ignore All), Retry sends again,
// Abort answers Aborted, Ignore goes on with whatever the command left in its buffer. When
// cardPresent is given and denies the card after a failure, the answer is CardGone without a
// prompt: no answer of the user could help then.
StepResult RunPromptedCommand(CErrorPromptDlg& prompt, win::UINT stepString, const std::function<bool()>& command,
                              const std::function<bool()>& cardPresent = {});

// The main window's device list, which a run disables; null when there is none.
ui::CWnd* MainDeviceList();

void EnableControls(ui::CWnd& page, std::initializer_list<int> ids, bool enable);
void ShowControls(ui::CWnd& page, std::initializer_list<int> ids, bool show);

}  // namespace tarnlok

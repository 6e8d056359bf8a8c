// The modeless progress dialog of a long step that runs inside a button handler (the analysis
// of a raw flash card's physical blocks): two value fields, a status line, a bar with its
// percentage and a Cancel button. While it is open its owner is disabled. It never ends
// itself: the step pumps messages through StepProgress and PollCancel and destroys it at the end.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/cdialog.h"

#include <string>

namespace tarnlok {

// The two value fields callers fill through SetStatusLine.
constexpr int kProgressValueTotal = 1135;
constexpr int kProgressValueCurrent = 1136;

// The dialog's other controls.
namespace progress_dialog {
constexpr int kTotalLabel = 1133;
constexpr int kCurrentLabel = 1134;
constexpr int kActivityText = 1137;
constexpr int kPercentText = 1138;
constexpr int kBlockDetailsFrame = 1142;
constexpr int kProgressBar = 1035;
}  // namespace progress_dialog

class CProgressDlg : public ui::CDialog {
 public:
  // captionId 0: "Analysing Physical blocks".
  explicit CProgressDlg(win::UINT captionId = 0);
  ~CProgressDlg() override;

  // Disables the owner (the safe owner of parent) when it is enabled; false when the window
  // could not be made, with the owner enabled again. Without a window the other calls do nothing.
  bool CreateModeless(ui::CWnd* parent = nullptr);
  void SetProgressRange(int lower, int upper);
  void SetProgressStep(int step);
  void SetStatusLine(int controlId, const std::string& text);
  // Pumps pending messages, steps the bar and shows the new percentage; answers the position
  // before the step.
  int StepProgress();
  // Pumps pending messages; answers whether Cancel was pressed since the last poll.
  bool PollCancel();
  // Enables the owner it disabled, then destroys the window.
  win::BOOL DestroyWindow() override;

  win::BOOL OnInitDialog() override;

  // The percentage text of a position: 100 at the full range, otherwise the percentage modulo
  // 100; an empty range counts as done.
  static std::string PercentText(int position, int lower, int upper);

 protected:
  void OnOK() override {}
  void OnCancel() override { cancelRequested_ = true; }

 private:
  void ReenableOwner();
  void PumpMessages();
  void ShowPercent(int position);

  ui::CProgressCtrl progress_;
  win::UINT captionId_;
  int lower_ = 0;
  int upper_ = 100;
  int step_ = 1;
  bool cancelRequested_ = false;
  bool ownerDisabled_ = false;
  ui::HWND owner_ = nullptr;
};

}  // namespace tarnlok

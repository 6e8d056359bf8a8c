#include "controls/progress_dlg.h"

#include "device/string_ids.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "controls/dialog_texts.h"
#include "controls/resource_ids.h"

#include <cstdio>

namespace tarnlok {
namespace {

using namespace progress_dialog;

constexpr ControlText kTexts[] = {
    {kBlockDetailsFrame, kStringBlockDetails}, {kTotalLabel, kStringTotalBlocks}, {kCurrentLabel, kStringCurrentBlock},
    {kActivityText, kStringAnalysingBlocks},   {ui::IDCANCEL, kStringCancel},
};

}  // namespace

CProgressDlg::CProgressDlg(win::UINT captionId)
    : CDialog(kProgressDlgTemplate), captionId_(captionId != 0 ? captionId : kStringProgressCaption) {}

CProgressDlg::~CProgressDlg() {
  if (m_hWnd != nullptr) DestroyWindow();
}

bool CProgressDlg::CreateModeless(ui::CWnd* parent) {
  ui::CWnd* owner = ui::CWnd::GetSafeOwner(parent);
  owner_ = owner != nullptr ? owner->m_hWnd : nullptr;
  if (owner_ != nullptr && ui::IsWindowEnabled(owner_)) {
    ui::EnableWindow(owner_, win::FALSE);
    ownerDisabled_ = true;
  }
  if (Create(kProgressDlgTemplate, owner)) return true;
  ReenableOwner();
  return false;
}

win::BOOL CProgressDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  progress_.SubclassDlgItem(kProgressBar, this);
  progress_.SetRange32(lower_, upper_);
  progress_.SetStep(step_);
  progress_.SetPos(lower_);
  SetTexts(*this, kTexts);
  SetWindowText(LoadProgramString(captionId_));
  return win::TRUE;
}

void CProgressDlg::SetProgressRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  // The whole 32-bit range: a card of more than 65535 blocks would wrap a 16-bit one.
  if (progress_.m_hWnd != nullptr) progress_.SetRange32(lower, upper);
}

void CProgressDlg::SetProgressStep(int step) {
  step_ = step;
  if (progress_.m_hWnd != nullptr) progress_.SetStep(step);
}

void CProgressDlg::SetStatusLine(int controlId, const std::string& text) {
  if (m_hWnd != nullptr) SetDlgItemText(controlId, text);
}

int CProgressDlg::StepProgress() {
  PumpMessages();
  if (progress_.m_hWnd == nullptr) return lower_;
  const int previous = progress_.StepIt();
  ShowPercent(previous + step_);
  return previous;
}

bool CProgressDlg::PollCancel() {
  PumpMessages();
  const bool requested = cancelRequested_;
  cancelRequested_ = false;
  return requested;
}

win::BOOL CProgressDlg::DestroyWindow() {
  ReenableOwner();
  return CDialog::DestroyWindow();
}

std::string CProgressDlg::PercentText(int position, int lower, int upper) {
  const long long range = static_cast<long long>(upper) - lower;
  const long long percent = range == 0 ? 100 : (static_cast<long long>(position) - lower) * 100 / range;
  char text[32];
  std::snprintf(text, sizeof text, "%d%c", static_cast<int>(percent == 100 ? percent : percent % 100), '%');
  return text;
}

void CProgressDlg::ShowPercent(int position) {
  const std::string text = PercentText(position, lower_, upper_);
  if (GetDlgItemText(kPercentText) != text) SetDlgItemText(kPercentText, text);
}

void CProgressDlg::ReenableOwner() {
  if (ownerDisabled_ && ui::IsWindow(owner_)) ui::EnableWindow(owner_, win::TRUE);
  ownerDisabled_ = false;
}

void CProgressDlg::PumpMessages() {
  ui::MSG msg{};
  while (ui::PeekMessage(&msg, nullptr, 0, 0, ui::PM_REMOVE)) {
    if (msg.message == ui::WM_QUIT) {
      // The quit belongs to the loop that runs the program: hand it back and stop here.
      ui::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (m_hWnd != nullptr && ui::IsDialogMessage(m_hWnd, &msg)) continue;
    ui::TranslateMessage(&msg);
    ui::DispatchMessage(&msg);
  }
}

}  // namespace tarnlok

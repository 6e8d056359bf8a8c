#include "operations/operation_handlers.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/operation_state.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/win_app.h"
#include "platform/win/system/system_clock.h"
#include "controls/control_ids.h"

#include <cstdio>

namespace tarnlok {
namespace {}  // namespace

void RequestCancel() {
  if (OperationBusy != 0) CancelRequested = 1;
}

win::BOOL PageKillActive(ui::CPropertyPage& page) {
  if (OperationBusy != 0) return win::FALSE;
  return page.ui::CPropertyPage::OnKillActive();
}

bool CancelConfirmed() {
  if (CancelRequested != 1) return false;
  const int answer = ShowStringMessage(kStringCancelQuestion, ui::MB_YESNO | ui::MB_ICONQUESTION | ui::MB_DEFBUTTON2);
  if (answer == ui::IDYES) return true;
  CancelRequested = 0;
  return false;
}

void PumpSheetMessages(ui::CWnd& sheet, ui::CWnd* cancelButton) {
  if (cancelButton != nullptr && cancelButton->m_hWnd != nullptr) cancelButton->SetFocus();
  ui::MSG msg{};
  while (sheet.m_hWnd != nullptr && ui::PeekMessage(&msg, sheet.m_hWnd, 0, 0, ui::PM_REMOVE)) {
    if (ui::CWnd::WalkPreTranslateTree(sheet.m_hWnd, &msg)) continue;
    ui::TranslateMessage(&msg);
    ui::DispatchMessage(&msg);
  }
}

bool RunPoll::Due() {
  constexpr win::DWORD kPollInterval = 50;
  const win::DWORD now = win::GetTickCount();
  if (started_ && now - last_ < kPollInterval) return false;
  started_ = true;
  last_ = now;
  return true;
}

RunProgress::RunProgress(ui::CWnd& page, int blockValueId, int percentId, ui::CProgressCtrl& bar)
    : page_(page), blockValueId_(blockValueId), percentId_(percentId), bar_(bar) {}

std::string BlockNumberText(win::DWORD number) {
  char text[32];
  std::snprintf(text, sizeof(text), " %d (0x%X)", static_cast<int>(number), static_cast<unsigned>(number));
  return text;
}

void RunProgress::Show(win::DWORD blockNumber, win::ULONGLONG position) {
  constexpr win::DWORD kRedrawInterval = 100;
  const int percent = total_ == 0 ? 0 : static_cast<int>(position * 100 / total_);
  const win::DWORD now = win::GetTickCount();
  const bool changed = percent != lastPercent_;
  if (changed || position == 0 || now - lastShown_ >= kRedrawInterval) {
    page_.SetDlgItemText(blockValueId_, BlockNumberText(blockNumber));
    page_.SetDlgItemText(percentId_, std::to_string(percent) + " %");
    lastShown_ = now;
  }
  if (changed) {
    bar_.StepIt();
    lastPercent_ = percent;
  }
}

void RunProgress::Finish(win::DWORD lastBlockNumber) {
  page_.SetDlgItemText(blockValueId_, BlockNumberText(lastBlockNumber));
  bar_.SetPos(100);
  page_.SetDlgItemText(percentId_, "100 %");
}

StepResult RunPromptedCommand(CErrorPromptDlg& prompt, win::UINT stepString, const std::function<bool()>& command,
                              const std::function<bool()>& cardPresent) {
  for (;;) {
    PromptText = LoadProgramString(stepString);
    if (command()) return StepResult::Done;
    if (cardPresent && !cardPresent()) return StepResult::CardGone;
    if (prompt.answer == PROMPT_IGNORE_ALL) return StepResult::Done;
    prompt.DoModal();
    if (prompt.answer == PROMPT_ABORT) return StepResult::Aborted;
    if (prompt.answer != PROMPT_RETRY) return StepResult::Done;
  }
}

ui::CWnd* MainDeviceList() {
  ui::CWnd* main = ui::AfxGetMainWnd();
  return main != nullptr && main->m_hWnd != nullptr ? main->GetDlgItem(kDeviceListControl) : nullptr;
}

void EnableControls(ui::CWnd& page, std::initializer_list<int> ids, bool enable) {
  for (const int id : ids) {
    if (ui::CWnd* control = page.GetDlgItem(id)) control->EnableWindow(enable ? win::TRUE : win::FALSE);
  }
}

void ShowControls(ui::CWnd& page, std::initializer_list<int> ids, bool show) {
  for (const int id : ids) {
    if (ui::CWnd* control = page.GetDlgItem(id)) control->ShowWindow(show ? ui::SW_SHOW : ui::SW_HIDE);
  }
}

}  // namespace tarnlok

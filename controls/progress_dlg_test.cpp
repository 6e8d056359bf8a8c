// The modeless progress dialog, driven headless: its texts, the percentage of each step, Cancel
// pressed between polls, the owner it disables and enables again, and the pump that must hand a
// quit request back to the loop that runs the program.
#include "controls/progress_dlg.h"

#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

TEST(ProgressPercent, FollowsTheRangeAndWrapsPastItsEnd) {
  EXPECT_EQ(CProgressDlg::PercentText(1, 0, 200), "0%") << "1 of 200 is below one percent";
  EXPECT_EQ(CProgressDlg::PercentText(100, 0, 200), "50%");
  EXPECT_EQ(CProgressDlg::PercentText(200, 0, 200), "100%");
  EXPECT_EQ(CProgressDlg::PercentText(300, 0, 200), "50%") << "150 % shows 50 %";
  EXPECT_EQ(CProgressDlg::PercentText(15, 10, 20), "50%") << "from the lower end";
  EXPECT_EQ(CProgressDlg::PercentText(0, 0, 0), "100%") << "an empty range is done, not a division by zero";
  EXPECT_EQ(CProgressDlg::PercentText(7, 7, 7), "100%");
}

class ProgressDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = ui::CreateWindowExA(0, ui::kDialogClass, "Owner", ui::WS_POPUP | ui::WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override {
    dialog_.reset();
    ui::DestroyWindow(owner_);
    EXPECT_TRUE(failures_.empty()) << failures_.front();
  }
  void Open() {
    dialog_ = std::make_unique<CProgressDlg>();
    ASSERT_TRUE(dialog_->CreateModeless(ui::CWnd::FromHandle(owner_)));
  }
  std::string Text(int id) const { return dialog_->GetDlgItemText(id); }

  std::vector<std::string> failures_;
  ui::TestDriver driver_{[this](const std::string& what) { failures_.push_back(what); }};
  ui::HWND owner_ = nullptr;
  std::unique_ptr<CProgressDlg> dialog_;
};

TEST_F(ProgressDialog, ShowsItsTextsAndDisablesItsOwnerWhileOpen) {
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(dialog_->GetWindowText(), "Analysing Physical blocks");
  EXPECT_EQ(Text(progress_dialog::kBlockDetailsFrame), "Physical Block details");
  EXPECT_EQ(Text(progress_dialog::kTotalLabel), "Total Blocks:");
  EXPECT_EQ(Text(progress_dialog::kCurrentLabel), "Current Block:");
  EXPECT_EQ(Text(progress_dialog::kActivityText), "Analysing physical blocks, please wait...");
  EXPECT_EQ(Text(ui::IDCANCEL), "&Cancel");
  EXPECT_TRUE(dialog_->IsWindowVisible());
  EXPECT_FALSE(ui::IsWindowEnabled(owner_));
  dialog_->SetStatusLine(kProgressValueTotal, " 2048 (0x800)");
  EXPECT_EQ(Text(kProgressValueTotal), " 2048 (0x800)");
  dialog_->DestroyWindow();
  EXPECT_TRUE(ui::IsWindowEnabled(owner_));
  EXPECT_EQ(dialog_->m_hWnd, nullptr);
}

TEST_F(ProgressDialog, EachStepMovesTheBarAndShowsThePercentageOfTheNewPosition) {
  ASSERT_NO_FATAL_FAILURE(Open());
  dialog_->SetProgressRange(0, 200);
  dialog_->SetProgressStep(1);
  EXPECT_EQ(dialog_->StepProgress(), 0) << "the position before the step";
  EXPECT_EQ(Text(progress_dialog::kPercentText), "0%");
  for (int i = 1; i < 100; ++i) dialog_->StepProgress();
  EXPECT_EQ(Text(progress_dialog::kPercentText), "50%");
  for (int i = 100; i < 199; ++i) dialog_->StepProgress();
  EXPECT_EQ(dialog_->StepProgress(), 199);
  EXPECT_EQ(Text(progress_dialog::kPercentText), "100%");
  EXPECT_EQ(ui::SendMessage(ui::GetDlgItem(dialog_->m_hWnd, progress_dialog::kProgressBar), ui::PBM_GETPOS, 0, 0), 200);
}

TEST_F(ProgressDialog, AnEmptyRangeStepsWithoutFailing) {
  ASSERT_NO_FATAL_FAILURE(Open());
  dialog_->SetProgressRange(0, 0);
  dialog_->StepProgress();
  EXPECT_EQ(Text(progress_dialog::kPercentText), "100%");
}

TEST_F(ProgressDialog, CancelPressedTwiceBetweenPollsCountsOnceAndLeavesTheDialogOpen) {
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_FALSE(dialog_->PollCancel());
  ASSERT_TRUE(driver_.Click(dialog_->m_hWnd, ui::IDCANCEL));
  ASSERT_TRUE(driver_.Click(dialog_->m_hWnd, ui::IDCANCEL));
  EXPECT_TRUE(dialog_->PollCancel()) << "the clicks reach the dialog through the poll's pump";
  EXPECT_FALSE(dialog_->PollCancel());
  EXPECT_NE(dialog_->m_hWnd, nullptr);
  // Escape is Cancel too; the OK command does nothing.
  dialog_->PostMessage(ui::WM_COMMAND, ui::IDOK, 0);
  EXPECT_FALSE(dialog_->PollCancel());
  EXPECT_NE(dialog_->m_hWnd, nullptr);
  ASSERT_TRUE(driver_.Escape());
  EXPECT_TRUE(dialog_->PollCancel());
}

TEST_F(ProgressDialog, APumpThatMeetsAQuitRequestHandsItBack) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ui::PostQuitMessage(7);
  EXPECT_FALSE(dialog_->PollCancel());
  dialog_->StepProgress();
  ui::MSG msg{};
  ASSERT_TRUE(ui::PeekMessage(&msg, nullptr, ui::WM_QUIT, ui::WM_QUIT, ui::PM_REMOVE));
  EXPECT_EQ(msg.message, ui::WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ProgressDialog, AnOwnerDisabledBeforeStaysDisabledAndTheDestructorClosesTheWindow) {
  ui::EnableWindow(owner_, win::FALSE);
  ASSERT_NO_FATAL_FAILURE(Open());
  dialog_->DestroyWindow();
  EXPECT_FALSE(ui::IsWindowEnabled(owner_));
  ui::EnableWindow(owner_, win::TRUE);
  ASSERT_NO_FATAL_FAILURE(Open());
  const ui::HWND window = dialog_->m_hWnd;
  dialog_.reset();
  EXPECT_FALSE(ui::IsWindow(window));
  EXPECT_TRUE(ui::IsWindowEnabled(owner_));
}

}  // namespace
}  // namespace tarnlok

// The per-block error prompt and the protocol a run drives it by; the Cancel handler, the cancel
// question and the page that keeps the sheet while a run is busy.
#include "device/device_state.h"
#include "device/string_ids.h"
#include "device/testing/device_test_support.h"
#include "operations/error_prompt_dlg.h"
#include "operations/operation_handlers.h"
#include "operations/operation_state.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"
#include "controls/resource_ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnlok {
namespace {

std::string Text(ui::HWND dialog, int id) {
  char text[256] = {};
  ui::GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

class ErrorPrompt : public test_support::DeviceStateTest {
 protected:
  void TearDown() override {
    CancelRequested = 0;
    DeviceStateTest::TearDown();
  }

  // The prompt answers with a button (0: Escape), recording the step text it showed.
  void Answer(int button) {
    driver.OnDialog(static_cast<int>(kErrorPromptTemplate), [this, button](ui::HWND dialog) {
      shown.push_back(Text(dialog, error_prompt::kStepText));
      if (button == 0) {
        driver.Escape();
      } else {
        driver.Click(dialog, button);
      }
    });
  }

  // A command that fails the first failures times, then succeeds.
  std::function<bool()> FailingTimes(int failures) {
    return [this, failures] { return ++sent > failures; };
  }

  ui::TestDriver driver{test_support::FailTest};
  CErrorPromptDlg prompt;
  std::vector<std::string> shown;
  int sent = 0;
};

TEST_F(ErrorPrompt, ShowsTheStepAndItsFourButtons) {
  driver.OnDialog(static_cast<int>(kErrorPromptTemplate), [this](ui::HWND dialog) {
    EXPECT_EQ(Text(dialog, error_prompt::kStepText), "Unable to read the Extra Data.");
    EXPECT_EQ(Text(dialog, error_prompt::kAbortButton), "&Abort");
    EXPECT_EQ(Text(dialog, error_prompt::kRetryButton), "&Retry");
    EXPECT_EQ(Text(dialog, error_prompt::kIgnoreButton), "&Ignore");
    EXPECT_EQ(Text(dialog, error_prompt::kIgnoreAllButton), "I&gnore All");
    char caption[64] = {};
    ui::GetWindowTextA(dialog, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Tarnlok V2");
    driver.Click(dialog, error_prompt::kAbortButton);
  });
  EXPECT_EQ(RunPromptedCommand(prompt, kStringExtraDataUnreadable, FailingTimes(1)), StepResult::Aborted);
  EXPECT_EQ(prompt.answer, PROMPT_ABORT);
}

TEST_F(ErrorPrompt, SuccessNeverAsks) {
  EXPECT_EQ(RunPromptedCommand(prompt, kStringReadFailed, FailingTimes(0)), StepResult::Done);
  EXPECT_TRUE(driver.Started().empty());
}

TEST_F(ErrorPrompt, RetrySendsAgainAndASecondFailureAsksAgainWithTheSameStep) {
  Answer(error_prompt::kRetryButton);
  Answer(error_prompt::kRetryButton);
  EXPECT_EQ(RunPromptedCommand(prompt, kStringRedundantUnreadable, FailingTimes(2)), StepResult::Done);
  EXPECT_EQ(sent, 3);
  EXPECT_EQ(shown,
            (std::vector<std::string>{"Unable to read the Redundant Data.", "Unable to read the Redundant Data."}));
}

TEST_F(ErrorPrompt, EscapeOnTheFirstShowingGoesOnAsIgnore) {
  Answer(0);
  EXPECT_EQ(RunPromptedCommand(prompt, kStringReadFailed, FailingTimes(5)), StepResult::Done);
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(prompt.answer, 0);
}

TEST_F(ErrorPrompt, EscapeAfterAnEarlierRetryRetriesAgain) {
  Answer(error_prompt::kRetryButton);
  Answer(0);
  Answer(error_prompt::kIgnoreButton);
  EXPECT_EQ(RunPromptedCommand(prompt, kStringReadFailed, FailingTimes(5)), StepResult::Done);
  EXPECT_EQ(sent, 3) << "Retry, then Escape keeping Retry, then Ignore";
}

TEST_F(ErrorPrompt, IgnoreAllSilencesEveryLaterFailureOfTheRunButNotOfTheNext) {
  Answer(error_prompt::kIgnoreAllButton);
  EXPECT_EQ(RunPromptedCommand(prompt, kStringExtraDataUnreadable, FailingTimes(100)), StepResult::Done);
  EXPECT_EQ(RunPromptedCommand(prompt, kStringReadFailed, FailingTimes(100)), StepResult::Done);
  EXPECT_EQ(RunPromptedCommand(prompt, kStringRedundantUnreadable, FailingTimes(100)), StepResult::Done);
  EXPECT_EQ(shown.size(), 1u);
  CErrorPromptDlg nextRun;
  Answer(error_prompt::kIgnoreButton);
  EXPECT_EQ(RunPromptedCommand(nextRun, kStringReadFailed, FailingTimes(100)), StepResult::Done);
  EXPECT_EQ(shown.size(), 2u) << "a new run prompts again";
}

TEST_F(ErrorPrompt, CancelWhileIdleDoesNothing) {
  OperationBusy = 0;
  RequestCancel();
  EXPECT_EQ(CancelRequested, 0u);
  EXPECT_FALSE(CancelConfirmed());
  EXPECT_TRUE(prompter.Asked().empty());
}

TEST_F(ErrorPrompt, CancelAsksAtTheNextBlockAndNoGoesOn) {
  OperationBusy = 1;
  RequestCancel();
  EXPECT_EQ(CancelRequested, 1u);
  prompter.AnswerMessageBox(ui::IDNO, "Do you want to cancel the current operation?");
  EXPECT_FALSE(CancelConfirmed());
  EXPECT_EQ(CancelRequested, 0u);
  EXPECT_FALSE(CancelConfirmed()) << "nothing pending: no question";
  RequestCancel();
  prompter.AnswerMessageBox(ui::IDYES, "Do you want to cancel the current operation?");
  EXPECT_TRUE(CancelConfirmed());
  ASSERT_EQ(prompter.Asked().size(), 2u);
  EXPECT_EQ(prompter.Asked()[0].type, ui::MB_YESNO | ui::MB_ICONQUESTION | ui::MB_DEFBUTTON2);
}

}  // namespace
}  // namespace tarnlok

// The Duplicate page run in the whole program on the simulated machine: a card copied onto
// another through a card swap, a wrong second card refused until the right one is in, the
// temporary-file road when no memory block that large is had, and the file gone on every way out.
#include "device/device_state.h"
#include "operations/dup_page.h"
#include "operations/error_prompt_dlg.h"
#include "operations/operation_state.h"
#include "operations/testing/page_runs.h"
#include "operations/tool_page.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/system/c_random.h"
#include "platform/win/system/global_memory.h"
#include "platform/win/system/manual_clock.h"
#include "platform/win/files/paths.h"
#include "controls/resource_ids.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <regex>

namespace tarnlok {
namespace {

using test_support::Bytes;
using test_support::ReadHostBytes;

constexpr int kRowE = 0;

std::filesystem::path Home(const std::string& name) { return tarnlok::test_support::TestDataHome() / name; }

std::vector<std::filesystem::path> TemporaryFiles() {
  std::vector<std::filesystem::path> files;
  const auto folder = win::HostPathOf("C:\\Program Files\\Tarnlok\\");
  if (!folder || !std::filesystem::exists(*folder)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(*folder)) {
    if (entry.path().extension() == ".TMP") files.push_back(entry.path());
  }
  return files;
}

// Fills the program folder with files under every temporary name the run can draw in its
// first minute (the clock moves only as the run sleeps), each seed's first draws names.
std::vector<std::filesystem::path> TakeTemporaryNames(int drawsPerSeed) {
  const std::time_t now = win::time(nullptr);
  std::vector<std::filesystem::path> taken;
  for (std::time_t second = now; second < now + 60; ++second) {
    win::srand(static_cast<unsigned>(second));
    for (int draw = 0; draw < drawsPerSeed; ++draw) {
      char name[32];
      std::snprintf(name, sizeof name, "%04d.TMP", win::rand());
      taken.push_back(*win::HostPathOf("C:\\Program Files\\Tarnlok\\") / name);
      test_support::WriteHostBytes(taken.back(), test_support::PatternBytes(3000, 0x5D));
    }
  }
  std::sort(taken.begin(), taken.end());
  taken.erase(std::unique(taken.begin(), taken.end()), taken.end());
  return taken;
}

class DuplicatePage : public test_support::PageRunTest {
 protected:
  void TearDown() override {
    win::SetGlobalAllocLimit(0);
    PageRunTest::TearDown();
  }

  // E holds the source; K a card of the same size, W a smaller one.
  void StartMachine(const std::string& faultsOfE = "") {
    source = test_support::PatternBytes(20000 * 512, 0x21);
    test_support::WriteHostBytes(Home("e.img"), source);
    test_support::WriteHostBytes(Home("k.img"), test_support::PatternBytes(20000 * 512, 0x9C));
    test_support::WriteHostBytes(Home("w.img"), test_support::PatternBytes(10000 * 512, 0x44));
    Start(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "E",
        "card": { "kind": "cf", "image": "e.img", "sectors": 20000 )" +
          faultsOfE + R"( } },
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "K",
        "card": { "kind": "cf", "image": "k.img", "sectors": 20000 } },
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "W",
        "card": { "kind": "cf", "image": "w.img", "sectors": 10000 } } ] })");
  }

  // duringRun is called just before the click that starts the run, to schedule actions in it.
  void Duplicate(const std::function<void(ui::HWND)>& duringRun = {}) {
    OnPage(kDuplicateTool, kDuplicatePageTemplate, kRowE, [this, duringRun](ui::HWND page) {
      EXPECT_TRUE(test_support::ItemText(page, duplicate_page::kDeviceValue).ends_with("[E:]"));
      driver.WhenIdle([this, page, duringRun] {
        if (duringRun) duringRun(page);
        driver.Click(page, duplicate_page::kDuplicateButton);
      });
      driver.WhenIdle([page] {
        EXPECT_FALSE(ui::IsWindowVisible(ui::GetDlgItem(page, duplicate_page::kCancelButton)));
        EXPECT_TRUE(ui::IsWindowEnabled(ui::GetDlgItem(page, duplicate_page::kDuplicateButton)));
        EXPECT_EQ(OperationBusy, 0u);
      });
    });
  }

  void ExpectConfirmation() {
    prompter.AnswerMessageBox(ui::IDOK, "Please close all the application(s) that are using this drive");
  }

  // A run that succeeds, the source swapped for K when the blank card is asked for; the
  // temporary files present while the run waits for it.
  std::vector<std::filesystem::path> DuplicateThroughTheSwap() {
    test_support::ActingPrompter acting(prompter);
    std::vector<std::filesystem::path> during;
    acting.When("Please insert a new blank writable media", [&] {
      during = TemporaryFiles();
      machine_->SwapCards('E', 'K');
    });
    ExpectConfirmation();
    prompter.AnswerMessageBox(ui::IDOK, "Successfully read the source media contents.");
    prompter.AnswerMessageBox(ui::IDOK, "Successfully duplicated the media.");
    Duplicate();
    return during;
  }

  Bytes source;
};

TEST_F(DuplicatePage, CopiesTheCardOntoTheOtherCardAfterTheSwapAndRefusesASmallerOneUntilThen) {
  StartMachine();
  test_support::ActingPrompter acting(prompter);
  // At "insert the other card" the user puts the small card in; when it is refused, the right one.
  acting.When("Please insert a new blank writable media", [this] { machine_->SwapCards('E', 'W'); });
  acting.When("The destination media is smaller", [this] { machine_->SwapCards('E', 'K'); });
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "Successfully read the source media contents.");
  prompter.AnswerMessageBox(ui::IDRETRY, "Destination Size:  5 MB");
  prompter.AnswerMessageBox(ui::IDOK, "Successfully duplicated the media.");
  Duplicate();
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == source) << "the copy";
  EXPECT_TRUE(ReadHostBytes(Home("e.img")) == source) << "the source, now in W, as it was";
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(DuplicatePage, WithoutAMemoryBlockItGoesThroughATemporaryFileThatIsGoneAfterwards) {
  StartMachine();
  win::SetGlobalAllocLimit(1 << 20);
  const auto during = DuplicateThroughTheSwap();
  ASSERT_EQ(during.size(), 1u) << "the image waits in one temporary file";
  EXPECT_TRUE(std::regex_match(during[0].filename().string(), std::regex(R"(\d{4,5}\.TMP)")));
  EXPECT_TRUE(TemporaryFiles().empty());
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == source);
}

TEST_F(DuplicatePage, FilesAlreadyUnderTemporaryNamesAreLeftAsTheyWere) {
  StartMachine();
  win::SetGlobalAllocLimit(1 << 20);
  // The first name each seed of the first minute draws is taken; the run passes over it.
  const auto clock = win::ManualClock::Install();
  const auto taken = TakeTemporaryNames(1);
  const auto during = DuplicateThroughTheSwap();
  win::SetClock(nullptr);
  EXPECT_EQ(during.size(), taken.size() + 1) << "the run's own file beside the ones that were there";
  for (const auto& file : taken) {
    EXPECT_TRUE(ReadHostBytes(file) == test_support::PatternBytes(3000, 0x5D)) << file;
    std::filesystem::remove(file);
  }
  EXPECT_TRUE(TemporaryFiles().empty());
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == source);
}

TEST_F(DuplicatePage, ATemporaryFileThatCannotBeMadeIsToldAndNothingIsWritten) {
  StartMachine();
  win::SetGlobalAllocLimit(1 << 20);
  const auto clock = win::ManualClock::Install();
  // Every name the run can draw is taken, so it has nowhere to put the image.
  const auto taken = TakeTemporaryNames(100);
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "Unable to create or write the temporary image file");
  Duplicate();
  win::SetClock(nullptr);
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(TemporaryFiles().size(), taken.size()) << "no file of the run's own";
  for (const auto& file : taken) std::filesystem::remove(file);
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == test_support::PatternBytes(20000 * 512, 0x9C)) << "nothing written";
}

TEST_F(DuplicatePage, AbortOnAReadFailureEndsTheRunAndRemovesTheTemporaryFile) {
  StartMachine(R"(, "faults": [ { "op": "read", "sector": 9000, "times": "always" } ])");
  win::SetGlobalAllocLimit(1 << 20);
  std::string step;
  driver.OnDialog(kErrorPromptTemplate, [&](ui::HWND prompt) {
    step = test_support::ItemText(prompt, error_prompt::kStepText);
    EXPECT_EQ(TemporaryFiles().size(), 1u);
    driver.Click(prompt, error_prompt::kAbortButton);
  });
  ExpectConfirmation();
  Duplicate();
  EXPECT_EQ(step, "Unable to read from the media.");
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(TemporaryFiles().empty());
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == test_support::PatternBytes(20000 * 512, 0x9C)) << "nothing written";
}

TEST_F(DuplicatePage, TheCancelButtonEndsTheReadWithTheCardUntouchedAndNoTemporaryFile) {
  PollAtEveryBlock();
  StartMachine();
  win::SetGlobalAllocLimit(1 << 20);
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDYES, "Do you want to cancel the current operation?");
  Duplicate([this](ui::HWND page) {
    driver.AfterPumps(30, [this, page] { driver.Click(page, duplicate_page::kCancelButton); });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(TemporaryFiles().empty());
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == test_support::PatternBytes(20000 * 512, 0x9C)) << "nothing written";
}

TEST_F(DuplicatePage, CancelDuringTheWritePhaseEndsTheRun) {
  StartMachine();
  test_support::ActingPrompter acting(prompter);
  acting.When("Please insert a new blank writable media", [this] {
    machine_->SwapCards('E', 'K');
    CancelRequested = 1;  // as the Cancel button does once the run is busy again
  });
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "Successfully read the source media contents.");
  prompter.AnswerMessageBox(ui::IDYES, "Do you want to cancel the current operation?");
  Duplicate();
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == test_support::PatternBytes(20000 * 512, 0x9C)) << "nothing written";
}

// A SmartMedia copy reads each written block's redundant data back; on the new card that read
// fails once. The error prompt says so, and its answer decides: Retry reads it again and the
// copy goes on, Abort ends the run with no success.
class DuplicateReadBack : public DuplicatePage, public ::testing::WithParamInterface<int> {};

TEST_P(DuplicateReadBack, AFailedReadBackReachesThePromptAndItsAnswerDecides) {
  const int answer = GetParam();
  Start(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "letter": "E", "card": { "kind": "sm", "image": "sm-e.img", "deviceCode": 110 } },
    { "bus": "usb", "maker": true, "letter": "K", "card": { "kind": "sm", "image": "sm-k.img", "deviceCode": 110,
      "faults": [ { "op": "readSpare", "block": 1 } ] } } ] })");
  test_support::ActingPrompter acting(prompter);
  acting.When("Please insert a new blank writable media", [this] { machine_->SwapCards('E', 'K'); });
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "Successfully read the source media contents.");
  if (answer == error_prompt::kRetryButton) prompter.AnswerMessageBox(ui::IDOK, "Successfully duplicated the media.");
  std::vector<std::string> steps;
  driver.OnDialog(kErrorPromptTemplate, [&](ui::HWND prompt) {
    steps.push_back(test_support::ItemText(prompt, error_prompt::kStepText));
    driver.Click(prompt, answer);
  });
  Duplicate();
  EXPECT_EQ(steps, std::vector<std::string>{"Unable to read the Redundant Data."});
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Answers, DuplicateReadBack,
                         ::testing::Values(error_prompt::kRetryButton, error_prompt::kAbortButton));

}  // namespace
}  // namespace tarnlok

// Faults during a backup, injected through the machine and the host: each ends with the prompt
// or message the user must see, and with either a complete correct image or none at all.
#include "device/device_entry.h"
#include "device/testing/card_images.h"
#include "operations/backup_test_support.h"
#include "operations/error_prompt_dlg.h"
#include "platform/win/files/volumes.h"
#include "controls/resource_ids.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::ReadHostFile;

constexpr char kNoMedia[] = "Media NOT present !!!";

std::string CardMachine(const std::string& extra, int sectors = 20000) {
  test_support::WriteImage("card.img", test_support::Partitioned(test_support::FormattedVolume(16, sectors - 64), 64));
  return R"({ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
    "card": { "kind": "cf", "image": "card.img", "sectors": )" +
         std::to_string(sectors) + extra + R"( } } ] })";
}

class BackupFaults : public test_support::BackupProgramTest {
 protected:
  void TearDown() override {
    win::SetInjectedHostFreeSpace(std::nullopt);
    test_support::BackupProgramTest::TearDown();
  }
  // The prompt answers once with this button.
  void AnswerPrompt(int button) {
    driver.OnDialog(kErrorPromptTemplate, [this, button](ui::HWND prompt) {
      prompts.push_back(ItemTextOf(prompt, error_prompt::kStepText));
      driver.Click(prompt, button);
    });
  }
  static std::string ItemTextOf(ui::HWND dialog, int id) { return test_support::ItemText(dialog, id); }
  std::vector<std::string> prompts;
};

TEST_F(BackupFaults, AnIgnoredReadFaultLeavesItsSectorsZeroAndTheRestExact) {
  Start(CardMachine(R"(, "faults": [ { "op": "read", "sector": 5000, "times": 1 } ])"));
  ExpectConfirmation();
  AnswerPrompt(error_prompt::kIgnoreButton);
  ExpectSuccess();
  RunBackup({});
  EXPECT_EQ(prompts, std::vector<std::string>{"Unable to read from the media."});
  auto expected = ReadHostFile(test_support::TestDataHome() / "card.img");
  // The chunk of 63 sectors holding sector 5000 moved the sectors before the fault only.
  std::fill(expected.begin() + 5000 * 512, expected.begin() + (4977 + 63) * 512, 0);
  EXPECT_TRUE(ImageBody() == expected);
  EXPECT_EQ(ImageHeader()->complete, 1);
}

TEST_F(BackupFaults, RetryAfterAPassingFaultGivesTheExactCard) {
  Start(CardMachine(R"(, "faults": [ { "op": "read", "sector": 5000, "times": 1 } ])"));
  ExpectConfirmation();
  AnswerPrompt(error_prompt::kRetryButton);
  ExpectSuccess();
  RunBackup({});
  EXPECT_TRUE(ImageBody() == ReadHostFile(test_support::TestDataHome() / "card.img"));
}

TEST_F(BackupFaults, AbortLeavesNoImage) {
  Start(CardMachine(R"(, "faults": [ { "op": "read", "sector": 5000, "times": "always" } ])"));
  ExpectConfirmation();
  AnswerPrompt(error_prompt::kAbortButton);
  RunBackup({});
  EXPECT_FALSE(ImageExists());
  EXPECT_EQ(afterRun.busy, 0u);
  EXPECT_TRUE(afterRun.closeEnabled);
}

TEST_F(BackupFaults, ACardPulledDuringTheRunGivesTheMessageAndNoImage) {
  Start(CardMachine(R"(, "pulledAfterCommands": 60)"));
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, kNoMedia);
  RunBackup({});
  EXPECT_FALSE(ImageExists());
  ASSERT_FALSE(prompter.Asked().empty());
  EXPECT_EQ(prompter.Asked().back().type & ui::MB_ICONMASK, ui::MB_ICONERROR);
}

TEST_F(BackupFaults, ACardPulledDuringAUsedSpaceWalkGivesTheMessageAndNoImage) {
  Start(CardMachine(R"(, "pulledAfterCommands": 40)"));
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, kNoMedia);
  RunBackup({.wholeMedia = false});
  EXPECT_FALSE(ImageExists());
}

TEST_F(BackupFaults, AFailingReadOfTheUsedSpaceWalkReachesTheUser) {
  // Sector 64 + 1 is the first FAT sector of the volume: the walk cannot read its entries.
  Start(CardMachine(R"(, "faults": [ { "op": "read", "sector": 65, "times": "always" } ])"));
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "Unable to read from the media.");
  RunBackup({.wholeMedia = false});
  EXPECT_FALSE(ImageExists());
}

TEST_F(BackupFaults, TooLittleFreeSpaceIsRefusedBeforeAnythingIsWritten) {
  Start(CardMachine(""));
  win::SetInjectedHostFreeSpace(20000ull * 512);  // the body fits, the header does not
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "No enough freespace available in the destination disk");
  RunBackup({});
  EXPECT_FALSE(ImageExists());
}

TEST_F(BackupFaults, ATargetThatFillsUpDuringTheRunLeavesNoImageAndSaysSo) {
  PollAtEveryBlock();
  Start(CardMachine(""));
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "Unable to write the backup file; the incomplete file was deleted.");
  RunBackup({.duringRun = [this] { driver.AfterPumps(40, [] { win::SetInjectedHostFreeSpace(1000); }); }});
  EXPECT_FALSE(ImageExists());
}

TEST_F(BackupFaults, CancelThenNoGoesOnAndCancelThenYesLeavesNoImage) {
  PollAtEveryBlock();
  Start(CardMachine(""));
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDNO, "Do you want to cancel the current operation?");
  prompter.AnswerMessageBox(ui::IDYES, "Do you want to cancel the current operation?");
  RunBackup({.duringRun = [this] {
    driver.AfterPumps(30, [this] { driver.Click(page, kCancelButton); });
    driver.AfterPumps(120, [this] { driver.Click(page, kCancelButton); });
  }});
  EXPECT_FALSE(ImageExists());
  EXPECT_EQ(afterRun.busy, 0u);
}

// Under the driver's standing clock the poll is due once: a card read in hundreds of blocks is
// copied without the sheet's messages pumped for every block, and exactly.
TEST_F(BackupFaults, ACardIsCopiedWithoutPumpingMessagesForEveryBlock) {
  Start(CardMachine(""));
  ExpectConfirmation();
  ExpectSuccess();
  const int before = driver.Pumps();
  RunBackup({});
  const auto card = ReadHostFile(test_support::TestDataHome() / "card.img");
  const auto blocks = static_cast<int>(card.size() / (63 * 512));
  ASSERT_GT(blocks, 200);
  EXPECT_LT(driver.Pumps() - before, blocks / 2);
  EXPECT_TRUE(ImageBody() == card);
}

TEST_F(BackupFaults, TheKeyboardCancelsWhileARunIsUnderWay) {
  Start(CardMachine(""));
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDYES, "Do you want to cancel the current operation?");
  RunBackup({.duringRun = [this] { driver.AfterPumps(30, [this] { driver.PressKey('C'); }); }});
  EXPECT_FALSE(ImageExists());
}

TEST_F(BackupFaults, AWriteProtectedCardIsBackedUp) {
  Start(CardMachine(R"(, "writeProtected": true)"));
  ExpectConfirmation();
  ExpectSuccess();
  RunBackup({});
  EXPECT_TRUE(ImageBody() == ReadHostFile(test_support::TestDataHome() / "card.img"));
}

TEST_F(BackupFaults, ACardAboveTwoGigabytesIsRefusedBeforeTheImageIsMade) {
  const auto card = test_support::TestDataHome() / "big.img";
  std::ofstream(card, std::ios::binary).close();
  std::filesystem::resize_file(card, (4194304ull + 1) * 512);
  Start(R"({ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
    "card": { "kind": "cf", "image": "big.img", "sectors": 4194305 } } ] })");
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "This application supports removable media upto 2GB only.");
  RunBackup({});
  EXPECT_FALSE(ImageExists());
}

TEST_F(BackupFaults, IgnoreAllAsksOnceForEveryFailingChunkOfTheRun) {
  Start(CardMachine(R"(, "faults": [ { "op": "read", "sector": 5000, "times": "always" },
                                     { "op": "read", "sector": 9000, "times": "always" } ])"));
  ExpectConfirmation();
  AnswerPrompt(error_prompt::kIgnoreAllButton);
  ExpectSuccess();
  RunBackup({});
  EXPECT_EQ(prompts, std::vector<std::string>{"Unable to read from the media."});
  auto expected = ReadHostFile(test_support::TestDataHome() / "card.img");
  std::fill(expected.begin() + 5000 * 512, expected.begin() + (4977 + 63) * 512, 0);
  std::fill(expected.begin() + 9000 * 512, expected.begin() + (8946 + 63) * 512, 0);
  EXPECT_TRUE(ImageBody() == expected);
}

TEST_F(BackupFaults, ANameWithoutAFolderAndAnImageOnTheCardsOwnDriveAreRefused) {
  Start(CardMachine(""));
  prompter.AnswerMessageBox(ui::IDOK, "The specified path was not found.");
  RunBackup({.name = "card"});
  EXPECT_EQ(prompter.Asked().back().type, 0u);
}

TEST_F(BackupFaults, AnImageOnTheCardsOwnDriveIsRefused) {
  Start(CardMachine(""));
  prompter.AnswerMessageBox(ui::IDOK, "You have choosen both source and destination as same drive");
  RunBackup({.name = "E:\\card.fmb"});
  EXPECT_FALSE(std::filesystem::exists(test_support::TestDataHome() / "E.FMB"));
}

}  // namespace
}  // namespace tarnlok

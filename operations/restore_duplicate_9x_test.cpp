// Restore and Duplicate on Windows 98, where the cards are reached through ASPI (USB readers) or
// the program's own card driver (IDE and PCMCIA readers, the IDE volume locked through vwin32):
// an image written back byte for byte, and a card copied onto another through a swap.
#include "device/device_state.h"
#include "operations/dup_page.h"
#include "operations/operation_state.h"
#include "operations/rest_page.h"
#include "operations/testing/page_runs.h"
#include "operations/tool_page.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/paths.h"
#include "controls/resource_ids.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::Bytes;
using test_support::ReadHostBytes;

constexpr win::DWORD kSectors = 20000;
constexpr char kImage[] = "C:\\restore98.FMB";
// The device list shows the readers by drive letter: E, then K.
constexpr int kRowE = 0;
constexpr int kRowK = 1;

std::filesystem::path Home(const std::string& name) { return tarnlok::test_support::TestDataHome() / name; }

class Windows9xRoads : public test_support::PageRunTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // E and K: two readers of the bus under test, each with a CompactFlash card of its own.
  void StartMachine() {
    const std::string bus = GetParam();
    source = test_support::PatternBytes(kSectors * 512, 0x3C);
    target = test_support::PatternBytes(kSectors * 512, 0xA7);
    test_support::WriteHostBytes(Home("e98-" + bus + ".img"), source);
    test_support::WriteHostBytes(Home("k98-" + bus + ".img"), target);
    const auto reader = [&](char letter) {
      return R"({ "bus": ")" + bus + R"(", "maker": true, "product": "CF Reader", "letter": ")" + letter +
             R"(", "card": { "kind": "cf", "image": ")" + std::string(1, static_cast<char>(letter + 32)) + "98-" + bus +
             R"(.img", "sectors": 20000 } })";
    };
    Start(R"({ "version": 1, "windows": "98", "readers": [ )" + reader('E') + ", " + reader('K') + " ] }");
  }

  Bytes CardBytes(char letter) const {
    return ReadHostBytes(Home(std::string(1, static_cast<char>(letter + 32)) + "98-" + GetParam() + ".img"));
  }

  Bytes source;
  Bytes target;
};

TEST_P(Windows9xRoads, AWholeMediaImageIsRestoredByteForByte) {
  StartMachine();
  FmbHeader header;
  header.deviceKind = 1;
  header.mediaSizeCode = kSectors / 2000;
  header.sectorsPerBlock = 63;
  header.blockCount = kSectors;
  header.complete = 1;
  prompter.AnswerMessageBox(ui::IDOK, "WARNING: Restore will delete all the contents");
  prompter.AnswerMessageBox(ui::IDOK, "Successfully restored the media.");
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK, [&](ui::HWND page) {
    driver.WhenIdle([this, page, header] {
      test_support::WriteHostBytes(*win::HostPathOf(kImage), test_support::BackupImage(header, source));
      ui::SetDlgItemTextA(page, restore_page::kImageNameEdit, kImage);
      driver.Click(page, restore_page::kRestoreButton);
    });
    driver.WhenIdle([] { EXPECT_EQ(OperationBusy, 0u); });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(CardBytes('K') == source);
  EXPECT_EQ(Vwin32Handle, win::INVALID_HANDLE_VALUE) << "the run gives vwin32 back";
}

TEST_P(Windows9xRoads, ACardIsDuplicatedThroughASwap) {
  StartMachine();
  test_support::ActingPrompter acting(prompter);
  acting.When("Please insert a new blank writable media", [this] { machine_->SwapCards('E', 'K'); });
  prompter.AnswerMessageBox(ui::IDOK, "Please close all the application(s) that are using this drive");
  prompter.AnswerMessageBox(ui::IDOK, "Successfully read the source media contents.");
  prompter.AnswerMessageBox(ui::IDOK, "Successfully duplicated the media.");
  OnPage(kDuplicateTool, kDuplicatePageTemplate, kRowE, [&](ui::HWND page) {
    driver.WhenIdle([this, page] { driver.Click(page, duplicate_page::kDuplicateButton); });
    driver.WhenIdle([] { EXPECT_EQ(OperationBusy, 0u); });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  // After the swap the copy sits in E's reader and the source card in K's.
  EXPECT_TRUE(CardBytes('E') == source) << "the copy";
  EXPECT_TRUE(CardBytes('K') == source) << "the source as it was";
}

INSTANTIATE_TEST_SUITE_P(Buses, Windows9xRoads, ::testing::Values("usb", "pcmcia", "ide"));

}  // namespace
}  // namespace tarnlok

// The analysis of a Memory Stick's blocks as the recovery run shows it, on a described machine:
// the progress dialog counts the blocks and its Cancel asks before the build stops.
#include "recovery/page/flash_block_analysis.h"

#include "controls/progress_dlg.h"
#include "device/card_session.h"
#include "device/device_state.h"
#include "device/enum_devices_nt.h"
#include "device/testing/machine_fixture.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace recovery {
namespace {

class FlashBlockAnalysisTest : public tarnlok::test_support::MachineDeviceTest {
 protected:
  // A Memory Stick of 4096 blocks of 32 pages in a USB reader on Windows XP, opened as a run
  // opens it.
  void SetUp() override {
    MachineDeviceTest::SetUp();
    std::filesystem::remove(tarnlok::test_support::TestDataHome() / "flash.img");
    Start(R"({ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "firmware": "newer",
              "letter": "F", "card": { "kind": "ms", "blocks": 4096, "pagesPerBlock": 32,
              "image": "flash.img", "factoryBadBlocks": [3] } } ] })",
          7);
    ASSERT_EQ(tarnlok::EnumDevicesNt(), 1);
    entry_ = tarnlok::test_support::EntryAt('F');
    ASSERT_NE(entry_, nullptr);
    ASSERT_TRUE(session_.Open(*entry_));
    // As during a recovery run: a command the reader refuses counts as failed.
    tarnlok::OperationBusy = 1;
    reads_ = std::make_unique<CardFlashReads>(session_.Handle(), *entry_, layout_);
  }
  void TearDown() override {
    session_.Release();
    MachineDeviceTest::TearDown();
  }

  tarnlok::DeviceEntry* entry_ = nullptr;
  tarnlok::CardSession session_;
  FlashLayout layout_ = MemoryStickLayout(4096, 32);
  std::unique_ptr<CardFlashReads> reads_;
};

std::string ItemText(ui::HWND dialog, int id) {
  char text[64] = {};
  ui::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

TEST_F(FlashBlockAnalysisTest, TheAnalysisCountsTheBlocksInItsDialogAndStopsWhenACancelIsConfirmed) {
  ASSERT_NE(reads_, nullptr);
  ui::TestDriver driver(tarnlok::test_support::FailTest);
  const ui::HWND owner = ui::CreateWindowExA(0, ui::kDialogClass, "Tarnlok", ui::WS_POPUP | ui::WS_VISIBLE, 0, 0, 400,
                                             300, nullptr, nullptr, nullptr, nullptr);
  struct Seen {
    std::string total, current;
    bool ownerEnabled = true;
  } first, second;
  const auto press = [&](Seen& seen) {
    const ui::HWND dialog = ui::FindWindowA(nullptr, "Analysing Physical blocks");
    ASSERT_NE(dialog, nullptr);
    seen = {ItemText(dialog, tarnlok::kProgressValueTotal), ItemText(dialog, tarnlok::kProgressValueCurrent),
            ui::IsWindowEnabled(owner) != 0};
    EXPECT_TRUE(driver.Click(dialog, ui::IDCANCEL));
  };
  driver.AfterPumps(60, [&] { press(first); });
  driver.AfterPumps(400, [&] { press(second); });
  prompter.AnswerMessageBox(ui::IDNO, "Do you really want to cancel this operation?");
  prompter.AnswerMessageBox(ui::IDYES, "Do you really want to cancel this operation?");
  FlashBlockMap map(layout_);
  EXPECT_EQ(AnalyseFlashBlocks(map, *reads_, ui::CWnd::FromHandle(owner), nullptr), BlockMapEnd::Cancelled);
  EXPECT_EQ(first.total, " 4096 (0x1000)");
  EXPECT_FALSE(first.ownerEnabled) << "the dialog disables its owner while it runs";
  ASSERT_FALSE(first.current.empty());
  ASSERT_FALSE(second.current.empty());
  EXPECT_LT(std::stoi(first.current), std::stoi(second.current)) << "No went on with the next blocks";
  EXPECT_EQ(ui::FindWindowA(nullptr, "Analysing Physical blocks"), nullptr);
  EXPECT_TRUE(ui::IsWindowEnabled(owner));
  ui::DestroyWindow(owner);
}

}  // namespace
}  // namespace recovery

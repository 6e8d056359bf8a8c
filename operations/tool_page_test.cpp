// The Tools page and the one-operation sheet it opens, run in the whole program headless.
#include "operations/base_page.h"
#include "operations/operation_test_support.h"
#include "operations/tool_page.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"
#include "controls/control_ids.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"

#include <gtest/gtest.h>

#include <regex>

namespace tarnlok {
namespace {

using ToolPage = test_support::OperationProgramTest;
using test_support::CloseMainWindow;
using test_support::ItemText;

TEST_F(ToolPage, ShowsTheFourOperationsWithTheirLines) {
  Start(test_support::TwoReaders("xp"));
  OnToolsPage([&](ui::HWND main, ui::HWND tools) {
    EXPECT_EQ(ItemText(tools, kBackupTool), "&Backup");
    EXPECT_EQ(ItemText(tools, kDuplicateTool), "&Duplicate");
    EXPECT_EQ(ItemText(tools, kRestoreTool), "&Restore");
    EXPECT_EQ(ItemText(tools, kFormatTool), "&Format");
    EXPECT_EQ(ItemText(tools, kFormatNote), "Restore the media to factory set conditions.");
    EXPECT_EQ(ItemText(tools, kBackupNote).substr(0, 22), "The contents of a medi");
    CloseMainWindow(main);
  });
  Run();
}

TEST_F(ToolPage, BackupOpensTheSheetWithItsPageAndACloseButtonOnly) {
  Start(test_support::TwoReaders("xp"));
  OnToolsPage([&](ui::HWND, ui::HWND tools) { EXPECT_TRUE(driver.Click(tools, kBackupTool)); });
  driver.OnDialog(kBackupPageTemplate, [&](ui::HWND sheet) {
    EXPECT_EQ(test_support::WindowText(sheet), "Backup");
    EXPECT_EQ(ItemText(sheet, ui::IDCANCEL), "Clos&e");
    for (const int hidden : {ui::ID_WIZBACK, ui::ID_WIZNEXT, ui::ID_WIZFINISH}) {
      EXPECT_FALSE(ui::IsWindowVisible(ui::GetDlgItem(sheet, hidden))) << hidden;
    }
    EXPECT_EQ(ui::GetDlgItem(sheet, ui::AFX_IDC_TAB_CONTROL), nullptr) << "no tab row";
    EXPECT_EQ(CurrentPageCode, kBackupPageCode);
    EXPECT_EQ(ItemText(ActivePageHwnd, kSourceText).substr(0, 5), "(E:) ") << "the row's text as source";
    EXPECT_EQ(ItemText(ActivePageHwnd, kSourceLabel), "Source:");
    EXPECT_TRUE(ui::IsWindowEnabled(ui::GetDlgItem(ActivePageHwnd, kUsedSpaceChoice)));
    EXPECT_EQ(ui::SendMessage(ui::GetDlgItem(ActivePageHwnd, kUsedSpaceChoice), ui::BM_GETCHECK, 0, 0), 1);
    EXPECT_FALSE(ui::IsWindowVisible(ui::GetDlgItem(ActivePageHwnd, kCancelButton))) << "Cancel hidden while idle";
    EXPECT_TRUE(std::regex_match(ItemText(ActivePageHwnd, kImageNameEdit),
                                 std::regex(R"(C:\\Program Files\\Tarnlok\\\d{8}_\d{4}\.FMB)")))
        << ItemText(ActivePageHwnd, kImageNameEdit);
    driver.Click(sheet, ui::IDCANCEL);
  });
  driver.WhenIdle([&] { CloseMainWindow(ui::AfxGetMainWnd()->m_hWnd); });
  Run();
  EXPECT_EQ(driver.Started(),
            (std::vector<int>{static_cast<int>(kMainTemplate), static_cast<int>(kBackupPageTemplate)}));
}

TEST_F(ToolPage, EnterOnAFocusedButtonOpensItsSheet) {
  Start(test_support::TwoReaders("xp"));
  OnToolsPage([&](ui::HWND, ui::HWND tools) {
    ui::SetFocus(ui::GetDlgItem(tools, kFormatTool));
    driver.Enter();
  });
  driver.OnDialog(kFormatPageTemplate, [&](ui::HWND sheet) {
    EXPECT_EQ(test_support::WindowText(sheet), "Format");
    EXPECT_EQ(CurrentPageCode, kFormatPageCode) << "the Format page became active";
    driver.Click(sheet, ui::IDCANCEL);
  });
  driver.WhenIdle([&] { CloseMainWindow(ui::AfxGetMainWnd()->m_hWnd); });
  Run();
}

TEST_F(ToolPage, WithoutASelectedRowTheLiteralMessageShowsAndNothingOpens) {
  Start(test_support::TwoReaders("xp"));
  prompter.AnswerMessageBox(ui::IDOK, "Please select a valid connected devices in order to proceed further...");
  OnToolsPage([&](ui::HWND main, ui::HWND tools) {
    const ui::HWND list = ui::GetDlgItem(main, kDeviceListControl);
    ui::LVITEMA state;
    state.stateMask = ui::LVIS_SELECTED | ui::LVIS_FOCUSED;
    ui::SendMessage(list, ui::LVM_SETITEMSTATE, static_cast<ui::WPARAM>(-1), reinterpret_cast<ui::LPARAM>(&state));
    driver.Click(tools, kBackupTool);
    driver.WhenIdle([&, main] { CloseMainWindow(main); });
  });
  Run();
  EXPECT_EQ(driver.Started(), std::vector<int>{102});
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

}  // namespace
}  // namespace tarnlok

// What the program says of itself: the About page's product, build and notice, and the About
// box of the main window's system menu.
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "controls/control_ids.h"
#include "shell/main_dlg.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

using About = test_support::ProgramTest;

// The texts of the dialog's controls, in their order.
std::vector<std::string> ControlTexts(ui::HWND dialog) {
  std::vector<std::string> texts;
  for (ui::HWND child = ui::GetWindow(dialog, ui::GW_CHILD); child != nullptr;
       child = ui::GetWindow(child, ui::GW_HWNDNEXT)) {
    char text[128] = {};
    ui::GetWindowTextA(child, text, sizeof(text));
    texts.emplace_back(text);
  }
  return texts;
}

TEST_F(About, ThePageNamesTheProductItsBuildAndTheNoticeAndTheSystemMenuOpensTheBox) {
  Start(test_support::TwoReaders("xp"));
  test_support::HideNotes();
  std::vector<std::string> boxTexts;
  std::string boxCaption;
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    auto* window = static_cast<CMainDlg*>(ui::CWnd::FromHandlePermanent(main));
    ASSERT_NE(window, nullptr);
    window->Sheet().SetActivePage(kAboutTab);
    const ui::HWND page = window->Sheet().GetActivePage()->m_hWnd;
    EXPECT_EQ(test_support::ItemText(page, about_page::kProduct), "Tarnlok V2")
        << "the version laid into the product's pattern";
    EXPECT_EQ(test_support::ItemText(page, about_page::kBuild), "012");
    EXPECT_EQ(test_support::ItemText(page, about_page::kNotice),
              "Copyright (C) Quarnwell Card Tools. All rights reserved.");
    driver.OnDialog(kAboutBoxTemplate, [&](ui::HWND box) {
      char caption[64] = {};
      ui::GetWindowTextA(box, caption, sizeof(caption));
      boxCaption = caption;
      boxTexts = ControlTexts(box);
      driver.WhenIdle([this] { EXPECT_TRUE(driver.Enter()); });
    });
    driver.WhenIdle([main] { ui::SendMessage(main, ui::WM_SYSCOMMAND, kAboutCommand, 0); });
    driver.WhenIdle([main] { ui::PostMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0); });
  });
  Run();
  EXPECT_EQ(driver.Started(), (std::vector<int>{kMainTemplate, kAboutBoxTemplate}));
  EXPECT_EQ(boxCaption, "About Tarnlok");
  for (const char* text : {"Tarnlok Version 2.0", "Copyright (C) Quarnwell Card Tools", "OK"}) {
    EXPECT_NE(std::find(boxTexts.begin(), boxTexts.end(), text), boxTexts.end()) << text;
  }
}

}  // namespace
}  // namespace tarnlok

// Help as the program offers it, run headless: every road opens its topic of the program's own
// help file in the help window, and leaving the program closes it.
#include "platform/ui/windows/help_window.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/files.h"
#include "platform/win/registry/profile.h"
#include "platform/win/system/shell_services.h"
#include "controls/control_ids.h"
#include "shell/main_dlg.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

using Help = test_support::ProgramTest;

TEST_F(Help, EveryRoadOfTheMainWindowOpensThePagesTopic) {
  Start(test_support::TwoReaders("xp"));
  test_support::HideNotes();
  ui::HWND main = nullptr;
  CMainDlg* window = nullptr;
  auto pressF1On = [&](ui::HWND target) {
    ui::SetFocus(target);
    EXPECT_TRUE(driver.PressKey(ui::VK_F1));
  };
  // Each step's input is handled by the program's own loop before the next step looks.
  const std::vector<std::function<void()>> steps = {
      [&] { EXPECT_TRUE(driver.Click(ActivePageHwnd, info_page::kHelpButton)); },
      [&] {
        EXPECT_EQ(test_support::ShownHelpTopic(), "The Information page") << "Help button";
        ui::SetFocus(ui::GetDlgItem(ActivePageHwnd, info_page::kHelpButton));
        EXPECT_TRUE(driver.Enter());
      },
      [&] {
        EXPECT_EQ(test_support::ShownHelpTopic(), "The Information page") << "Enter on the Help button";
        pressF1On(ui::GetDlgItem(ActivePageHwnd, info_page::kDeviceName));
      },
      [&] {
        EXPECT_EQ(test_support::ShownHelpTopic(), "The Information page") << "F1 on the page";
        pressF1On(ui::GetDlgItem(main, kDeviceListControl));
      },
      [&] {
        EXPECT_EQ(test_support::ShownHelpTopic(), "The Information page") << "F1 on the main window";
        // F1 on the About page is answered and opens nothing; the framework's help call on the
        // page opens its topic.
        window->Sheet().SetActivePage(kAboutTab);
        ui::CWnd* about = window->Sheet().GetActivePage();
        const ui::HWND link = ui::GetDlgItem(about->m_hWnd, about_page::kWebLink);
        ui::HELPINFO help;
        help.iCtrlId = about_page::kWebLink;
        help.hItemHandle = link;
        EXPECT_EQ(ui::SendMessage(link, ui::WM_HELP, 0, reinterpret_cast<ui::LPARAM>(&help)), win::TRUE);
        EXPECT_EQ(test_support::ShownHelpTopic(), "") << "F1 on the About page";
        about->WinHelp(0, win::HELP_CONTEXT);
      },
      [&] {
        EXPECT_EQ(test_support::ShownHelpTopic(), "Backing up a card") << "the About page's help";
        window->Sheet().SetActivePage(kInformationTab);
        EXPECT_TRUE(driver.Click(ActivePageHwnd, info_page::kHelpButton));
      },
      [&] {
        EXPECT_NE(ui::HelpWindow(), nullptr);
        ui::SendMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0);
      },
  };
  std::function<void(std::size_t)> runFrom = [&](std::size_t step) {
    if (step == steps.size()) return;
    driver.WhenIdle([&, step] {
      steps[step]();
      runFrom(step + 1);
    });
  };
  driver.OnDialog(kMainTemplate, [&](ui::HWND dialog) {
    main = dialog;
    window = static_cast<CMainDlg*>(ui::CWnd::FromHandlePermanent(main));
    runFrom(0);
  });
  EXPECT_NO_THROW(Run());
  EXPECT_EQ(ui::HelpWindow(), nullptr) << "the Information page closes help as it goes";
}

// The help file is found only through TLKLV2CL.INI of the Windows folder, which the installation
// leaves naming the program folder; without it, or when it says "Fail", no help opens.
TEST_F(Help, ThePagesFindTheHelpFileOnlyThroughTheIniOfTheWindowsFolder) {
  Start(test_support::TwoReaders("xp"));
  test_support::HideNotes();
  constexpr char kIni[] = "TLKLV2CL.INI";
  char installed[260] = {};
  win::GetPrivateProfileStringA("DefDir", "DefDir", "Fail", installed, sizeof(installed), kIni);
  EXPECT_STREQ(installed, "C:\\Program Files\\Tarnlok") << "the installation names the program folder";
  const auto pressHelp = [&] { EXPECT_TRUE(driver.Click(ActivePageHwnd, info_page::kHelpButton)); };
  const std::vector<std::function<void()>> steps = {
      pressHelp,
      [&] {
        EXPECT_EQ(test_support::ShownHelpTopic(), "The Information page") << "the installed INI leads to the file";
        EXPECT_TRUE(win::DeleteFileA("C:\\Windows\\TLKLV2CL.INI"));
        pressHelp();
      },
      [&] {
        EXPECT_EQ(test_support::ShownHelpTopic(), "") << "without the INI";
        win::WritePrivateProfileStringA("DefDir", "DefDir", "fail", kIni);
        pressHelp();
      },
      [&] {
        EXPECT_EQ(test_support::ShownHelpTopic(), "") << "an INI that says Fail";
        win::WritePrivateProfileStringA("DefDir", "DefDir", installed, kIni);
        ui::SendMessage(ui::AfxGetMainWnd()->m_hWnd, ui::WM_COMMAND, ui::IDCANCEL, 0);
      },
  };
  std::function<void(std::size_t)> runFrom = [&](std::size_t step) {
    if (step == steps.size()) return;
    driver.WhenIdle([&, step] {
      steps[step]();
      runFrom(step + 1);
    });
  };
  driver.OnDialog(kMainTemplate, [&](ui::HWND) { runFrom(0); });
  EXPECT_NO_THROW(Run());
}

TEST_F(Help, TheHelpFileHasATopicForEveryKeyTheProgramPasses) {
  Start(test_support::TwoReaders("xp"));
  test_support::HideNotes();
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    const std::pair<const char*, const char*> topics[] = {
        {"Tab Style Layout", "The Information page"}, {"Tarnlok Backup", "Backing up a card"},
        {"Dunmere Backup", "Backing up a card"},      {"Using Tarnlok Restore", "Restoring a card from a backup"},
        {"Tarnlok Duplicate", "Duplicating a card"},  {"Using Tarnlok Recovery", "Recovering files from a card"},
        {"Tarnlok Format", "Formatting a card"},
    };
    for (const auto& [key, title] : topics) {
      EXPECT_TRUE(
          win::WinHelpA(main, MainApp().m_helpFilePath.c_str(), win::HELP_KEY, reinterpret_cast<std::uintptr_t>(key)));
      EXPECT_EQ(test_support::ShownHelpTopic(), title) << key;
    }
    // The recovery settings and media type dialogs by the help contexts of their templates.
    for (const auto& [dialog, title] :
         {std::pair{kRecvSettingsTemplate, "Recovery settings"}, {kMediaSizeTemplate, "Selecting the media type"}}) {
      const win::DWORD context = ui::kHelpContextBase + dialog;
      ui::CWnd::FromHandlePermanent(main)->ui::CWnd::WinHelp(context, win::HELP_CONTEXT);
      EXPECT_EQ(test_support::ShownHelpTopic(), title) << context;
    }
    ui::SendMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0);
  });
  EXPECT_NO_THROW(Run());
}

}  // namespace
}  // namespace tarnlok

#include "platform/ui/dialogs/property_sheet.h"

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/controls/image_list.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/controls/tab_control.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace ui {
namespace {

constexpr const char* kPages = R"(
DIALOG 130 0 0 263 120
STYLE CHILD
CAPTION "Backup"
CONTROL 1240 STATIC "Source:" 7 7 60 10 LEFT
CONTROL 1039 EDIT "" 7 20 180 12 TABSTOP CLIENTEDGE
CONTROL 1049 STATIC "0 %" 200 40 50 10 RIGHT
CONTROL 1050 PROGRESS "" 7 40 180 10
CONTROL 1096 BUTTON "Copy only used space" 7 56 150 10 AUTORADIOBUTTON TABSTOP GROUP
CONTROL 1097 BUTTON "Exact duplicate" 7 68 150 10 AUTORADIOBUTTON
CONTROL 1052 BUTTON "&Backup" 7 90 50 14 OWNERDRAW TABSTOP GROUP
CONTROL 1053 BUTTON "&Cancel" 70 90 50 14 OWNERDRAW TABSTOP HIDDEN

DIALOG 140 0 0 300 200
STYLE POPUP
CAPTION "Host"

DIALOG 131 0 0 200 80
STYLE CHILD
CAPTION "About"
CONTROL 1013 STATIC "Tarnlok V2" 7 7 100 10 CENTER
)";

std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}

// An owner-drawn button painting itself: blue, red while pressed.
class ColourButton : public CButton {
 public:
  void DrawItem(DRAWITEMSTRUCT* item) override {
    CDC* dc = CDC::FromHandle(item->hDC);
    dc->FillSolidRect(&item->rcItem, (item->itemState & ODS_SELECTED) != 0 ? RGB(255, 0, 0) : RGB(0, 0, 255));
    ++draws;
  }
  int draws = 0;
};

class BackupPage : public CPropertyPage {
 public:
  BackupPage() : CPropertyPage(130) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CPropertyPage::GetMessageMap(), {
                                                                     OnCommand(1052, &BackupPage::BackupMedia),
                                                                     OnCommand(1053, &BackupPage::RequestCancel),
                                                                 });
    return map;
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, 1050, progress);
    DDX_Control(dx, 1052, start);
    DDX_Control(dx, 1053, cancel);
  }
  BOOL OnInitDialog() override {
    Events().push_back("init 130");
    CPropertyPage::OnInitDialog();
    CheckDlgButton(1096, BST_CHECKED);
    return win::TRUE;
  }
  BOOL OnSetActive() override {
    Events().push_back("active 130");
    return CPropertyPage::OnSetActive();
  }
  BOOL OnKillActive() override {
    Events().push_back("leave 130");
    return busy ? win::FALSE : CPropertyPage::OnKillActive();
  }
  // The run: asks first, then steps the bar per block and pumps the sheet's messages.
  void BackupMedia() {
    if (MessageBox("Please close all the application(s) that are using this drive", "Tarnlok",
                   MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
      return;
    }
    busy = true;
    start.EnableWindow(win::FALSE);
    cancel.ShowWindow(SW_SHOW);
    // The format library's view: it gets the bar's handle and drives it with messages.
    const HWND bar = ui::GetDlgItem(m_hWnd, 1050);
    ui::SendMessage(bar, PBM_SETRANGE32, 0, 50);
    ui::SendMessage(bar, PBM_SETSTEP, 1, 0);
    for (blocks = 0; blocks < 50; ++blocks) {
      if (cancelRequested) {
        if (MessageBox("Do you want to cancel the current operation?", "Tarnlok", MB_YESNO | MB_DEFBUTTON2) == IDYES)
          break;
        cancelRequested = false;
      }
      MSG msg;
      const HWND sheet = GetParent()->m_hWnd;
      while (PeekMessage(&msg, sheet, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessage(sheet, &msg)) {
          TranslateMessage(&msg);
          DispatchMessage(&msg);
        }
      }
      ui::SendMessage(bar, PBM_STEPIT, 0, 0);
      SetDlgItemText(1049, std::to_string(blocks * 2) + " %");
      TestDriver::Count("block");
    }
    busy = false;
    cancel.ShowWindow(SW_HIDE);
    start.EnableWindow(win::TRUE);
  }
  void RequestCancel() {
    if (busy) cancelRequested = true;
  }
  CProgressCtrl progress;
  ColourButton start;
  ColourButton cancel;
  bool busy = false;
  bool cancelRequested = false;
  int blocks = 0;
};

class AboutPage : public CPropertyPage {
 public:
  AboutPage() : CPropertyPage(131) {}
  BOOL OnInitDialog() override {
    Events().push_back("init 131");
    return CPropertyPage::OnInitDialog();
  }
  BOOL OnSetActive() override {
    Events().push_back("active 131");
    return CPropertyPage::OnSetActive();
  }
};

struct Sheets : ::testing::Test {
  void SetUp() override {
    RegisterDialogTemplateText(nullptr, kPages);
    Events().clear();
  }
  TestDriver driver{[this](const std::string& what) { failures.push_back(what); }};
  ScriptedPrompter prompter{[this](const std::string& what) { failures.push_back(what); }};
  std::vector<std::string> failures;
};

TEST_F(Sheets, PagesAreCreatedOnFirstActivation) {
  BackupPage backup;
  AboutPage about;
  CPropertySheet sheet("Tarnlok V2");
  sheet.AddPage(&backup);
  sheet.AddPage(&about);
  driver.OnDialog(130, [&](HWND) {
    EXPECT_EQ(about.m_hWnd, nullptr) << "the About page is not made before it is shown";
    EXPECT_TRUE(sheet.SetActivePage(1));
    EXPECT_NE(about.m_hWnd, nullptr);
    EXPECT_FALSE(backup.IsWindowVisible());
    EXPECT_TRUE(sheet.SetActivePage(0));
    driver.Escape();
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  EXPECT_EQ(Events(),
            (std::vector<std::string>{"init 130", "active 130", "leave 130", "init 131", "active 131", "active 130"}));
}

TEST_F(Sheets, PageIconsShowOnTheirTabs) {
  BackupPage backup;
  AboutPage about;
  backup.m_hIcon = LoadIconA(nullptr, 190);
  ASSERT_NE(backup.m_hIcon, nullptr);
  CPropertySheet sheet;
  sheet.AddPage(&backup);
  sheet.AddPage(&about);
  driver.OnDialog(130, [&](HWND hwnd) {
    const HWND tab = GetDlgItem(hwnd, AFX_IDC_TAB_CONTROL);
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessage(tab, TCM_SETIMAGELIST, 0, 0));
    EXPECT_EQ(ImageList_GetImageCount(images), 1) << "one page has an icon";
    SendMessage(tab, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    driver.Escape();
  });
  sheet.DoModal();
  DestroyIcon(backup.m_hIcon);
}

TEST_F(Sheets, APageThatRefusesToLeaveKeepsTheTabAndThePage) {
  BackupPage backup;
  AboutPage about;
  CPropertySheet sheet;
  sheet.AddPage(&backup);
  sheet.AddPage(&about);
  driver.OnDialog(130, [&](HWND hwnd) {
    backup.busy = true;
    // A click on the second tab: the tab control asks the sheet, which asks the page.
    RECT second;
    ASSERT_TRUE(
        SendMessage(GetDlgItem(hwnd, AFX_IDC_TAB_CONTROL), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)));
    const LPARAM onSecond = MAKELPARAM(static_cast<WORD>((second.left + second.right) / 2),
                                       static_cast<WORD>((second.top + second.bottom) / 2));
    SendMessage(GetDlgItem(hwnd, AFX_IDC_TAB_CONTROL), WM_LBUTTONDOWN, 0, onSecond);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_EQ(SendMessage(GetDlgItem(hwnd, AFX_IDC_TAB_CONTROL), TCM_GETCURSEL, 0, 0), 0);
    backup.busy = false;
    SendMessage(GetDlgItem(hwnd, AFX_IDC_TAB_CONTROL), WM_LBUTTONDOWN, 0, onSecond);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_NE(about.m_hWnd, nullptr);
    driver.Escape();
  });
  sheet.DoModal();
}

TEST_F(Sheets, WizardFormHasNoTabsAndTheWizardButtons) {
  BackupPage backup;
  CPropertySheet sheet;
  sheet.m_psh.dwFlags |= PSH_WIZARD;
  sheet.AddPage(&backup);
  driver.OnDialog(130, [&](HWND hwnd) {
    EXPECT_EQ(GetDlgItem(hwnd, AFX_IDC_TAB_CONTROL), nullptr);
    for (int id : {ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH, IDCANCEL}) EXPECT_NE(GetDlgItem(hwnd, id), nullptr) << id;
    EXPECT_EQ(GetDlgItem(hwnd, IDOK), nullptr);
    EXPECT_TRUE(driver.Click(hwnd, ID_WIZFINISH));
  });
  EXPECT_EQ(sheet.DoModal(), ID_WIZFINISH);
}

TEST_F(Sheets, AChildSheetHasNoButtons) {
  CDialog host(140);
  ASSERT_TRUE(host.Create(140));
  BackupPage backup;
  CPropertySheet sheet;
  sheet.AddPage(&backup);
  ASSERT_TRUE(sheet.Create(&host, WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(GetParent(sheet.m_hWnd), host.m_hWnd);
  EXPECT_EQ(GetDlgItem(sheet.m_hWnd, IDOK), nullptr);
  EXPECT_NE(backup.m_hWnd, nullptr);
}

// The whole road at once, offscreen: a sheet with pages, controls and owner-drawn buttons
// from templates; a handler that pumps while the driver clicks Cancel; the message boxes
// answered by script; the format library's way of driving the progress bar; a PNG of it.
TEST_F(Sheets, AScriptedRunThroughASheetIsDrawnAndSaved) {
  BackupPage backup;
  AboutPage about;
  CPropertySheet sheet("Backup");
  sheet.AddPage(&backup);
  sheet.AddPage(&about);
  prompter.AnswerMessageBox(IDOK, "Please close all")
      .AnswerMessageBox(IDNO, "cancel")
      .AnswerMessageBox(IDYES, "cancel");
  const auto png = tarnlok::test_support::TestDataHome() / "sheet.png";
  driver.OnDialog(130, [&](HWND hwnd) {
    const HWND page = backup.m_hWnd;
    EXPECT_TRUE(driver.Type(page, 1039, "E:\\card.FMB"));
    EXPECT_TRUE(driver.Click(page, 1052));
    // Each block counts as a machine command would; Cancel comes at blocks 5 and 15.
    driver.AfterCount("block", 5, [&, page] { EXPECT_TRUE(driver.Click(page, 1053)); });
    driver.AfterCount("block", 15, [&, page] { EXPECT_TRUE(driver.Click(page, 1053)); });
    driver.WhenIdle([&, hwnd] {
      EXPECT_EQ(backup.GetDlgItemText(1039), "E:\\card.FMB");
      EXPECT_TRUE(SaveWindowPng(hwnd, png.string()));
      driver.Escape();
    });
  });
  sheet.DoModal();
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_EQ(prompter.Unanswered(), 0u);
  ASSERT_EQ(prompter.Asked().size(), 3u);
  EXPECT_EQ(prompter.Asked()[1].type, MB_YESNO | MB_DEFBUTTON2);
  EXPECT_GT(backup.blocks, 6) << "No let the run go on after the first Cancel";
  EXPECT_LT(backup.blocks, 50) << "Yes ended it after the second";
  EXPECT_GT(backup.start.draws, 0);

  // ImageMagick, an independent reader, agrees that it is a PNG of the sheet's size.
  const std::string command = "identify -format '%m %w' '" + png.string() + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[64] = {};
  std::fgets(line, sizeof line, pipe);
  ::pclose(pipe);
  EXPECT_EQ(std::string(line).substr(0, 4), "PNG ");
  EXPECT_GT(std::stoi(std::string(line).substr(4)), 300);
}

TEST(ProgressBar, MessagesFollowTheCommonControlsDocumentation) {
  const HWND top = CreateWindowExA(0, kDialogClass, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  const HWND bar = CreateWindowExA(0, kProgressClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 80, 10, top,
                                   HandleOf<HMENU>(std::uintptr_t{1050}), nullptr, nullptr);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, win::TRUE, 0), 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, win::FALSE, 0), 100);
  EXPECT_EQ(SendMessage(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 200)), MAKELPARAM(0, 100)) << "answers the old range";
  EXPECT_EQ(SendMessage(bar, PBM_SETSTEP, 1, 0), 10) << "the default step is 10";
  EXPECT_EQ(SendMessage(bar, PBM_STEPIT, 0, 0), 0) << "answers the previous position";
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 1);
  EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 500, 0), 1);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 200) << "positions are clamped to the range";
  SendMessage(bar, PBM_SETSTEP, 30, 0);
  SendMessage(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 30) << "stepping past the end starts over";
  SendMessage(bar, PBM_SETRANGE32, static_cast<WPARAM>(-5), 70000);
  PBRANGE range;
  SendMessage(bar, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, -5);
  EXPECT_EQ(range.iHigh, 70000);
  DestroyWindow(top);
}

TEST(ProgressBar, RepaintsOnlyWhenTheBarGrowsByAPixel) {
  const HWND top =
      CreateWindowExA(0, kDialogClass, "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  const HWND bar = CreateWindowExA(0, kProgressClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 82, 10, top,
                                   HandleOf<HMENU>(std::uintptr_t{1050}), nullptr, nullptr);
  // 8000 steps over 80 pixels inside the edge (82 for a bar painted edge to edge).
  SendMessage(bar, PBM_SETRANGE32, 0, 8000);
  SendMessage(bar, PBM_SETSTEP, 1, 0);
  ValidateRect(bar, nullptr);
  int repaints = 0;
  for (int step = 0; step < 8000; ++step) {
    SendMessage(bar, PBM_STEPIT, 0, 0);
    if (GetUpdateRect(bar, nullptr, win::FALSE) == win::FALSE) continue;
    ++repaints;
    ValidateRect(bar, nullptr);
  }
  EXPECT_GE(repaints, 82) << "every pixel of either length is shown";
  EXPECT_LE(repaints, 162);
  SendMessage(bar, PBM_SETPOS, 8000, 0);
  EXPECT_FALSE(GetUpdateRect(bar, nullptr, win::FALSE)) << "the same position again";
  SendMessage(bar, PBM_SETPOS, 0, 0);
  EXPECT_TRUE(GetUpdateRect(bar, nullptr, win::FALSE)) << "back to empty";
  DestroyWindow(top);
}

}  // namespace
}  // namespace ui

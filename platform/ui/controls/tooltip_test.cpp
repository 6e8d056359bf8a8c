#include "platform/ui/controls/tooltip.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

// A link label that relays its mouse messages to a tooltip naming its target.
class LinkDialog : public CDialog {
 public:
  LinkDialog() : CDialog(600) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    tip.Create(this);
    tip.AddTool(GetDlgItem(1024), "http://www.example.com/");
    return win::TRUE;
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    tip.RelayEvent(msg);
    return CDialog::PreTranslateMessage(msg);
  }
  CToolTipCtrl tip;
};

struct ToolTips : ::testing::Test {
  void SetUp() override {
    RegisterDialogTemplateText(
        nullptr, "DIALOG 600 0 0 100 60\nSTYLE POPUP\nCONTROL 1024 STATIC \"example\" 5 5 60 10 NOTIFY\n");
  }
  TestDriver driver{[this](const std::string& what) { failures.push_back(what); }};
  std::vector<std::string> failures;
};

TEST_F(ToolTips, ShowAfterTheInitialDelayAndHideOnAClick) {
  LinkDialog dialog;
  std::vector<bool> shown;
  std::uint64_t shownAt = 0;
  driver.OnDialog(600, [&](HWND hwnd) {
    const HWND link = GetDlgItem(hwnd, 1024);
    PostMessage(link, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    driver.WhenIdle([&] {
      shown.push_back(SendMessage(dialog.tip.m_hWnd, TTM_GETCURRENTTOOLA, 0, 0) != 0);
      driver.Advance(499);
    });
    driver.WhenIdle([&] {
      shown.push_back(SendMessage(dialog.tip.m_hWnd, TTM_GETCURRENTTOOLA, 0, 0) != 0);
      driver.Advance(1);
    });
    driver.WhenIdle([&, link] {
      shownAt = driver.Now();
      shown.push_back(SendMessage(dialog.tip.m_hWnd, TTM_GETCURRENTTOOLA, 0, 0) != 0);
      EXPECT_EQ(dialog.tip.GetWindowText(), "http://www.example.com/");
      PostMessage(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    });
    driver.WhenIdle([&] {
      shown.push_back(IsWindowVisible(dialog.tip.m_hWnd) != 0);
      driver.Escape();
    });
  });
  dialog.DoModal();
  EXPECT_EQ(shown, (std::vector<bool>{false, false, true, false}));
  EXPECT_EQ(shownAt, 500u);
  EXPECT_TRUE(failures.empty());
}

TEST_F(ToolTips, DeactivatedTipsStayHidden) {
  LinkDialog dialog;
  ASSERT_TRUE(dialog.Create(600));
  dialog.tip.Activate(win::FALSE);
  MSG move;
  move.hwnd = dialog.GetDlgItem(1024)->m_hWnd;
  move.message = WM_MOUSEMOVE;
  dialog.tip.RelayEvent(&move);
  EXPECT_EQ(SendMessage(dialog.tip.m_hWnd, TTM_GETTOOLCOUNT, 0, 0), 1);
  EXPECT_FALSE(KillTimer(dialog.tip.m_hWnd, 1)) << "no show timer was started";
}

// A tooltip that watches the link itself: nothing relays.
class SubclassingDialog : public CDialog {
 public:
  SubclassingDialog() : CDialog(600) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    tip.Create(this);
    link = GetDlgItem(1024)->m_hWnd;
    linkProc = GetWindowLongPtrA(link, GWLP_WNDPROC);
    TOOLINFOA info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = m_hWnd;
    info.uId = reinterpret_cast<std::uintptr_t>(link);
    std::string text = "mailto:help@example.com";
    info.lpszText = text.data();
    tip.SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    return win::TRUE;
  }
  CToolTipCtrl tip;
  HWND link = nullptr;
  std::intptr_t linkProc = 0;
};

TEST_F(ToolTips, SubclassingToolsShowWithoutRelayingAndGiveTheProcedureBack) {
  SubclassingDialog dialog;
  std::vector<bool> shown;
  driver.OnDialog(600, [&](HWND) {
    PostMessage(dialog.link, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    driver.WhenIdle([&] { driver.Advance(500); });
    driver.WhenIdle([&] {
      shown.push_back(IsWindowVisible(dialog.tip.m_hWnd) != 0);
      EXPECT_EQ(dialog.tip.GetWindowText(), "mailto:help@example.com");
      PostMessage(dialog.link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    });
    driver.WhenIdle([&] {
      shown.push_back(IsWindowVisible(dialog.tip.m_hWnd) != 0);
      TOOLINFOA info;
      info.hwnd = dialog.m_hWnd;
      info.uId = reinterpret_cast<std::uintptr_t>(dialog.link);
      SendMessage(dialog.tip.m_hWnd, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
      EXPECT_EQ(GetWindowLongPtrA(dialog.link, GWLP_WNDPROC), dialog.linkProc) << "the link has its own procedure back";
      PostMessage(dialog.link, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
    });
    driver.WhenIdle([&] {
      EXPECT_FALSE(KillTimer(dialog.tip.m_hWnd, 1)) << "a deleted tool starts no show timer";
      driver.Escape();
    });
  });
  dialog.DoModal();
  EXPECT_EQ(shown, (std::vector<bool>{true, false}));
  EXPECT_TRUE(failures.empty());
}

}  // namespace
}  // namespace ui

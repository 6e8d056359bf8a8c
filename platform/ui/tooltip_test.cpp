#include "platform/ui/tooltip.h"

#include "platform/ui/cdialog.h"
#include "platform/ui/dialog_resources.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window_api.h"

#include <gtest/gtest.h>

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
    RegisterDialogTemplateText(nullptr, "DIALOG 600 0 0 100 60\nSTYLE POPUP\nCONTROL 1024 STATIC \"example\" 5 5 60 10 NOTIFY\n");
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

}  // namespace
}  // namespace ui

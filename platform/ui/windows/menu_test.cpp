#include "platform/ui/windows/menu.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/controls/owner_draw.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace ui {
namespace {

// An owner of owner-drawn menu items: measures them, draws them, and finds "&x" in their
// texts for WM_MENUCHAR, as the program's owner-drawn menu does.
class MenuOwner : public CDialog {
 public:
  MenuOwner() : CDialog(500) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(), {
                                                               OnMessage(WM_MEASUREITEM, &MenuOwner::OnMeasureItem),
                                                               OnMessage(WM_DRAWITEM, &MenuOwner::OnDrawItem),
                                                               OnMessage(WM_MENUCHAR, &MenuOwner::OnMenuChar),
                                                           });
    return map;
  }
  LRESULT OnMeasureItem(WPARAM, LPARAM lParam) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    measured.push_back(measure->itemID);
    measure->itemWidth = 120;
    measure->itemHeight = 22;
    return win::TRUE;
  }
  LRESULT OnDrawItem(WPARAM, LPARAM lParam) {
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (draw->CtlType != ODT_MENU) return win::FALSE;
    drawn.push_back(std::string(reinterpret_cast<const char*>(draw->itemData)));
    EXPECT_EQ(draw->rcItem.Width(), 120);
    CDC::FromHandle(draw->hDC)->FillSolidRect(&draw->rcItem, RGB(255, 255, 255));
    return win::TRUE;
  }
  LRESULT OnMenuChar(WPARAM wParam, LPARAM lParam) {
    const HMENU menu = reinterpret_cast<HMENU>(lParam);
    const std::string key = std::string("&") + static_cast<char>(std::tolower(LOWORD(wParam)));
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
      std::string text = texts[position];
      for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (text.find(key) != std::string::npos) return MAKELPARAM(static_cast<WORD>(position), MNC_EXECUTE);
    }
    return 0;
  }
  // A popup of the owner-drawn items 10 and 11, whose item data are their texts.
  void MakeOwnerDrawnPopup(CMenu& menu) const {
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_OWNERDRAW, 10, texts[0].c_str());
    menu.AppendMenu(MF_OWNERDRAW, 11, texts[1].c_str());
  }

  std::vector<std::string> texts{"&Open", "E&xit"};
  std::vector<UINT> measured;
  std::vector<std::string> drawn;
};

struct Menus : ::testing::Test {
  void SetUp() override { RegisterDialogTemplateText(nullptr, "DIALOG 500 0 0 100 60\nSTYLE POPUP\n"); }
  TestDriver driver{[this](const std::string& what) { failures.push_back(what); }};
  std::vector<std::string> failures;
};

TEST_F(Menus, OwnerDrawnItemsAreMeasuredAndDrawnThroughTheOwner) {
  MenuOwner owner;
  ASSERT_TRUE(owner.Create(500));
  CMenu menu;
  owner.MakeOwnerDrawnPopup(menu);
  driver.OnMenu([](HMENU, HWND) { return 11u; });
  EXPECT_EQ(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD, 0, 0, &owner), 11);
  EXPECT_EQ(owner.measured, (std::vector<UINT>{10, 11}));
  EXPECT_EQ(owner.drawn, owner.texts);
}

TEST_F(Menus, WmMenuCharFindsTheMnemonicAnywhereInTheText) {
  MenuOwner owner;
  ASSERT_TRUE(owner.Create(500));
  CMenu menu;
  owner.MakeOwnerDrawnPopup(menu);
  EXPECT_EQ(MenuCommandForKey(menu, owner.m_hWnd, 'X'), 11u);
  EXPECT_EQ(MenuCommandForKey(menu, owner.m_hWnd, 'o'), 10u);
  EXPECT_EQ(MenuCommandForKey(menu, owner.m_hWnd, 'q'), 0u);
}

TEST_F(Menus, WithoutReturnCmdTheCommandIsPostedAndGrayedItemsCannotBeChosen) {
  MenuOwner owner;
  ASSERT_TRUE(owner.Create(500));
  const HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 20, "&Backup");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | MF_GRAYED, 21, "&Restore");
  driver.OnMenu([](HMENU, HWND) { return 21u; });
  EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, owner.m_hWnd, nullptr));
  driver.OnMenu([](HMENU, HWND) { return 20u; });
  EXPECT_TRUE(TrackPopupMenu(menu, 0, 0, 0, 0, owner.m_hWnd, nullptr));
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, owner.m_hWnd, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(LOWORD(msg.wParam), 20);
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  EXPECT_EQ(GetMenuState(menu, 21, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(CheckMenuItem(menu, 20, MF_CHECKED), 0u);
  EXPECT_EQ(GetMenuState(menu, 20, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  char text[16];
  EXPECT_EQ(GetMenuStringA(menu, 2, text, sizeof text, MF_BYPOSITION), 8);
  EXPECT_STREQ(text, "&Restore");
  EXPECT_TRUE(DestroyMenu(menu));
  EXPECT_FALSE(IsMenu(menu));
}

TEST_F(Menus, AnUnscriptedMenuIsReportedAndDismissed) {
  MenuOwner owner;
  ASSERT_TRUE(owner.Create(500));
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING, 1, "One");
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, &owner), 0);
  EXPECT_EQ(failures.size(), 1u);
}

}  // namespace
}  // namespace ui

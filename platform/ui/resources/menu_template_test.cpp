#include "platform/ui/menu_template.h"

#include "platform/win/byte_order.h"
#include "platform/win/last_error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

// One item of a binary template as a walker of the Win32 form reads it.
struct WalkedItem {
  WORD flags;
  WORD id;
  std::string text;
};

std::vector<WalkedItem> Walk(const std::vector<BYTE>& bytes) {
  const std::span<const BYTE> view(bytes);
  std::vector<WalkedItem> items;
  std::size_t at = 4 + win::ReadLe16(view, 2);
  int open = 1;
  while (open > 0) {
    WalkedItem item{win::ReadLe16(view, at), 0, {}};
    at += 2;
    if ((item.flags & MF_POPUP) == 0) {
      item.id = win::ReadLe16(view, at);
      at += 2;
    }
    for (WORD c; (c = win::ReadLe16(view, at)) != 0; at += 2) item.text += static_cast<char>(c);
    at += 2;
    if ((item.flags & MF_POPUP) != 0) ++open;
    if ((item.flags & MF_END) != 0) --open;
    items.push_back(item);
  }
  EXPECT_EQ(at, bytes.size()) << "the walk ends with the template";
  return items;
}

TEST(MenuTemplates, TheBinaryFormHasTheWin32LayoutWithEndMarksOnEachLevelsLastItem) {
  const auto bytes = LoadMenuTemplate(nullptr, 160);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(win::ReadLe16(std::span<const BYTE>(*bytes), 0), 0) << "version 0";
  const auto items = Walk(*bytes);
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[0].flags, MF_POPUP | MF_END) << "the only popup of the bar";
  EXPECT_EQ(items[0].text, "Drop-down");
  EXPECT_EQ(items[1].id, 1052);
  EXPECT_EQ(items[1].text, "&Backup\tCtrl+B");
  EXPECT_EQ(items[2].flags, 0) << "a separator: no flags, no command, no text";
  EXPECT_EQ(items[2].id, 0);
  EXPECT_EQ(items[3].flags, MF_GRAYED);
  EXPECT_EQ(items[4].flags, MF_POPUP | MF_END);
  EXPECT_EQ(items[5].flags, MF_CHECKED | MF_END);
  EXPECT_EQ(items[5].id, 1068);
}

TEST(MenuTemplates, LoadedMenusCarryTheItemsStatesAndSubmenus) {
  CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(160));
  ASSERT_EQ(menu.GetMenuItemCount(), 1);
  CMenu* popup = menu.GetSubMenu(0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(popup->GetMenuItemCount(), 4);
  EXPECT_EQ(popup->GetMenuItemID(0), 1052u);
  EXPECT_NE(popup->GetMenuState(1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
  EXPECT_NE(popup->GetMenuState(1067, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_NE(menu.GetMenuState(1068, MF_BYCOMMAND) & MF_CHECKED, 0u) << "found by command through the submenus";
  EXPECT_EQ(popup->EnableMenuItem(1067, MF_BYCOMMAND), MF_GRAYED);
  EXPECT_EQ(popup->GetMenuState(1067, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(popup->CheckMenuItem(1052, MF_BYCOMMAND | MF_CHECKED), 0u);
  EXPECT_NE(popup->GetMenuState(1052, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(popup->GetSubMenu(3)->GetMenuItemID(0), 1068u);
  char text[32];
  EXPECT_EQ(GetMenuStringA(*popup, 0, text, sizeof text, MF_BYPOSITION), 14);
  EXPECT_STREQ(text, "&Backup\tCtrl+B");
}

TEST(MenuTemplates, MissingAndBrokenResourcesLoadNothing) {
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  const HMENU before = menu;
  EXPECT_FALSE(menu.LoadMenu(999));
  EXPECT_EQ(win::GetLastError(), win::ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(static_cast<HMENU>(menu), before) << "a failed load keeps the menu";
  EXPECT_EQ(LoadMenuA(nullptr, 161), nullptr);
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
  EXPECT_FALSE(LoadMenuTemplate(nullptr, 161).has_value());
}

TEST(MenuTemplates, ParseErrorsNameTheirLine) {
  const auto error = [](std::string_view text) {
    try {
      ParseMenuTemplate(text);
    } catch (const MenuTemplateError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(error("POPUP \"A\"\n  MENUITEM \"x\" 1\n"), "menu template line 2: a POPUP is not closed by END");
  EXPECT_EQ(error("END\n"), "menu template line 1: END without POPUP");
  EXPECT_EQ(error("POPUP \"A\"\n MENUITEM \"x\" 70000\nEND\n"), "menu template line 2: \"70000\" is no command number");
  EXPECT_EQ(error("POPUP \"A\n"), "menu template line 1: the text has no closing quote");
  EXPECT_EQ(error("MENU\n"), "menu template line 1: POPUP, MENUITEM or END expected");
  const auto items = ParseMenuTemplate("# top-level command\nMENUITEM \"Say \\\"hi\\\"\" 7\n");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].text, "Say \"hi\"");
}

}  // namespace
}  // namespace ui

#include "platform/ui/controls/list_box.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

class Chooser : public CDialog {
 public:
  Chooser() : CDialog(700) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(), {OnControl(LBN_SELCHANGE, 1100, &Chooser::OnSelChange)});
    return map;
  }
  void OnSelChange() { changes.push_back(static_cast<int>(SendDlgItemMessageA(m_hWnd, 1100, LB_GETCURSEL, 0, 0))); }
  std::vector<int> changes;
};

TEST(ListBoxes, StringsDataAndTheSelection) {
  TestDriver driver;
  RegisterDialogTemplateText(
      nullptr, "DIALOG 700 0 0 100 100\nSTYLE POPUP\nCONTROL 1100 LISTBOX \"\" 0 0 100 100 NOTIFY TABSTOP\n");
  Chooser chooser;
  driver.OnDialog(700, [&](HWND dialog) {
    const HWND list = GetDlgItem(dialog, 1100);
    EXPECT_EQ(SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("JPEG")), 0);
    EXPECT_EQ(SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("TIFF")), 1);
    EXPECT_EQ(SendMessage(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("GIF")), 0);
    EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 3);
    char text[16];
    EXPECT_EQ(SendMessage(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(text)), 4);
    EXPECT_STREQ(text, "TIFF");
    EXPECT_EQ(SendMessage(list, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(text)), LB_ERR);
    SendMessage(list, LB_SETITEMDATA, 1, 77);
    EXPECT_EQ(SendMessage(list, LB_GETITEMDATA, 1, 0), 77);
    EXPECT_EQ(SendMessage(list, LB_SETCURSEL, 1, 0), 1);
    EXPECT_TRUE(chooser.changes.empty()) << "a selection set by message notifies nobody";
    // A click on the first row is the user's choice.
    PostMessage(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
    driver.WhenIdle([&] { driver.Escape(); });
  });
  chooser.DoModal();
  EXPECT_EQ(chooser.changes, std::vector<int>{0});
}

// Lists of file types to choose from, one toggling, one with extended selection.
struct MultipleSelection : ::testing::Test {
  void SetUp() override {
    RegisterDialogTemplateText(nullptr, R"(
DIALOG 701 0 0 200 100
STYLE POPUP
CONTROL 1101 LISTBOX "" 0 0 90 100 NOTIFY MULTIPLESEL
CONTROL 1102 LISTBOX "" 100 0 90 100 NOTIFY EXTENDEDSEL
CONTROL 1103 LISTBOX "" 100 0 90 100
)");
    dialog = CreateDialogIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 701), nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&CountChanges));
    for (int id : {1101, 1102, 1103}) {
      lists[id - 1101].SubclassWindow(GetDlgItem(dialog, id));
      for (const char* type : {"BMP", "GIF", "JPG", "PNG", "TIF"}) lists[id - 1101].AddString(type);
    }
    Changes() = 0;
  }
  void TearDown() override {
    for (CListBox& list : lists) list.UnsubclassWindow();
    DestroyWindow(dialog);
  }
  static int& Changes() {
    static int changes = 0;
    return changes;
  }
  static LRESULT CountChanges(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE) ++Changes();
    return DefDlgProcA(hwnd, message, wParam, lParam);
  }
  void ClickRow(CListBox& list, int row, WPARAM keys = 0) {
    RECT rect;
    ASSERT_EQ(list.GetItemRect(row, &rect), 1);
    SendMessage(list.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON | keys,
                MAKELPARAM(static_cast<WORD>(rect.left + 5), static_cast<WORD>((rect.top + rect.bottom) / 2)));
  }
  HWND dialog = nullptr;
  CListBox lists[3];
};

TEST_F(MultipleSelection, ClicksToggleInAMultipleSelectionList) {
  CListBox& list = lists[0];
  ClickRow(list, 1);
  ClickRow(list, 3);
  EXPECT_EQ(list.GetSelItems(), (std::vector<int>{1, 3}));
  ClickRow(list, 1);
  EXPECT_EQ(list.GetSelItems(), (std::vector<int>{3})) << "a second click takes the item out again";
  EXPECT_EQ(list.GetCaretIndex(), 1);
  EXPECT_EQ(list.GetCurSel(), 1) << "the focused item, selected or not";
  EXPECT_EQ(Changes(), 3);
  EXPECT_EQ(list.SetCurSel(2), LB_ERR) << "LB_SETCURSEL is for single-selection lists";
}

TEST_F(MultipleSelection, ExtendedSelectionTakesOneItemCtrlTogglesShiftSelectsARange) {
  CListBox& list = lists[1];
  ClickRow(list, 1);
  ClickRow(list, 3, MK_SHIFT);
  EXPECT_EQ(list.GetSelItems(), (std::vector<int>{1, 2, 3})) << "Shift: from the anchor to the click";
  ClickRow(list, 2, MK_CONTROL);
  EXPECT_EQ(list.GetSelItems(), (std::vector<int>{1, 3}));
  ClickRow(list, 4);
  EXPECT_EQ(list.GetSelItems(), (std::vector<int>{4})) << "a plain click selects one item alone";
  EXPECT_EQ(list.GetSelCount(), 1);
}

TEST_F(MultipleSelection, SelectionMessagesSetRangesAndAreRefusedBySingleSelectionLists) {
  CListBox& list = lists[1];
  EXPECT_EQ(list.SelItemRange(win::TRUE, 1, 9), 0);
  EXPECT_EQ(list.GetSelItems(), (std::vector<int>{1, 2, 3, 4})) << "the range stops at the last item";
  EXPECT_EQ(list.SetSel(2, win::FALSE), 0);
  EXPECT_EQ(list.GetSel(2), 0);
  EXPECT_GT(list.GetSel(3), 0);
  EXPECT_EQ(list.SetSel(-1, win::FALSE), 0);
  EXPECT_EQ(list.GetSelCount(), 0);
  EXPECT_EQ(list.SetSel(7), LB_ERR);
  std::vector<int> two(2);
  list.SetSel(-1);
  EXPECT_EQ(SendMessage(list.m_hWnd, LB_GETSELITEMS, 2, reinterpret_cast<LPARAM>(two.data())), 2)
      << "no more than the buffer holds";
  EXPECT_EQ(Changes(), 0) << "selections set by message notify nobody";
  CListBox& single = lists[2];
  EXPECT_EQ(single.GetSelCount(), LB_ERR);
  EXPECT_EQ(single.SetSel(1), LB_ERR);
  EXPECT_EQ(single.SetCurSel(2), 2);
  EXPECT_EQ(single.GetSel(2), 1);
  EXPECT_EQ(single.GetText(2), "JPG");
}

}  // namespace
}  // namespace ui

#include "platform/ui/list_box.h"

#include "platform/ui/cdialog.h"
#include "platform/ui/dialog_resources.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/styles.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window_api.h"

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
  RegisterDialogTemplateText(nullptr, "DIALOG 700 0 0 100 100\nSTYLE POPUP\nCONTROL 1100 LISTBOX \"\" 0 0 100 100 NOTIFY TABSTOP\n");
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

}  // namespace
}  // namespace ui

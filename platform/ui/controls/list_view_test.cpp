#include "platform/ui/controls/list_view.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/gdi/icons.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

constexpr const char* kDevices = R"(
DIALOG 102 0 0 200 120
STYLE POPUP
CONTROL 1002 LISTVIEW "" 5 5 150 100 REPORT SINGLESEL SHOWSELALWAYS NOCOLUMNHEADER TABSTOP
)";

struct Change {
  int item;
  UINT oldState;
  UINT newState;
};

// The main window's device list: rows of drives and the selection change it follows.
class DeviceWindow : public CDialog {
 public:
  DeviceWindow() : CDialog(102) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(),
                                {
                                    OnNotify(LVN_ITEMCHANGED, 1002, &DeviceWindow::OnItemChanged),
                                    OnNotify(NM_DBLCLK, 1002, &DeviceWindow::OnDoubleClick),
                                });
    return map;
  }
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, 1002, list); }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    list.InsertColumn(0, "Drive", 0, 200);
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    for (const char* row : {"(E:) Maker SmartMedia", "(F:) Maker CompactFlash", "(G:) Maker Memory Stick"}) {
      list.InsertItem(list.GetItemCount(), row);
    }
    return win::TRUE;
  }
  void OnItemChanged(NMHDR* header, LRESULT* result) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    changes.push_back(Change{change->iItem, change->uOldState, change->uNewState});
    selected = list.GetNextItem(-1, LVNI_SELECTED | LVNI_FOCUSED);
    *result = 0;
  }
  void OnDoubleClick(NMHDR* header, LRESULT*) {
    doubleClicked = reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem;
  }
  CListCtrl list;
  std::vector<Change> changes;
  int selected = -1;
  int doubleClicked = -1;
};

struct ListViews : ::testing::Test {
  void SetUp() override { RegisterDialogTemplateText(nullptr, kDevices); }
  TestDriver driver{[this](const std::string& what) { failures.push_back(what); }};
  std::vector<std::string> failures;
};

TEST_F(ListViews, SelectingARowReportsEachStateChangeAndGetNextItemFindsIt) {
  DeviceWindow window;
  driver.OnDialog(102, [&](HWND dialog) {
    window.list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(window.selected, 0);
    window.changes.clear();
    EXPECT_TRUE(driver.Select(dialog, 1002, 2));
    driver.WhenIdle([&] { driver.Escape(); });
  });
  window.DoModal();
  EXPECT_EQ(window.selected, 2);
  // Row 0 loses its focus and, with single selection, its selection; row 2 gains both.
  ASSERT_GE(window.changes.size(), 3u);
  EXPECT_EQ(window.changes.back().item, 2);
  EXPECT_EQ(window.changes.back().newState, LVIS_SELECTED | LVIS_FOCUSED);
  for (const auto& change : window.changes) {
    if (change.item == 0) {
      EXPECT_EQ(change.newState & LVIS_SELECTED, 0u);
    }
  }
  EXPECT_TRUE(failures.empty());
}

TEST_F(ListViews, DoubleClickNotifiesTheRow) {
  DeviceWindow window;
  driver.OnDialog(102, [&](HWND dialog) {
    EXPECT_TRUE(driver.Select(dialog, 1002, 1, true));
    driver.WhenIdle([&] { driver.Escape(); });
  });
  window.DoModal();
  EXPECT_EQ(window.doubleClicked, 1);
}

TEST_F(ListViews, TextsStatesAndCheckBoxes) {
  DeviceWindow window;
  ASSERT_TRUE(window.Create(102));
  CListCtrl& list = window.list;
  EXPECT_EQ(list.GetItemText(1, 0), "(F:) Maker CompactFlash");
  EXPECT_TRUE(list.SetItemText(1, 1, "second column"));
  EXPECT_EQ(list.GetItemText(1, 1), "second column");
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
  EXPECT_EQ(list.GetNextItem(0, LVNI_ALL), 1);
  EXPECT_EQ(list.GetNextItem(2, LVNI_ALL), -1);
  list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  EXPECT_FALSE(list.GetCheck(0));
  list.SetCheck(0);
  EXPECT_TRUE(list.GetCheck(0));
  EXPECT_EQ(window.changes.back().newState & LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));
  EXPECT_EQ(list.SetSelectionMark(2), -1);
  EXPECT_EQ(list.GetSelectionMark(), 2);
  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(list.GetItemCount(), 0);
}

// The recovery settings' file-type list: item and sub-item notifications, a colour per column.
class ColouredList : public DeviceWindow {
 public:
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&DeviceWindow::GetMessageMap(),
                                {OnNotify(NM_CUSTOMDRAW, 1002, &ColouredList::OnCustomDraw)});
    return map;
  }
  void OnCustomDraw(NMHDR* header, LRESULT* result) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    stages.push_back(draw->nmcd.dwDrawStage | (draw->nmcd.dwItemSpec << 24) |
                     (static_cast<DWORD>(draw->iSubItem) << 20));
    *result = CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT || draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
      *result = CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM))
      draw->clrText = draw->iSubItem == 0 ? 0x780A01 : 0xD76B00;
  }
  std::vector<DWORD> stages;
};

TEST_F(ListViews, CustomDrawAsksForEachItemAndSubItemWhenTold) {
  ColouredList window;
  driver.OnDialog(102, [&](HWND) {
    window.list.InsertColumn(1, "Size", 0, 50);
    window.stages.clear();
    driver.WhenIdle([&] { driver.Escape(); });
  });
  window.DoModal();
  ASSERT_GE(window.stages.size(), 10u);
  EXPECT_EQ(window.stages[0], CDDS_PREPAINT);
  EXPECT_EQ(window.stages[1], CDDS_ITEMPREPAINT);
  EXPECT_EQ(window.stages[2], CDDS_ITEMPREPAINT | CDDS_SUBITEM);
  EXPECT_EQ(window.stages[3], CDDS_ITEMPREPAINT | CDDS_SUBITEM | (1u << 20));
  EXPECT_EQ(window.stages[4], CDDS_ITEMPREPAINT | (1u << 24));
}

TEST(ImageLists, HoldIconsAndMaskedBitmapStrips) {
  CImageList images;
  ASSERT_TRUE(images.Create(16, 16, ILC_MASK | ILC_COLOR32, 15, 15));
  const HBITMAP strip = CreateBitmap(48, 16, 1, 32, nullptr);
  EXPECT_EQ(images.Add(strip, RGB(0, 0, 0)), 0);
  EXPECT_EQ(images.GetImageCount(), 3) << "a 48-pixel strip of 16-pixel images adds three";
  DeleteObject(strip);
  EXPECT_EQ(ImageList_AddIcon(images, nullptr), -1);
}

}  // namespace
}  // namespace ui

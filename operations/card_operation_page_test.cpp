// What the Restore and Duplicate pages share through their base page, checked on each page in the
// whole program: the page refreshed for its device with Cancel and Help hidden, F1 opening the
// page's own help topic, the Cancel button asking a busy run to stop, the page kept while a run
// is busy and the colours of its statics.
#include "device/device_state.h"
#include "operations/dup_page.h"
#include "operations/operation_state.h"
#include "operations/rest_page.h"
#include "operations/testing/page_runs.h"
#include "operations/tool_page.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnlok {
namespace {

constexpr int kRowE = 0;

struct PageCase {
  const char* name;
  int toolButton;
  int pageTemplate;
  int cancelButton;
  int helpButton;
  int deviceValue;
  int capacityValue;
  int valueStatic;
  int activityText;
  int percentText;
  int label;
  const char* topicTitle;
};

// clang-format off
const PageCase kPages[] = {
    {"Restore",   kRestoreTool,   kRestorePageTemplate,   restore_page::kCancelButton,   restore_page::kHelpButton,
     restore_page::kDeviceValue,   restore_page::kCapacityValue,   restore_page::kTotalBlocksValue,
     restore_page::kActivityText,  restore_page::kPercentText,     restore_page::kDeviceLabel,
     "Restoring a card from a backup"},
    {"Duplicate", kDuplicateTool, kDuplicatePageTemplate, duplicate_page::kCancelButton, duplicate_page::kHelpButton,
     duplicate_page::kDeviceValue, duplicate_page::kCapacityValue, duplicate_page::kTotalBlocksValue,
     duplicate_page::kPhaseText,   duplicate_page::kPercentText,   duplicate_page::kDeviceLabel,
     "Duplicating a card"},
};
// clang-format on

void PressButton(ui::HWND page, int id) {
  ui::SendMessage(page, ui::WM_COMMAND, ui::MAKEWPARAM(static_cast<ui::WORD>(id), ui::BN_CLICKED),
                  reinterpret_cast<ui::LPARAM>(ui::GetDlgItem(page, id)));
}

class CardOperationPage : public test_support::PageRunTest, public ::testing::WithParamInterface<PageCase> {
 protected:
  void StartMachine() {
    test_support::WriteHostBytes(test_support::TestDataHome() / "e.img", test_support::PatternBytes(20000 * 512, 0x21));
    Start(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "E",
        "card": { "kind": "cf", "image": "e.img", "sectors": 20000 } } ] })");
  }

  void OnThePage(std::function<void(ui::HWND page)> action) {
    StartMachine();
    OnPage(GetParam().toolButton, GetParam().pageTemplate, kRowE, std::move(action));
  }
};

TEST_P(CardOperationPage, OpensRefreshedForItsDeviceWithCancelAndHelpHidden) {
  const PageCase& c = GetParam();
  OnThePage([&](ui::HWND page) {
    EXPECT_EQ(test_support::ItemText(page, c.deviceValue), " CF Reader        [E:]");
    EXPECT_FALSE(test_support::ItemText(page, c.capacityValue).empty());
    EXPECT_FALSE(test_support::ItemText(page, c.label).empty()) << "captions from the string table";
    EXPECT_FALSE(ui::IsWindowVisible(ui::GetDlgItem(page, c.cancelButton)));
    EXPECT_FALSE(ui::IsWindowVisible(ui::GetDlgItem(page, c.helpButton)));
    EXPECT_TRUE(ui::IsWindowVisible(ui::GetDlgItem(page, c.deviceValue))) << "the page is shown";
    EXPECT_EQ(ActivePageHwnd, page);
  });
}

TEST_P(CardOperationPage, F1AndTheHiddenHelpButtonOpenThePagesTopic) {
  const PageCase& c = GetParam();
  std::vector<std::string> topics;
  OnThePage([&](ui::HWND page) {
    driver.WhenIdle([&, page] {
      ui::SetFocus(ui::GetDlgItem(page, c.label));
      EXPECT_TRUE(driver.PressKey(ui::VK_F1));
    });
    driver.WhenIdle([&, page] {
      topics.push_back(test_support::ShownHelpTopic());
      PressButton(page, c.helpButton);
      topics.push_back(test_support::ShownHelpTopic());
    });
  });
  EXPECT_EQ(topics, (std::vector<std::string>{c.topicTitle, c.topicTitle}));
}

TEST_P(CardOperationPage, CancelAsksABusyRunToStopAndIsIgnoredWhenIdle) {
  const PageCase& c = GetParam();
  OnThePage([&](ui::HWND page) {
    PressButton(page, c.cancelButton);
    EXPECT_EQ(CancelRequested, 0u) << "idle";
    OperationBusy = 1;
    PressButton(page, c.cancelButton);
    EXPECT_EQ(CancelRequested, 1u) << "busy";
    OperationBusy = 0;
    CancelRequested = 0;
  });
}

TEST_P(CardOperationPage, ThePageIsKeptWhileARunIsBusy) {
  OnThePage([&](ui::HWND page) {
    auto* window = dynamic_cast<ui::CPropertyPage*>(ui::CWnd::FromHandlePermanent(page));
    ASSERT_NE(window, nullptr);
    OperationBusy = 1;
    EXPECT_FALSE(window->OnKillActive());
    OperationBusy = 0;
    EXPECT_TRUE(window->OnKillActive());
  });
}

// A value's grey is its field's background; its text keeps the DC's colour, so it can be read.
TEST_P(CardOperationPage, StaticsTakeTheColoursOfTheirRole) {
  const PageCase& c = GetParam();
  constexpr ui::COLORREF kUntouched = 0x123456;
  OnThePage([&](ui::HWND page) {
    const ui::HDC dc = ui::GetDC(page);
    const auto backgroundOf = [&](int id) {
      ui::SetTextColor(dc, kUntouched);
      ui::SetBkColor(dc, kUntouched);
      ui::SetBkMode(dc, ui::OPAQUE);
      ui::SendMessage(page, ui::WM_CTLCOLORSTATIC, reinterpret_cast<ui::WPARAM>(dc),
                      reinterpret_cast<ui::LPARAM>(ui::GetDlgItem(page, id)));
      EXPECT_EQ(ui::GetBkMode(dc), ui::TRANSPARENT) << id;
      EXPECT_EQ(ui::GetTextColor(dc), kUntouched) << id << ": the text keeps the font's colour";
      return ui::GetBkColor(dc);
    };
    EXPECT_EQ(backgroundOf(c.valueStatic), 0xC5C5C5u);
    EXPECT_EQ(backgroundOf(c.deviceValue), 0xC5C5C5u);
    EXPECT_EQ(backgroundOf(c.activityText), 0xB4B4B4u);
    EXPECT_EQ(backgroundOf(c.percentText), 0xCDCDCDu);
    EXPECT_EQ(backgroundOf(c.label), kUntouched) << "a label keeps the DC's colours";
    ui::ReleaseDC(page, dc);
  });
}

void PrintTo(const PageCase& page, std::ostream* out) { *out << page.name; }

INSTANTIATE_TEST_SUITE_P(Pages, CardOperationPage, ::testing::ValuesIn(kPages),
                         [](const ::testing::TestParamInfo<PageCase>& page) { return page.param.name; });

}  // namespace
}  // namespace tarnlok

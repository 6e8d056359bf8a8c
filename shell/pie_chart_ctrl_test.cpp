// The pie chart's window class: registered once by the application object, drawn by the
// default window procedure with its light-grey background, and hidden on the Information page.
#include "controls/pie_chart_ctrl.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "controls/control_ids.h"
#include "controls/resource_ids.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnlok {
namespace {

TEST(PieChart, TheClassIsRegisteredOnceAndPaintsItsLightGreyBackground) {
  CPieChartCtrl first;
  EXPECT_EQ(CPieChartCtrl::RegisterPieChartClass(), win::FALSE) << "the second registration fails harmlessly";
  CPieChartCtrl second;
  const ui::HWND parent = ui::CreateWindowExA(0, ui::kDialogClass, "", ui::WS_POPUP | ui::WS_VISIBLE, 0, 0, 200, 100,
                                              nullptr, nullptr, nullptr, nullptr);
  const ui::HWND chart = ui::CreateWindowExA(0, "PIE_CHART_CTRL", "", ui::WS_CHILD | ui::WS_VISIBLE, 10, 10, 60, 40,
                                             parent, nullptr, nullptr, nullptr);
  ASSERT_NE(chart, nullptr);
  ui::RedrawWindow(parent, nullptr, nullptr, ui::RDW_INVALIDATE | ui::RDW_ERASE | ui::RDW_UPDATENOW);
  const ui::HDC dc = ui::GetDC(chart);
  EXPECT_EQ(ui::GetPixel(dc, 30, 20), ui::RGB(192, 192, 192));
  ui::ReleaseDC(chart, dc);
  ui::DestroyWindow(parent);
}

using PieChartOnThePage = test_support::ProgramTest;

TEST_F(PieChartOnThePage, TheInformationPageHoldsTheChartHidden) {
  Start(test_support::TwoReaders("xp"));
  test_support::HideNotes();
  driver.OnDialog(kMainTemplate, [&](ui::HWND) {
    const ui::HWND chart = ui::GetDlgItem(ActivePageHwnd, info_page::kPieChart);
    ASSERT_NE(chart, nullptr);
    char name[64] = {};
    ui::GetClassNameA(chart, name, sizeof(name));
    EXPECT_STREQ(name, "PIE_CHART_CTRL");
    EXPECT_FALSE(ui::IsWindowVisible(chart));
    driver.Escape();
  });
  Run();
}

}  // namespace
}  // namespace tarnlok

// Every static text of the program's dialogs fits the control its template gives it: the text
// is wrapped at the control's width in the dialog's font and the lines stand inside its height,
// so no line is lost below the control.
#include "controls/pie_chart_ctrl.h"
#include "device/string_ids.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/win/modules/module_resources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

namespace tarnlok {
namespace {

constexpr int kFormatPage = 134;
constexpr int kFormatNote = 1088;
constexpr ui::DWORD kStaticKind = 0x1F;

std::intptr_t Quiet(ui::HWND, ui::UINT, ui::WPARAM, ui::LPARAM) { return 0; }

std::string StringOf(win::UINT id) {
  char text[1024] = {};
  win::LoadStringA(nullptr, id, text, sizeof(text));
  return text;
}

// The height the text's lines take, wrapped at the control's width in the control's font.
int TextHeight(ui::HWND control, const std::string& text) {
  ui::RECT client{};
  ui::GetClientRect(control, &client);
  const ui::HDC dc = ui::GetDC(control);
  const ui::HGDIOBJ old =
      ui::SelectObject(dc, reinterpret_cast<ui::HGDIOBJ>(ui::SendMessage(control, ui::WM_GETFONT, 0, 0)));
  ui::RECT measured{0, 0, client.right, 0};
  ui::DrawTextA(dc, text.c_str(), -1, &measured, ui::DT_CALCRECT | ui::DT_WORDBREAK | ui::DT_NOPREFIX);
  ui::SelectObject(dc, old);
  ui::ReleaseDC(control, dc);
  return measured.bottom;
}

TEST(StaticTextFit, EveryLineOfEveryStaticStandsInsideItsControl) {
  const ui::HWND owner =
      ui::CreateWindowExA(0, ui::kDialogClass, "", ui::WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  // The Information page holds the program's own pie chart.
  CPieChartCtrl::RegisterPieChartClass();
  int checked = 0;
  for (int id = 1; id < 1000; ++id) {
    const ui::DialogTemplate* dialog = ui::FindDialogTemplate(nullptr, id);
    if (dialog == nullptr) continue;
    const ui::HWND hwnd = ui::CreateDialogIndirectParamA(nullptr, *dialog, owner, Quiet, 0);
    ASSERT_NE(hwnd, nullptr) << "dialog " << id;
    ui::HWND item = ui::GetWindow(hwnd, ui::GW_CHILD);
    for (const ui::DialogControl& control : dialog->controls) {
      const ui::HWND current = std::exchange(item, ui::GetWindow(item, ui::GW_HWNDNEXT));
      // The Format page's note gets its text when the page opens.
      const std::string text =
          id == kFormatPage && control.id == kFormatNote ? StringOf(kStringFormatNote) : control.text;
      // Left, centred and right texts wrap; the other kinds draw one line or a picture.
      const bool wraps = (control.style & kStaticKind) <= ui::SS_RIGHT && (control.style & ui::SS_CENTERIMAGE) == 0;
      if (control.className != ui::kStaticClass || text.empty() || !wraps) continue;
      ui::RECT client{};
      ui::GetClientRect(current, &client);
      EXPECT_LE(TextHeight(current, text), client.bottom)
          << "dialog " << id << ", static " << control.id << ": \"" << text << "\"";
      ++checked;
    }
    ui::DestroyWindow(hwnd);
  }
  EXPECT_GT(checked, 0);
  ui::DestroyWindow(owner);
}

}  // namespace
}  // namespace tarnlok

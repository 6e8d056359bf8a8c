#include "operations/card_operation_page.h"

#include "device/device_state.h"
#include "operations/operation_handlers.h"
#include "operations/page_look.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "controls/control_colours.h"
#include "controls/dialog_texts.h"
#include "controls/help_topics.h"
#include "controls/app_resources.h"
#include "controls/page_background.h"
#include "controls/resource_ids.h"
#include "controls/shell_state.h"

#include <algorithm>

namespace tarnlok {
namespace {

constexpr ui::COLORREF kBarColour = 0x640000;
constexpr ui::COLORREF kValueColour = 0xC5C5C5;
constexpr ui::COLORREF kActivityColour = 0xB4B4B4;
constexpr ui::COLORREF kPercentColour = 0xCDCDCD;

bool Contains(std::span<const int> ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

}  // namespace

CCardOperationPage::CCardOperationPage(win::UINT templateId, const CardPageLook& look)
    : CPropertyPage(templateId), look_(look) {}

const ui::MessageMap& CCardOperationPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_HELP, &CCardOperationPage::OnHelp),
                                      ui::OnMessage(ui::WM_PAINT, &CCardOperationPage::OnPaint),
                                      ui::OnCtlColorMessage(&CCardOperationPage::OnCtlColor),
                                  });
  return map;
}

void CCardOperationPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  ui::DDX_Control(dx, look_.progressBar, progress_);
  ui::DDX_Control(dx, look_.cancelButton, cancelButton_);
  ui::DDX_Control(dx, look_.helpButton, helpButton_);
}

void CCardOperationPage::MarkActive() {
  CurrentPageCode = look_.pageCode;
  ActivePageHwnd = m_hWnd;
}

void CCardOperationPage::StartPage() {
  MarkActive();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  progress_.SetBarColour(kBarColour);
  helpButton_.ShowWindow(ui::SW_HIDE);
}

win::BOOL CCardOperationPage::OnKillActive() { return PageKillActive(*this); }

void CCardOperationPage::OnCancelButton() { RequestCancel(); }

void CCardOperationPage::OnHelpButton() { OpenHelpTopic(m_hWnd, HelpTopicOfPage(look_.pageCode)); }

ui::LRESULT CCardOperationPage::OnHelp(ui::WPARAM, ui::LPARAM) {
  OnHelpButton();
  return win::TRUE;
}

void CCardOperationPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CCardOperationPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  const int id = control->GetDlgCtrlID();
  if (Contains(look_.transparentStatics, id)) {
    dc->SetBkMode(ui::TRANSPARENT);
  } else if (Contains(look_.valueStatics, id)) {
    return ColouredStatic(dc, kValueColour);
  } else if (id == look_.activityText) {
    return ColouredStatic(dc, kActivityColour);
  } else if (id == look_.percentText) {
    return ColouredStatic(dc, kPercentColour);
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok

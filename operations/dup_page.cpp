#include "operations/dup_page.h"

#include "device/device_state.h"
#include "operations/operation_handlers.h"
#include "operations/page_look.h"
#include "operations/refresh_duplicate_page.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "shell/control_colours.h"
#include "shell/dialog_texts.h"
#include "shell/help_topics.h"
#include "shell/main_app.h"
#include "shell/page_background.h"
#include "shell/page_codes.h"
#include "shell/resource_ids.h"
#include "shell/shell_state.h"

#include <algorithm>

namespace tarnlok {
namespace {

namespace controls = duplicate_page;

constexpr ui::COLORREF kBarColour = 0x640000;
constexpr ui::COLORREF kValueColour = 0xC5C5C5;
constexpr ui::COLORREF kPhaseColour = 0xB4B4B4;
constexpr ui::COLORREF kPercentColour = 0xCDCDCD;

constexpr int kTransparentStatics[] = {controls::kTotalBlocksLabel, controls::kCurrentBlockLabel,
                                       controls::kDeviceLabel,      controls::kCapacityLabel,
                                       controls::kDeviceInfoLabel,  controls::kProgressInfoLabel};
constexpr int kValueStatics[] = {controls::kDeviceValue, controls::kCapacityValue, controls::kTotalBlocksValue,
                                 controls::kCurrentBlockValue};

bool Contains(std::span<const int> ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

}  // namespace

CDupPage::CDupPage() : CPropertyPage(kDuplicatePageTemplate) {}

const ui::MessageMap& CDupPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnCommand(controls::kCancelButton, &CDupPage::OnCancelButton),
                                      ui::OnCommand(controls::kDuplicateButton, &CDupPage::DuplicateMedia),
                                      ui::OnCommand(controls::kHelpButton, &CDupPage::OnHelpButton),
                                      ui::OnMessage(ui::WM_HELP, &CDupPage::OnHelp),
                                      ui::OnMessage(ui::WM_PAINT, &CDupPage::OnPaint),
                                      ui::OnCtlColorMessage(&CDupPage::OnCtlColor),
                                  });
  return map;
}

void CDupPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  ui::DDX_Control(dx, controls::kProgressBar, progress_);
  ui::DDX_Control(dx, controls::kCancelButton, cancelButton_);
  ui::DDX_Control(dx, controls::kHelpButton, helpButton_);
  ui::DDX_Control(dx, controls::kDuplicateButton, duplicateButton_);
}

win::BOOL CDupPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  CurrentPageCode = kDuplicatePageCode;
  ActivePageHwnd = m_hWnd;
  DecorateIconButtons({{&duplicateButton_, kDuplicateIcon}, {&cancelButton_, kCancelIcon}});
  progress_.SetBarColour(kBarColour);
  SetFonts(*this, {controls::kDeviceInfoLabel, controls::kProgressInfoLabel}, App().labelFontBold);
  SetFonts(
      *this,
      {controls::kTotalBlocksLabel, controls::kCurrentBlockLabel, controls::kDeviceLabel, controls::kCapacityLabel},
      App().labelFont);
  helpButton_.ShowWindow(ui::SW_HIDE);
  return win::TRUE;
}

win::BOOL CDupPage::OnSetActive() {
  CurrentPageCode = kDuplicatePageCode;
  ActivePageHwnd = m_hWnd;
  RefreshDuplicatePage();
  return CPropertyPage::OnSetActive();
}

win::BOOL CDupPage::OnKillActive() { return PageKillActive(*this); }

void CDupPage::OnCancelButton() { RequestCancel(); }

void CDupPage::OnHelpButton() { OpenHelpTopic(m_hWnd, HelpTopicOfPage(kDuplicatePageCode)); }

ui::LRESULT CDupPage::OnHelp(ui::WPARAM, ui::LPARAM) {
  OnHelpButton();
  return win::TRUE;
}

void CDupPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CDupPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  const int id = control->GetDlgCtrlID();
  if (Contains(kTransparentStatics, id)) {
    dc->SetBkMode(ui::TRANSPARENT);
  } else if (Contains(kValueStatics, id)) {
    return ColouredStatic(dc, kValueColour);
  } else if (id == controls::kPhaseText) {
    return ColouredStatic(dc, kPhaseColour);
  } else if (id == controls::kPercentText) {
    return ColouredStatic(dc, kPercentColour);
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok

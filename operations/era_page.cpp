#include "operations/era_page.h"

#include "device/device_state.h"
#include "operations/operation_handlers.h"
#include "operations/page_look.h"
#include "operations/refresh_format_page.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "controls/control_colours.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/help_topics.h"
#include "controls/app_resources.h"
#include "controls/page_background.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "controls/shell_state.h"

#include <algorithm>

namespace tarnlok {
namespace {

using namespace format_page;

constexpr ui::COLORREF kBarColour = 0x640000;
constexpr ui::COLORREF kStepColour = 0xB9B9B9;
constexpr ui::COLORREF kPercentColour = 0xCDCDCD;

constexpr int kTransparentStatics[] = {kQuickChoice,        kFullChoice,  kSummaryChoice,  kNoteText,
                                       kBootChoice,         kSourceLabel, kSourceText,     kFirstGroupCaption,
                                       kSecondGroupCaption, kFat32Choice, kPanoramicChoice};

}  // namespace

CEraPage::CEraPage() : CPropertyPage(kFormatPageTemplate) {}

const ui::MessageMap& CEraPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnCommand(kFormatButton, &CEraPage::FormatMedia),
                                      ui::OnCommand(kHelpButton, &CEraPage::OnHelpButton),
                                      ui::OnMessage(ui::WM_HELP, &CEraPage::OnHelp),
                                      ui::OnMessage(ui::WM_PAINT, &CEraPage::OnPaint),
                                      ui::OnCtlColorMessage(&CEraPage::OnCtlColor),
                                  });
  return map;
}

void CEraPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  ui::DDX_Control(dx, kProgressBar, progress_);
  ui::DDX_Control(dx, kFormatButton, formatButton_);
  ui::DDX_Control(dx, kHelpButton, helpButton_);
  ui::DDX_Control(dx, kSourceText, sourceText_);
  ui::DDX_Control(dx, kSourceLabel, sourceLabel_);
  ui::DDX_Control(dx, kPanoramicChoice, panoramicChoice_);
  ui::DDX_Control(dx, kFat32Choice, fat32Choice_);
  ui::DDX_Control(dx, kBootChoice, bootChoice_);
  ui::DDX_Control(dx, kSummaryChoice, summaryChoice_);
  ui::DDX_Control(dx, kQuickChoice, quickChoice_);
}

win::BOOL CEraPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  CurrentPageCode = kFormatPageCode;
  ActivePageHwnd = m_hWnd;
  SetFonts(*this, {kSourceLabel, kSourceText}, App().labelFont);
  SetFonts(*this, {kFirstGroupCaption, kSecondGroupCaption}, App().labelFontBold);
  DecorateIconButtons({{&formatButton_, kFormatIcon}});
  quickChoice_.SetCheck(static_cast<int>(ui::BST_CHECKED));
  summaryChoice_.SetCheck(static_cast<int>(ui::BST_CHECKED));
  ShowControls(*this, {kSourceLabel, kSourceText}, true);
  helpButton_.ShowWindow(ui::SW_HIDE);
  sourceLabel_.SetWindowText("Source :");
  if (!sourceDescription.empty()) sourceText_.SetWindowText(sourceDescription);
  progress_.SetBarColour(kBarColour);
  return win::TRUE;
}

win::BOOL CEraPage::OnSetActive() {
  CurrentPageCode = kFormatPageCode;
  ActivePageHwnd = m_hWnd;
  RefreshFormatPage();
  return CPropertyPage::OnSetActive();
}

win::BOOL CEraPage::OnKillActive() { return PageKillActive(*this); }

void CEraPage::OnHelpButton() { OpenHelpTopic(m_hWnd, HelpTopicOfPage(kFormatPageCode)); }

ui::LRESULT CEraPage::OnHelp(ui::WPARAM, ui::LPARAM) {
  OnHelpButton();
  return win::TRUE;
}

void CEraPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CEraPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  const int id = control->GetDlgCtrlID();
  if (std::find(std::begin(kTransparentStatics), std::end(kTransparentStatics), id) != std::end(kTransparentStatics)) {
    dc->SetBkMode(ui::TRANSPARENT);
  } else if (id == kStepText || id == kPercentText) {
    return ColouredStatic(dc, id == kStepText ? kStepColour : kPercentColour);
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok

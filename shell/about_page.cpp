#include "shell/about_page.h"

#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/resources/resources.h"
#include "controls/control_colours.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/help_topics.h"
#include "shell/main_app.h"
#include "controls/page_background.h"
#include "controls/resource_ids.h"

#include <string>

namespace tarnlok {
namespace {

using namespace about_page;

constexpr const char* kSupportMail = "mailto:support@quarnwell.example";

bool TransparentStatic(int id) {
  return (id >= kProductLabel && id <= kStreet) || id == kTown || id == kSupportHeading;
}

}  // namespace

CAbtPage::CAbtPage() : CPropertyPage(kAboutPageTemplate) { m_hIcon = ui::LoadIconA(nullptr, kAboutTabIcon); }

const ui::MessageMap& CAbtPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(), {
                                                                       ui::OnMessage(ui::WM_PAINT, &CAbtPage::OnPaint),
                                                                       ui::OnMessage(ui::WM_HELP, &CAbtPage::OnHelp),
                                                                       ui::OnCtlColorMessage(&CAbtPage::OnCtlColor),
                                                                   });
  return map;
}

void CAbtPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  ui::DDX_Control(dx, kWebLink, webLink_);
  ui::DDX_Control(dx, kMailLink, mailLink_);
}

win::BOOL CAbtPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  // The table's text is a pattern with one %s for the version; it is filled, never used as a format.
  std::string product = LoadProgramString(kStringProductPattern);
  if (const auto at = product.find("%s"); at != std::string::npos)
    product.replace(at, 2, LoadProgramString(kStringVersion));
  SetDlgItemText(kProduct, product);
  SetDlgItemText(kBuild, LoadProgramString(kStringBuild));
  SetDlgItemText(kNotice, LoadProgramString(kStringCopyright));
  SetFonts(*this, {kMakerName}, App().labelFontBold);
  SetFonts(*this, {kProductLabel, kBuildLabel, kSupportHeading, kStreet, kTown, kNotice}, App().labelFont);
  webLink_.ModifyLinkStyle(0, CHyperLink::kUnderline, win::TRUE);
  mailLink_.SetLinkTarget(kSupportMail);
  mailLink_.ModifyLinkStyle(0, CHyperLink::kOpenOnPress, win::TRUE);
  return win::TRUE;
}

// The program's help file, rather than whatever text the shared message buffer holds.
void CAbtPage::WinHelp(win::DWORD, win::UINT) { OpenHelpTopic(m_hWnd, "Dunmere Backup"); }

void CAbtPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CAbtPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind == ui::CTLCOLOR_STATIC && TransparentStatic(control->GetDlgCtrlID())) {
    dc->SetBkMode(ui::TRANSPARENT);
  } else {
    DefaultControlColours(*this, dc, control, kind);
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok

#include "operations/dup_page.h"

#include "operations/page_look.h"
#include "operations/refresh_duplicate_page.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/app_resources.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"

namespace tarnlok {
namespace {

namespace controls = duplicate_page;

constexpr int kTransparentStatics[] = {controls::kTotalBlocksLabel, controls::kCurrentBlockLabel,
                                       controls::kDeviceLabel,      controls::kCapacityLabel,
                                       kFirstGroupCaption,          kSecondGroupCaption};
constexpr int kValueStatics[] = {controls::kDeviceValue, controls::kCapacityValue, controls::kTotalBlocksValue,
                                 controls::kCurrentBlockValue};
constexpr CardPageLook kLook{kDuplicatePageCode,    controls::kProgressBar, controls::kCancelButton,
                             controls::kHelpButton, kTransparentStatics,    kValueStatics,
                             controls::kPhaseText,  controls::kPercentText};

}  // namespace

CDupPage::CDupPage() : CCardOperationPage(kDuplicatePageTemplate, kLook) {}

const ui::MessageMap& CDupPage::GetMessageMap() const {
  static const ui::MessageMap map(&CCardOperationPage::GetMessageMap(),
                                  {
                                      ui::OnCommand(controls::kCancelButton, &CDupPage::OnCancelButton),
                                      ui::OnCommand(controls::kDuplicateButton, &CDupPage::DuplicateMedia),
                                      ui::OnCommand(controls::kHelpButton, &CDupPage::OnHelpButton),
                                  });
  return map;
}

void CDupPage::DoDataExchange(ui::CDataExchange* dx) {
  CCardOperationPage::DoDataExchange(dx);
  ui::DDX_Control(dx, controls::kDuplicateButton, duplicateButton_);
}

win::BOOL CDupPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  StartPage();
  DecorateIconButtons({{&duplicateButton_, kDuplicateIcon}, {&cancelButton_, kCancelIcon}});
  SetFonts(*this, {kFirstGroupCaption, kSecondGroupCaption}, App().labelFontBold);
  SetFonts(
      *this,
      {controls::kTotalBlocksLabel, controls::kCurrentBlockLabel, controls::kDeviceLabel, controls::kCapacityLabel},
      App().labelFont);
  return win::TRUE;
}

win::BOOL CDupPage::OnSetActive() {
  MarkActive();
  RefreshDuplicatePage();
  return CPropertyPage::OnSetActive();
}

}  // namespace tarnlok

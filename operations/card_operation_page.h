// What the Restore and Duplicate pages share: the sheet's device and owner, the progress bar,
// the Cancel and Help buttons with their handlers, the page background and the colours of the
// page's statics. Each page names its own controls in a CardPageLook.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "controls/icon_button.h"
#include "controls/shaded_progress.h"

#include <span>

namespace tarnlok {

class CBasePage;

struct CardPageLook {
  int pageCode;
  int progressBar;
  int cancelButton;
  int helpButton;
  std::span<const int> transparentStatics;
  std::span<const int> valueStatics;
  int activityText;
  int percentText;
};

class CCardOperationPage : public ui::CPropertyPage {
 public:
  win::BOOL OnKillActive() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  const ui::MessageMap& GetMessageMap() const override;

  // Set by the sheet before the page is created; negative: no device.
  int deviceRow = -1;
  CBasePage* ownerSheet = nullptr;

 protected:
  // look lives as long as the page (a page's constant).
  CCardOperationPage(win::UINT templateId, const CardPageLook& look);

  // The page becomes the active one: its code and window in the shared state.
  void MarkActive();
  // At the page's start: active, its background loaded, the bar's colour, Help hidden.
  void StartPage();

  // The Cancel and Help buttons' handlers, for the page's own map with its controls' ids.
  void OnCancelButton();
  void OnHelpButton();

  CShadedProgress progress_;
  CIconButton cancelButton_;
  ui::CButton helpButton_;

 private:
  ui::LRESULT OnHelp(ui::WPARAM, ui::LPARAM);
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

  const CardPageLook& look_;
};

}  // namespace tarnlok

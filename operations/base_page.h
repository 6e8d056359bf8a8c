// The one-operation sheet that the Tools page opens: one operation page (Backup, Duplicate,
// Restore or Format by its mode) for one device row, without tabs, with the wizard's button row
// reduced to a Close button that a running operation disables.
#pragma once

#include "operations/bkup_page.h"
#include "operations/dup_page.h"
#include "operations/era_page.h"
#include "operations/rest_page.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "controls/page_codes.h"

#include <string>

namespace tarnlok {

class CBasePage : public ui::CPropertySheet {
 public:
  // Adds the page of the mode (none for a mode outside 1 to 4), told its row, its source text
  // (Backup and Format) and this sheet.
  CBasePage(int mode, int deviceRow, const std::string& rowText);
  win::BOOL OnInitDialog() override;
  // Enables (non-zero) or disables the Close button; always 1.
  int EnableCloseButton(win::BOOL enable);
  const ui::MessageMap& GetMessageMap() const override;

  int Mode() const { return mode_; }
  int DeviceRow() const { return deviceRow_; }

 private:
  void OnPaint();

  CBkupPage backupPage_;
  CDupPage duplicatePage_;
  CRestPage restorePage_;
  CEraPage formatPage_;
  int mode_;
  int deviceRow_;
};

}  // namespace tarnlok

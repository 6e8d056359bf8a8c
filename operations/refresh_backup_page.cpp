#include "operations/refresh_backup_page.h"

#include "device/device_state.h"
#include "operations/backup_names.h"
#include "operations/bkup_page.h"
#include "platform/ui/windows/window_api.h"
#include "device/card_query.h"
#include "controls/shell_state.h"

namespace tarnlok {

void RefreshBackupPage() {
  if (CurrentDevice == nullptr || ActivePageHwnd == nullptr) return;
  DeviceEntry& entry = *CurrentDevice;
  MessageText.clear();
  DriveHandle handle = OpenForQuery(entry, false);
  if (handle.IsOpen()) QueryCapacity(handle, entry);
  handle.Close();
  const std::string name = DefaultImageName(ProgramFolder, entry.deviceKind);
  ui::SetDlgItemTextA(ActivePageHwnd, kImageNameEdit, name.c_str());
  const win::BOOL choice = IsRawFlashBackup(entry.deviceKind) ? win::FALSE : win::TRUE;
  for (const int id : {kChoiceFrame, kUsedSpaceChoice, kWholeMediaChoice}) {
    ui::EnableWindow(ui::GetDlgItem(ActivePageHwnd, id), choice);
  }
}

}  // namespace tarnlok

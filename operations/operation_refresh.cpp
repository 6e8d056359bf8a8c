#include "operations/operation_refresh.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "device/card_query.h"
#include "controls/shell_state.h"

#include <cstring>
#include <string>

namespace tarnlok {
namespace {

void SetText(int control, const std::string& text) { ui::SetDlgItemTextA(ActivePageHwnd, control, text.c_str()); }

}  // namespace

void RefreshOperationPage(std::span<const ControlText> texts, const OperationPageIds& ids) {
  for (const ControlText& text : texts) SetText(text.control, LoadProgramString(text.stringId));
  if (const ui::HWND cancel = ui::GetDlgItem(ActivePageHwnd, ids.cancelButton)) {
    SetText(ids.cancelButton, LoadProgramString(kStringCancel));
    ui::ShowWindow(cancel, ui::SW_HIDE);
  }
  for (const int id : ids.hidden) ui::ShowWindow(ui::GetDlgItem(ActivePageHwnd, id), ui::SW_HIDE);
  for (const int id : ids.disabled) ui::EnableWindow(ui::GetDlgItem(ActivePageHwnd, id), win::FALSE);
  DeviceEntry& entry = *CurrentDevice;
  DriveHandle handle = OpenForQuery(entry, true);
  if (!handle.IsOpen()) return;
  SetText(ids.capacityValue, " " + QueryCapacity(handle, entry));
  handle.Close();
  const std::string product(entry.product, strnlen(entry.product, sizeof entry.product));
  SetText(ids.deviceValue, " " + product + " [" + std::string(1, entry.driveLetter) + ":]");
}

}  // namespace tarnlok

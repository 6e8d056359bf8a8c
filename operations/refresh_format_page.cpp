#include "operations/refresh_format_page.h"

#include "device/device_state.h"
#include "operations/era_page.h"
#include "platform/ui/windows/window_api.h"
#include "shell/dialog_texts.h"
#include "shell/page_codes.h"
#include "shell/refresh_info_page.h"
#include "shell/shell_state.h"

namespace tarnlok {
namespace {

using namespace format_page;

constexpr ControlText kTexts[] = {{kTypeCaption, 1202},      {kQuickChoice, 1203}, {kFullChoice, 1204},
                                  {kSummaryChoice, 1206},    {kNoteCaption, 1207}, {kNoteText, 1209},
                                  {kFormatButton, 1208},     {kBootChoice, 1210},  {kFat32Choice, 57431},
                                  {kPanoramicChoice, 57432}, {kHelpButton, 1056}};

// The query answers megabytes (or a media size code, always small); FAT32 is offered from 2 GB.
constexpr win::DWORD kLargestFat16Megabytes = 2047;

void Enable(int control, bool enable) {
  ui::EnableWindow(ui::GetDlgItem(ActivePageHwnd, control), enable ? win::TRUE : win::FALSE);
}

}  // namespace

void RefreshFormatPage() {
  if (CurrentDevice == nullptr) return;
  CurrentPageCode = kFormatPageCode;
  for (const ControlText& text : kTexts) {
    ui::SetDlgItemTextA(ActivePageHwnd, text.control, LoadProgramString(text.stringId).c_str());
  }
  DeviceEntry& entry = *CurrentDevice;
  DriveHandle handle = OpenForQuery(entry, true);
  const win::DWORD value = handle.IsOpen() ? QueryCard(handle, entry).value : 0;
  handle.Close();
  const bool ataReader = entry.busKind == kBusIde || entry.busKind == kBusPcmcia;
  const bool fatCard = entry.deviceKind == kCompactFlash || entry.deviceKind == kMmcSd;
  Enable(kBootChoice, ataReader && fatCard && OsKindIs9x());
  Enable(kFat32Choice, value > kLargestFat16Megabytes);
  Enable(kPanoramicChoice, entry.deviceKind == kSmartMedia);
}

}  // namespace tarnlok

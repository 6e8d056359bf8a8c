#include "operations/refresh_format_page.h"

#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/era_page.h"
#include "platform/ui/windows/window_api.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/page_codes.h"
#include "device/card_query.h"
#include "controls/shell_state.h"

namespace tarnlok {
namespace {

using namespace format_page;

constexpr ControlText kTexts[] = {{kFirstGroupCaption, kStringFormatTypeCaption},
                                  {kQuickChoice, kStringQuickFormat},
                                  {kFullChoice, kStringFullFormat},
                                  {kSummaryChoice, kStringShowSummary},
                                  {kSecondGroupCaption, kStringNoteCaption},
                                  {kNoteText, kStringFormatNote},
                                  {kFormatButton, kStringFormatTool},
                                  {kBootChoice, kStringEnableBooting},
                                  {kFat32Choice, kStringFat32},
                                  {kPanoramicChoice, kStringPanoramicMode},
                                  {kHelpButton, kStringHelp}};

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

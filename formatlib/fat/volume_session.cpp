#include "formatlib/fat/volume_session.h"

#include "formatlib/command/ata_command.h"
#include "formatlib/command/explorer_windows.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/scsi_command.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/win/layouts/reader_vendor_commands.h"
#include "platform/win/layouts/scsi_commands.h"

#include <array>

namespace pradvik {
std::uint8_t BeginFormat(win::HWND owner, const ProgressWindows& windows, std::uint32_t deviceId,
                         std::uint8_t driveIndex) {
  SetStepText(windows.step, kStrStepPreparing);
  LibraryState().pumpWindows[0] = owner;
  const std::uint8_t osKind = RunExportPrologue(deviceId, driveIndex);
  LookUpExplorerWindows(owner);
  return osKind;
}

void TellDriveNotOpened() { ShowLibraryMessage(kStrVolumeBusy, ui::MB_ICONSTOP); }

void SetOut(std::uint32_t* out, std::uint32_t value) {
  if (out != nullptr) *out = value;
}

void SetOut(std::uint8_t* out, std::uint8_t value) {
  if (out != nullptr) *out = value;
}

void ReleaseCard(win::HANDLE volume, const FatFormatArgs& args, bool ideRelease) {
  if (args.startStopFlag) {
    SetOut(args.releaseFailed, 0);
    return;
  }
  ClearErrorText();
  bool released = false;
  if (ideRelease) {
    released = SendAtaCommand(volume, LbaTaskFile(args.ataDriveSelect, win::kVendorUnlock, 0, 0, 0), nullptr, 0,
                              kNoData, AtaPrompt::Silent) == 1;
  } else {
    constexpr std::array<std::uint8_t, 6> kRelease{win::kScsiRelease, 0, 4, 0, 0, 0};
    released = SendScsiCommandNoPrompt(volume, kRelease, nullptr, 0, kNoData) == 1;
  }
  SetOut(args.releaseFailed, released ? 0 : 1);
}

void UnlockVolume(win::HANDLE volume, bool locked) {
  if (locked) LockOrDismountVolume(volume, 2);
}

}  // namespace pradvik

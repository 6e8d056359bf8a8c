// What the FAT formatters share around their layout: the arguments the default format hands
// on, the start of a format (step text, pump windows, prologue, dump switch), and the end of
// one on the card's volume (the release command that makes the system read the new layout,
// dismount and unlock).
#pragma once

#include "formatlib/fat/clearing_pass.h"

#include <pradvik_exports.h>

#include "platform/win/system/types.h"

#include <cstdint>

namespace pradvik {

struct FatFormatArgs {
  win::HWND owner = nullptr;
  ProgressWindows windows;
  std::uint32_t deviceId = 0;
  std::uint8_t driveIndex = 0;
  std::uint8_t fullFormat = 0;
  std::uint8_t* releaseFailed = nullptr;
  std::uint32_t* mediaCode = nullptr;
  std::uint8_t deviceKind = 0;
  bool enableBooting = false;
  std::uint8_t transportKind = 0;
  std::uint8_t ataDriveSelect = 0;
  bool startStopFlag = false;
};

// Step text 34, the owner as pump window 1, the export prologue and the Explorer windows.
// Answers the OS kind.
std::uint8_t BeginFormat(win::HWND owner, const ProgressWindows& windows, std::uint32_t deviceId,
                         std::uint8_t driveIndex);

void SetOut(std::uint32_t* out, std::uint32_t value);
void SetOut(std::uint8_t* out, std::uint8_t value);

// A drive the format cannot open is told, not passed over: the caller reports a failure only
// when the format's status says the card was reached, so a silent 0 would look like nothing.
void TellDriveNotOpened();

// Unless the caller asked for none, the release command (the vendor unlock on IDE readers,
// else the SCSI one) with its outcome in releaseFailed; 0 there when none is sent.
void ReleaseCard(win::HANDLE volume, const FatFormatArgs& args, bool ideRelease);
// Dismount and unlock after a lock that held.
void UnlockVolume(win::HANDLE volume, bool locked);

}  // namespace pradvik

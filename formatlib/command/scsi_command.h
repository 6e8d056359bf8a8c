// SCSI commands through the system's SCSI pass-through on the card's volume (through ASPI on
// Windows 9x, aspi_command.h), with and without
// the failure prompt, the standard INQUIRY, the volume lock and dismount, and the twelve-byte
// form of the readers' vendor blocks.
#pragma once

#include "platform/win/layouts/pass_through_layout.h"
#include "platform/win/system/types.h"

#include <cstdint>
#include <span>

namespace pradvik {

// A command's data direction: the pass-through's own codes, which the ASPI and card-driver roads
// translate.
constexpr std::uint8_t kDataOut = win::SCSI_IOCTL_DATA_OUT;
constexpr std::uint8_t kDataIn = win::SCSI_IOCTL_DATA_IN;
constexpr std::uint8_t kNoData = win::SCSI_IOCTL_DATA_UNSPECIFIED;
constexpr std::size_t kMostScsiData = 32768;

// 1 success, 0 failure; after a failure with a prepared error text the prompt answers: 3
// Ignore, 4 Ignore All (also at once, without a prompt, while Ignore All is in force), 0 Abort;
// Retry sends the command again. Data in are copied to the caller's buffer.
std::uint8_t SendScsiCommand(win::HANDLE handle, std::span<const std::uint8_t> cdb, std::uint8_t* data,
                             std::uint32_t dataLength, std::uint8_t direction);
// The same, never prompting: 1 or 0.
std::uint8_t SendScsiCommandNoPrompt(win::HANDLE handle, std::span<const std::uint8_t> cdb, std::uint8_t* data,
                                     std::uint32_t dataLength, std::uint8_t direction);

// One pass-through request as sent, for callers that look at the sense data themselves.
struct ScsiExchange {
  bool delivered = false;
  std::uint8_t senseKey = 0;
  std::uint8_t additionalSense = 0;
};
ScsiExchange SendScsiDirect(win::HANDLE handle, std::span<const std::uint8_t> cdb, std::uint8_t* data,
                            std::uint32_t dataLength, std::uint8_t direction);

// A standard INQUIRY whose answer is thrown away; true when the pass-through call succeeded.
bool SendInquiry(win::HANDLE handle);

// Mode 1 locks the volume; mode 2 dismounts it (result ignored) and unlocks it. On Windows 9x
// the handle is "\\.\vwin32" and the lock the DOS one of the state block's drive.
bool LockOrDismountVolume(win::HANDLE handle, int mode);

// Bytes 0-7 of the eight-byte block, the command byte (byte 1) moved to byte 9, byte 1 cleared;
// bytes 8, 10 and 11 are left as the caller set them.
void ToExtendedCdb(std::span<std::uint8_t, 12> out, std::span<const std::uint8_t, 8> in);

}  // namespace pradvik

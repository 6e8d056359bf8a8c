// The NT control codes that carry ATA commands to an IDE or PCMCIA reader: IOCTL_IDE_PASS_THROUGH
// (the task file, a u32 data size and the data area; on return the command register holds the
// status, the features register the error register, and the call answers the header and the
// data size when the command succeeded, the header alone when it failed) and
// SMART_RCV_DRIVE_DATA (IDENTIFY DEVICE only; the handle names the drive, so the drive number
// and device/head of the request are not looked at). Readers that are not on an ATA channel
// know neither code (ERROR_INVALID_FUNCTION); a command to the absent slave fails with
// ERROR_IO_DEVICE.
#pragma once

#include "platform/machine/reader.h"

#include "platform/win/types.h"

#include <span>

namespace machine {

// The largest data area of one IDE pass-through request.
constexpr win::DWORD kMaxIdeData = 16384;

win::DWORD RunIdePassThrough(Reader& reader, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                             win::DWORD& returned);

win::DWORD RunSmartReceive(Reader& reader, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                           win::DWORD& returned);

}  // namespace machine

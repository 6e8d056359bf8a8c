// IOCTL_SCSI_PASS_THROUGH on a card handle: the request block (SCSI_PASS_THROUGH, its sense and
// data areas where its offsets say) checked against the caller's buffers, turned into a
// ScsiRequest for the reader and written back: ScsiStatus, the bytes moved in
// DataTransferLength, the sense length and data. A device that answers CHECK CONDITION is still
// a delivered request: the call succeeds and the status and sense tell the rest, as on Windows.
#pragma once

#include "platform/machine/scsi_request.h"

#include "platform/win/types.h"

#include <span>

namespace machine {

// The largest data area one request may carry (the reader's adapter limit).
constexpr win::DWORD kMaxPassThroughData = 32768;

// Answers ERROR_SUCCESS with the bytes returned, or ERROR_INVALID_PARAMETER when the block is
// inconsistent with itself or with the buffers (short buffers, areas outside them, a data
// length above the limit, a CDB length outside 1 to 16, an unknown direction).
win::DWORD RunScsiPassThrough(ScsiTarget& target, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                              win::DWORD& bytesReturned);

}  // namespace machine

// SCSI commands to a card reader: IOCTL_SCSI_PASS_THROUGH on an open volume or physical-drive
// handle on the NT family, ASPI on Windows 9x (aspi_transport.h).
#pragma once

#include "platform/win/layouts/aspi_layout.h"
#include "platform/win/layouts/pass_through_layout.h"
#include "platform/win/system/types.h"

namespace tarnlok {

// Direction codes callers pass: the ASPI flags for in and out, the pass-through's "unspecified"
// for none; the pass-through spelling is taken too.
constexpr win::BYTE kScsiDataIn = win::aspi::kDataIn;
constexpr win::BYTE kScsiDataOut = win::aspi::kDataOut;
constexpr win::BYTE kScsiNoData = win::SCSI_IOCTL_DATA_UNSPECIFIED;

// The data area of one pass-through request.
constexpr win::DWORD kMaxScsiTransfer = 32768;

// One command; true when the device carried it out. data may be null with length 0. A vendor
// command (operation 0x20) whose reply begins with the no-card word fails. A command whose data
// does not fit the pass-through area, or whose CDB is longer than 16 bytes, is not sent.
bool ExecScsiCommand(win::HANDLE handle, win::BYTE host, win::BYTE target, win::BYTE lun, const win::BYTE* cdb,
                     win::BYTE cdbLength, win::BYTE* data, win::DWORD dataLength, win::BYTE direction);

// NT: one INQUIRY of length bytes into buffer; DeviceIoControl's result.
win::BOOL ReadInquiryData(win::HANDLE handle, win::BYTE* buffer, win::BYTE length);

}  // namespace tarnlok

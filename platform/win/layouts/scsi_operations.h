// The SCSI operation codes (the first byte of a command block) that the device code and the
// format library send to the card readers and that the simulated readers answer.
#pragma once

#include "platform/win/system/types.h"

namespace win {

constexpr BYTE kScsiTestUnitReady = 0x00;
constexpr BYTE kScsiInquiry = 0x12;
constexpr BYTE kScsiModeSense6 = 0x1A;
constexpr BYTE kScsiStartStopUnit = 0x1B;
// The readers' release block: without a parameter list the reader lets the system see its card
// afresh.
constexpr BYTE kScsiReleaseBlock = 0x1D;
// The maker's readers' vendor commands (docs/reader-protocol.md).
constexpr BYTE kScsiVendorCommand = 0x20;
constexpr BYTE kScsiReadCapacity = 0x25;
constexpr BYTE kScsiRead10 = 0x28;
constexpr BYTE kScsiWrite10 = 0x2A;

}  // namespace win

// The operation codes of the standard SCSI commands the card readers answer, shared by the
// machine's readers and the device tests' stand-ins.
#pragma once

#include "platform/win/system/types.h"

namespace win {

constexpr BYTE kScsiTestUnitReady = 0x00;
constexpr BYTE kScsiInquiry = 0x12;
constexpr BYTE kScsiModeSense6 = 0x1A;
constexpr BYTE kScsiStartStopUnit = 0x1B;
constexpr BYTE kScsiRelease = 0x1D;  // the readers' release block: the system reads the card afresh
constexpr BYTE kScsiReadCapacity = 0x25;
constexpr BYTE kScsiRead10 = 0x28;
constexpr BYTE kScsiWrite10 = 0x2A;

}  // namespace win

// The SCSI operation codes, status bytes and sense codes the card readers answer and their
// callers send. The layouts of the blocks and replies are in scsi_layout.h.
#pragma once

#include "platform/win/system/types.h"

namespace win {

// Operation codes.
constexpr BYTE kScsiTestUnitReady = 0x00;
constexpr BYTE kScsiInquiry = 0x12;
constexpr BYTE kScsiModeSense6 = 0x1A;
constexpr BYTE kScsiStartStopUnit = 0x1B;
constexpr BYTE kScsiRelease = 0x1D;  // the readers' release block: the system sees the card afresh
// The maker's readers' vendor commands (docs/reader-protocol.md).
constexpr BYTE kScsiVendorCommand = 0x20;
constexpr BYTE kScsiReadCapacity = 0x25;
constexpr BYTE kScsiRead10 = 0x28;
constexpr BYTE kScsiWrite10 = 0x2A;

// Status bytes.
constexpr BYTE kScsiStatusGood = 0x00;
constexpr BYTE kScsiStatusCheckCondition = 0x02;

// Sense keys and additional sense codes.
constexpr BYTE kSenseKeyNoSense = 0x00;
constexpr BYTE kSenseKeyNotReady = 0x02;
constexpr BYTE kAscMediumNotPresent = 0x3A;

}  // namespace win

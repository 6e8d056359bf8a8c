// The request blocks (SRBs) of ASPI for Win32, which WNASPI32.DLL's SendASPI32Command takes, as
// offsets into the block (read and written with byte_order.h, never through a packed
// structure), and the word GetASPI32SupportInfo answers. Addresses in a block are 32-bit
// address tokens (address_tokens.h). The simulated 9x machine's manager answers the blocks; the
// device code and the format library send them.
#pragma once

#include "platform/win/system/types.h"

#include <cstddef>

namespace win::aspi_layout {

// Commands.
constexpr BYTE kHostAdapterInquiry = 0;  // SC_HA_INQUIRY
constexpr BYTE kGetDeviceType = 1;  // SC_GET_DEV_TYPE
constexpr BYTE kExecuteScsi = 2;  // SC_EXEC_SCSI_CMD

// Request status.
constexpr BYTE kStatusPending = 0x00;
constexpr BYTE kStatusDone = 0x01;
constexpr BYTE kStatusError = 0x04;
constexpr BYTE kStatusInvalidHost = 0x81;
constexpr BYTE kStatusNoDevice = 0x82;
constexpr BYTE kStatusInvalidRequest = 0xE0;
constexpr BYTE kStatusNoAdapters = 0xE8;

// Flags: the data direction and posting.
constexpr BYTE kNoData = 0x00;
constexpr BYTE kPosting = 0x01;
constexpr BYTE kDataIn = 0x08;
constexpr BYTE kDataOut = 0x10;
constexpr BYTE kDirectionMask = 0x18;

// Host status of an executed request.
constexpr BYTE kHostSelectionTimeout = 0x11;

// The header every block begins with.
constexpr std::size_t kCommand = 0;  // u8
constexpr std::size_t kStatus = 1;  // u8, returned
constexpr std::size_t kHost = 2;  // u8, the host adapter
constexpr std::size_t kFlags = 3;  // u8

// SRB_HAInquiry.
namespace host_inquiry {
constexpr std::size_t kSize = 60;
constexpr std::size_t kHostCount = 8;  // u8
constexpr std::size_t kHostScsiId = 9;  // u8
constexpr std::size_t kManagerId = 10;  // char[16]
constexpr std::size_t kIdentifier = 26;  // char[16], the adapter's identifier
constexpr std::size_t kIdentifierSize = 16;
}  // namespace host_inquiry

// SRB_GDEVBlock.
namespace device_type {
constexpr std::size_t kTarget = 8;  // u8
constexpr std::size_t kLun = 9;  // u8
constexpr std::size_t kDeviceType = 10;  // u8, returned
}  // namespace device_type

// SRB_ExecSCSICmd.
namespace execute {
constexpr std::size_t kSize = 80;
constexpr std::size_t kTarget = 8;  // u8
constexpr std::size_t kLun = 9;  // u8
constexpr std::size_t kBufferLength = 12;  // u32
constexpr std::size_t kBufferAddress = 16;  // u32 address token
constexpr std::size_t kSenseLength = 20;  // u8, the sense bytes wanted
constexpr std::size_t kCdbLength = 21;  // u8
constexpr std::size_t kHostStatus = 22;  // u8, returned
constexpr std::size_t kTargetStatus = 23;  // u8, returned
constexpr std::size_t kPostRoutine = 24;  // u32 address token of a slot holding the routine
constexpr std::size_t kCdb = 48;  // u8[16]
constexpr std::size_t kCdbCapacity = 16;
constexpr std::size_t kSense = 64;  // the sense area, to the end of the block
constexpr std::size_t kSenseCapacity = kSize - kSense;
}  // namespace execute

// GetASPI32SupportInfo's answer: the status in bits 8-15, the host adapter count in bits 0-7.
constexpr DWORD SupportInfo(BYTE status, BYTE hostCount) { return DWORD{status} << 8 | hostCount; }
constexpr BYTE SupportStatus(DWORD supportInfo) { return static_cast<BYTE>(supportInfo >> 8 & 0xFF); }
constexpr BYTE SupportHostCount(DWORD supportInfo) { return static_cast<BYTE>(supportInfo & 0xFF); }

}  // namespace win::aspi_layout

// The request blocks of the ASPI manager's SendASPI32Command, as offsets into the block (read
// and written with byte_order.h), and their command, flag and status values.
#pragma once

#include "platform/win/system/types.h"

#include <cstddef>

namespace win::aspi {

// Fields every request block begins with.
constexpr std::size_t kCommand = 0;
constexpr std::size_t kStatus = 1;
constexpr std::size_t kHost = 2;
constexpr std::size_t kFlags = 3;

// SRB_HAInquiry.
constexpr std::size_t kInquirySize = 60;
constexpr std::size_t kHostCount = 8;
constexpr std::size_t kHostScsiId = 9;
constexpr std::size_t kManagerId = 10;  // 16 characters
constexpr std::size_t kIdentifier = 26;  // the adapter's identifier, 16 characters
constexpr std::size_t kIdentifierSize = 16;
constexpr std::size_t kAdapterNameSize = 8;  // the identifier's part the callers read as the adapter's name

// SRB_GDEVBlock and SRB_ExecSCSICmd.
constexpr std::size_t kTarget = 8;
constexpr std::size_t kLun = 9;
constexpr std::size_t kDeviceType = 10;  // SRB_GDEVBlock's answer

// SRB_ExecSCSICmd.
constexpr std::size_t kExecSize = 80;
constexpr std::size_t kBufferLength = 12;  // u32
constexpr std::size_t kBufferPointer = 16;  // u32 address token
constexpr std::size_t kSenseLength = 20;
constexpr std::size_t kCdbLength = 21;
constexpr std::size_t kHostStatus = 22;
constexpr std::size_t kTargetStatus = 23;
constexpr std::size_t kPostRoutine = 24;  // u32 address token of a pointer to the routine
constexpr std::size_t kCdb = 48;
constexpr std::size_t kCdbCapacity = 16;
constexpr std::size_t kSenseArea = 64;  // the sense area, to the end of the block
constexpr std::size_t kSenseCapacity = kExecSize - kSenseArea;
constexpr BYTE kSenseRequested = 14;  // the sense bytes the callers ask for

// Commands.
constexpr BYTE kHostAdapterInquiry = 0;
constexpr BYTE kGetDeviceType = 1;
constexpr BYTE kExecuteScsi = 2;

// Flags: the data direction and posting.
constexpr BYTE kNoData = 0x00;
constexpr BYTE kPosting = 0x01;
constexpr BYTE kDirectionMask = 0x18;
constexpr BYTE kDataIn = 0x08;
constexpr BYTE kDataOut = 0x10;

// Status values.
constexpr BYTE kStatusPending = 0x00;
constexpr BYTE kStatusDone = 0x01;
constexpr BYTE kStatusError = 0x04;
constexpr BYTE kStatusInvalidHost = 0x81;
constexpr BYTE kStatusNoDevice = 0x82;
constexpr BYTE kStatusInvalidRequest = 0xE0;
constexpr BYTE kStatusNoAdapters = 0xE8;
constexpr BYTE kHostSelectionTimeout = 0x11;  // host status: no device answered the address

// GetASPI32SupportInfo's answer: the status in bits 8-15, the host adapter count in bits 0-7.
constexpr DWORD SupportInfo(BYTE status, BYTE hostCount) { return DWORD{status} << 8 | hostCount; }
constexpr BYTE SupportStatus(DWORD supportInfo) { return static_cast<BYTE>(supportInfo >> 8 & 0xFF); }
constexpr BYTE SupportHostCount(DWORD supportInfo) { return static_cast<BYTE>(supportInfo & 0xFF); }

}  // namespace win::aspi

// Byte layouts of the NT pass-through requests, as offsets into the request block (read and
// written with byte_order.h, never through a packed structure).
#pragma once

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_layout.h"
#include "platform/win/system/types.h"

#include <algorithm>
#include <cstddef>
#include <span>

namespace win {

// SCSI_PASS_THROUGH: a 44-byte header; the sense and data areas lie where its two offset
// fields say.
namespace scsi_pass_through {
constexpr std::size_t kLength = 0;  // u16, the header size
constexpr std::size_t kScsiStatus = 2;  // u8, returned
constexpr std::size_t kPathId = 3;  // u8
constexpr std::size_t kTargetId = 4;  // u8
constexpr std::size_t kLun = 5;  // u8
constexpr std::size_t kCdbLength = 6;  // u8
constexpr std::size_t kSenseInfoLength = 7;  // u8
constexpr std::size_t kDataIn = 8;  // u8, SCSI_IOCTL_DATA_*
constexpr std::size_t kDataTransferLength = 12;  // u32, the length moved on return
constexpr std::size_t kTimeOutValue = 16;  // u32, seconds
constexpr std::size_t kDataBufferOffset = 20;  // u32, from the start of the block
constexpr std::size_t kSenseInfoOffset = 24;  // u32, from the start of the block
constexpr std::size_t kCdb = 28;  // u8[16]
constexpr std::size_t kCdbCapacity = 16;
constexpr std::size_t kHeaderSize = 44;
// Where the system's callers put the two areas, and the time-out they ask for.
constexpr std::size_t kSenseArea = 44;
constexpr BYTE kSenseAreaSize = sense_data::kSize;
constexpr std::size_t kDataArea = 62;
constexpr DWORD kTimeOutSeconds = 20;

// Writes a request's header as the callers lay it out, for dataLength bytes in direction dataIn
// (SCSI_IOCTL_DATA_*); a CDB longer than the field is cut to it.
inline void WriteRequestHeader(std::span<BYTE> request, std::span<const BYTE> cdb, BYTE dataIn, DWORD dataLength) {
  WriteLe16(request, kLength, kHeaderSize);
  WriteU8(request, kCdbLength, static_cast<BYTE>(cdb.size()));
  WriteU8(request, kSenseInfoLength, kSenseAreaSize);
  WriteU8(request, kDataIn, dataIn);
  WriteLe32(request, kDataTransferLength, dataLength);
  WriteLe32(request, kTimeOutValue, kTimeOutSeconds);
  WriteLe32(request, kDataBufferOffset, kDataArea);
  WriteLe32(request, kSenseInfoOffset, kSenseArea);
  for (std::size_t i = 0; i < std::min(cdb.size(), kCdbCapacity); ++i) WriteU8(request, kCdb + i, cdb[i]);
}
}  // namespace scsi_pass_through

constexpr BYTE SCSI_IOCTL_DATA_OUT = 0;
constexpr BYTE SCSI_IOCTL_DATA_IN = 1;
constexpr BYTE SCSI_IOCTL_DATA_UNSPECIFIED = 2;

// The IDE pass-through record: the task file (eight one-byte registers), a u32 data size and
// the data area. On return the command register holds the device's status.
namespace ide_pass_through {
constexpr std::size_t kFeatures = 0;
constexpr std::size_t kSectorCount = 1;
constexpr std::size_t kSectorNumber = 2;
constexpr std::size_t kCylinderLow = 3;
constexpr std::size_t kCylinderHigh = 4;
constexpr std::size_t kDeviceHead = 5;
constexpr std::size_t kCommand = 6;
constexpr std::size_t kReserved = 7;
constexpr std::size_t kDataSize = 8;  // u32
constexpr std::size_t kData = 12;  // the data area follows the header
}  // namespace ide_pass_through

// SMART_RCV_DRIVE_DATA: SENDCMDINPARAMS in (cBufferSize, IDEREGS, bDriveNumber, reserved, then
// its buffer), SENDCMDOUTPARAMS out (cBufferSize, DRIVERSTATUS, then the data).
namespace smart_command {
constexpr std::size_t kInputSize = 32;  // without the input buffer
constexpr std::size_t kBufferSize = 0;  // u32
constexpr std::size_t kDriveRegisters = 4;  // IDEREGS: features, count, number, cyl low, cyl high, head, command
constexpr std::size_t kCommandRegister = 10;
constexpr std::size_t kDriveNumber = 12;
constexpr std::size_t kDriverError = 4;  // DRIVERSTATUS.bDriverError
constexpr std::size_t kIdeError = 5;  // DRIVERSTATUS.bIDEError
constexpr std::size_t kOutputData = 16;  // after cBufferSize and DRIVERSTATUS
}  // namespace smart_command

}  // namespace win

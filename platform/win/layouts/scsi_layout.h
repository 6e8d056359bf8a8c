// Byte layouts of the standard SCSI command blocks the card readers take and of the data they
// return, as offsets and bits (read and written with byte_order.h). The operation codes and
// sense codes are in scsi_commands.h.
#pragma once

#include "platform/win/system/types.h"

#include <cstddef>

namespace win {

// The standard INQUIRY data: texts padded with blanks.
namespace inquiry_data {
constexpr std::size_t kVendor = 8;
constexpr std::size_t kVendorSize = 8;
constexpr std::size_t kProduct = 16;
constexpr std::size_t kProductSize = 16;
constexpr std::size_t kRevision = 32;
constexpr std::size_t kRevisionSize = 4;
// The maker's USB readers put their media status word (u32, little-endian) after the 36
// standard bytes.
constexpr std::size_t kReaderStatusWord = 36;
}  // namespace inquiry_data

// The address and length in the blocks of READ(10) and WRITE(10).
namespace scsi_cdb {
constexpr std::size_t kLogicalBlock10 = 2;  // u32, big-endian
constexpr std::size_t kTransferLength10 = 7;  // u16, big-endian, in blocks
}  // namespace scsi_cdb

// Fixed-format sense data.
namespace sense_data {
constexpr std::size_t kResponseCode = 0;  // zero when the device reported nothing
constexpr std::size_t kSenseKey = 2;  // the key in the low nibble
constexpr BYTE kSenseKeyMask = 0x0F;
constexpr std::size_t kAdditionalSenseCode = 12;
constexpr std::size_t kSize = 18;
}  // namespace sense_data

// MODE SENSE(6): the block's fields and the parameter header and block descriptor it returns.
namespace mode_sense6 {
constexpr BYTE kDisableBlockDescriptors = 0x08;  // in byte 1 of the block; the page code is byte 2
constexpr std::size_t kDataLength = 0;  // u8 in the header: the bytes that follow it
constexpr std::size_t kDeviceSpecific = 2;  // in the header
constexpr BYTE kWriteProtected = 0x80;  // in the device-specific byte
constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kBlockDescriptor = kHeaderSize;  // the pages follow it, or the header without it
constexpr std::size_t kBlockDescriptorSize = 8;
// Two u32, big-endian, from the descriptor: the density code and the block count, a reserved
// byte and the block length; the count and length are the low 24 bits.
constexpr std::size_t kDescriptorBlockCount = 0;
constexpr std::size_t kDescriptorBlockLength = 4;
constexpr DWORD kDescriptorFieldMask = 0x00FFFFFF;
// The maker's readers' own page (docs/reader-protocol.md): five bytes, the third 1 while a card
// is in.
constexpr BYTE kMakerPage = 0x20;
constexpr std::size_t kMakerPageSize = 5;
constexpr std::size_t kMakerPageCardPresent = 2;
}  // namespace mode_sense6

// START STOP UNIT: the start and load-eject bits of byte 4 of the block.
namespace start_stop_unit {
constexpr BYTE kStart = 0x01;
constexpr BYTE kLoadEject = 0x02;
}  // namespace start_stop_unit

// READ CAPACITY(10)'s reply.
namespace read_capacity {
constexpr std::size_t kLastBlock = 0;  // u32, big-endian
constexpr std::size_t kBlockLength = 4;  // u32, big-endian
constexpr std::size_t kSize = 8;
}  // namespace read_capacity

}  // namespace win

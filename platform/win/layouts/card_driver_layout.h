// The Windows 9x card driver's device-node chain as the driver hands it out (request 1) and as
// the program reads it: records in driver memory named by 32-bit addresses (address_tokens.h),
// fields at fixed offsets, read with byte_order.h. The simulated machine builds the chain; the
// device code walks it.
//
// Requests of "\\.\TARNLOK.VXD": 1 answers the anchor's address in a 4-byte output; 10 takes
// the 26-byte ATA request (device-node address, task file, buffer address, byte count,
// transfer flag) as input and hands the same 26 bytes back as output with the status in the
// command byte (offset 10), because input is copied on its way to the driver; 11 takes the
// 8-byte port request and answers 512 bytes of IDENTIFY data.
#pragma once

#include <cstddef>

namespace win::card_driver_layout {

// The driver's device name.
constexpr char kDriverName[] = "\\\\.\\TARNLOK.VXD";

// Request codes.
constexpr unsigned kRequestChain = 1;
constexpr unsigned kRequestAta = 10;
constexpr unsigned kRequestPortIdentify = 11;

// The anchor whose address request 1 answers: the first node's address at 0x30.
constexpr std::size_t kAnchorFirstNode = 0x30;  // u32 address
constexpr std::size_t kAnchorSize = 0x34;

// A device node.
constexpr std::size_t kNodeNext = 0x0C;  // u32 address of the next node, 0 after the last
constexpr std::size_t kNodeLogicalDrive = 0x10;  // u32 address of the first logical-drive record, 0 for none
constexpr std::size_t kNodeFlags = 0x20;  // u32
constexpr std::size_t kNodeSecondFlags = 0x24;  // u32
constexpr std::size_t kNodeDriverStatus = 0x28;  // u8
constexpr std::size_t kNodeOwnDrive = 0x29;  // u8, the node's own drive number, 0 for A
constexpr std::size_t kNodeResource = 0x2C;  // u32 address of the resource record, 0 for none
constexpr std::size_t kNodePortDriver = 0x70;  // u32 address of the port-driver record
constexpr std::size_t kNodeVendor = 0x8A;  // char[8], INQUIRY vendor
constexpr std::size_t kNodeProduct = 0x92;  // char[16]
constexpr std::size_t kNodeRevision = 0xA2;  // char[4]
constexpr std::size_t kNodeAdapterName = 0xA6;  // char[8]
constexpr std::size_t kNodeSectorCount = 0xD3;  // u32, the volume's sectors
constexpr std::size_t kNodeSize = 0xD8;

// Node flags.
constexpr unsigned kNodeActive = 0x8000;
constexpr unsigned kNodeDisk = 0x0004;
constexpr unsigned kNodeIdeChannel = 0x40000;
constexpr unsigned kNodeNoPortAccess = 0x4000;
constexpr unsigned kSecondFlagsPortDevice = 0x0004;
constexpr unsigned kDriverStatusIde = 0x10;

// A logical-drive record.
constexpr std::size_t kDriveNumber = 0;  // u8, 0 for A
constexpr std::size_t kDriveValue = 4;  // u32, the driver's own value
constexpr std::size_t kDriveNext = 8;  // u32 address of the next record
constexpr std::size_t kDriveRecordSize = 12;

// The port-driver record: its name (8 characters) at 4.
constexpr std::size_t kPortDriverName = 4;
constexpr std::size_t kPortDriverRecordSize = 12;

// The resource record: the hardware text, zero-terminated, from 4.
constexpr std::size_t kResourceText = 4;
constexpr std::size_t kResourceTextMax = 256;

// The ATA request of request 10.
namespace ata_request {
constexpr std::size_t kSize = 26;
constexpr std::size_t kDeviceReference = 0;  // u32 address of the device node
constexpr std::size_t kTaskFile = 4;  // seven registers, features first
constexpr std::size_t kFeatures = 4;  // the error register on return
constexpr std::size_t kCommand = 10;  // the status on return
constexpr std::size_t kBufferAddress = 11;  // u32 address token
constexpr std::size_t kByteCount = 15;  // u32
constexpr std::size_t kTransfer = 19;  // u32: kTransferIn, kTransferOut or 0 for none
constexpr unsigned kTransferIn = 0x200000;
constexpr unsigned kTransferOut = 0x400000;
}  // namespace ata_request

}  // namespace win::card_driver_layout

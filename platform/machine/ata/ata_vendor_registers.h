// The raw flash sub-commands as they come in ATA register form (IDE pass-through, the Windows 9x
// card driver, ATA inside SCSI blocks on NT4), turned into the address and length fields the
// SCSI forms carry, so that one set of handlers serves every road. Which registers hold what
// depends on the card: Memory Stick commands pack block and page numbers into the task file,
// every other card is addressed by a 28-bit page number:
//   page commands   LBA28: sector number, cylinder low, cylinder high, device/head bits 0-3
//   Memory Stick    erase (0x83): block in sector number (high) and features (low), the logical
//                   block in the cylinder registers; other reads: block as for the erase, the
//                   page within it in cylinder low
//   write set-up    0x86 moves no data; the data follow in the next WRITE SECTORS or WRITE(10).
//                   SmartMedia: the page as LBA28, the logical block's low byte in features and
//                   its high byte in the sector count (0x40 there, or features 0x40 with a zero
//                   count: the bad-block mark). Memory Stick: the block in features (low 8 bits),
//                   cylinder low bits 6-7 and cylinder high bits 5-7; the logical block in sector
//                   number (low) and cylinder low bits 0-5; the page within the block in cylinder
//                   high bits 0-4.
// A reply is never longer than the one block the command names.
#pragma once

#include "platform/machine/ata/ata_device.h"
#include "platform/machine/reader/vendor_command_form.h"

namespace machine {

// The vendor command a task file carries for the card in the slot (null: none).
VendorCommand VendorFromTaskFile(const AtaTaskFile& taskFile, const CardMedia* card);

// A write set-up names the pages the next write programs; this completes it with the sectors
// that write carries.
VendorCommand CompleteWriteSetup(VendorCommand setup, std::uint32_t sectors);

// True for the sub-commands whose data follow in a write of their own on the ATA roads.
bool IsWriteSetup(const VendorCommand& command);

}  // namespace machine

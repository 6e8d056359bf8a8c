// Plain sectors written onto a card by the road the card's bus and the system decide: ATA WRITE
// SECTORS for IDE and PCMCIA cards below Windows 2000, the absolute sector services for floppy
// drives and where only plain sector access works, SCSI WRITE(10) otherwise (reads take the
// same roads in card_reads.h). Long writes are cut into pieces each road carries.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

// handle: the card handle of the run (volume or physical drive on the NT family, the card
// driver's handle on Windows 9x); Vwin32Handle serves the absolute services on Windows 9x.
// Sectors count from the card's first sector (from the volume's on the absolute services of a
// volume handle). data: whole 512-byte sectors.
bool WriteCardSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD firstSector,
                      std::span<const win::BYTE> data);

}  // namespace tarnlok

// Plain sectors between a card and memory, by the one road the card's bus, the run's flags and
// the system decide, tested in this order: the absolute sector services on the card handle for
// IDE and PCMCIA cards on the drive-letter road; ATA READ or WRITE SECTORS for those cards below
// Windows 2000; the absolute sector services for floppy drives and where only plain sector
// access works; SCSI READ(10) or WRITE(10) otherwise. Long transfers are cut into pieces each
// road carries. The raw flash reads are card_reads.h's.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

enum class SectorRoad { kDriveLetter, kAta, kAbsolute, kScsi };

// The road of the running operation (CardOnIdeBus, CardOnPcmciaBus, UseDriveLetterIo,
// UsePlainSectorIo, OsKind) for the card of this entry.
SectorRoad SectorRoadFor(const DeviceEntry& entry);

// handle: the card handle of the run (volume or physical drive on the NT family, the card
// driver's handle on Windows 9x); off the drive-letter road Vwin32Handle serves the absolute
// services on Windows 9x. Sectors count from the card's first sector (from the volume's on the
// absolute services of a volume handle).

// count sectors at lba into buffer (count x bytesPerSector bytes); refused on the absolute
// roads for sectors under 512 bytes, which those services would move more of than buffer holds.
bool ReadCardSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD lba, win::DWORD count,
                     win::DWORD bytesPerSector, win::BYTE* buffer);

// data: whole 512-byte sectors.
bool WriteCardSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD firstSector,
                      std::span<const win::BYTE> data);

}  // namespace tarnlok

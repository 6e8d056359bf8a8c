// Windows 9x reaches the maker's IDE and PCMCIA readers neither through ASPI nor through a
// pass-through: the card driver ("\\.\TARNLOK.VXD") carries one ATA command at a time to the
// device node that the caller names (the export's device id), as it does for the program. The
// library's SCSI commands take that road too, as the ATA commands that do their work.
#pragma once

#include "formatlib/command/ata_command.h"
#include "formatlib/command/scsi_command.h"

#include <cstdint>
#include <span>

namespace pradvik {

// The format export's road: its transport kind and ATA drive select.
void UseReaderRoad(std::uint8_t transportKind, std::uint8_t ataDriveSelect);
// True on Windows 9x for a reader on an ATA road.
bool ThroughCardDriver();

// One ATA command; true when the driver delivered it and the device's status shows no error.
bool SendCardDriverCommand(const TaskFile& taskFile, std::uint8_t* buffer, std::uint32_t byteCount,
                           std::uint8_t direction);

// READ(10) and WRITE(10) as READ and WRITE SECTORS, READ CAPACITY from IDENTIFY DEVICE, MODE
// SENSE(6) and TEST UNIT READY from GET MEDIA STATUS (no card, write protection); any other
// command is not delivered.
ScsiExchange SendScsiThroughCardDriver(std::span<const std::uint8_t> cdb, std::uint8_t* data, std::uint32_t dataLength,
                                       bool& succeeded);

}  // namespace pradvik

// ATA commands to a card in an IDE or PCMCIA reader: IOCTL_IDE_PASS_THROUGH on the NT road, the
// card driver's request 10 on Windows 9x. Whole 512-byte sectors, 28-bit LBAs, except the
// Memory Stick vendor commands, which pack block and page numbers into the task file.
#pragma once

#include "device/device_entry.h"
#include "device/ide_pass_through.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/system/types.h"

namespace tarnlok {

// Transfer flags.
constexpr win::DWORD kAtaNoData = 0;
constexpr win::DWORD kAtaDataIn = win::card_driver_layout::ata_request::kTransferIn;
constexpr win::DWORD kAtaDataOut = win::card_driver_layout::ata_request::kTransferOut;

// The task file of a command for this road and device kind.
TaskFile BuildAtaTaskFile(bool ntRoad, win::BYTE deviceKind, win::BYTE driveSelect, win::BYTE command,
                          win::DWORD address, win::DWORD byteCount, win::WORD extra16, win::BYTE extra8);

// One command; true when it was carried out. On the NT road handle is the volume or drive
// handle, on Windows 9x the card driver's handle. The vendor status commands (kVendorStatus, kVendorGeometry) give
// the caller 4 bytes whatever byteCount says; a transfer beyond 16384 bytes is not sent.
bool ExecAtaCommand(win::HANDLE handle, const DeviceEntry* entry, win::BYTE command, win::DWORD address,
                    win::BYTE* buffer, win::DWORD byteCount, win::DWORD transfer, win::WORD extra16, win::BYTE extra8);

}  // namespace tarnlok

// Request 10 of the Windows 9x card driver "\\.\TARNLOK.VXD": one ATA command for a device node,
// as the program's device layer and the format library both send it. The 26-byte request
// (card_driver_layout.h) goes in and comes back as the output with the device's status in the
// command byte and its error register in the features byte.
#pragma once

#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/system/types.h"

#include <array>
#include <span>

namespace win {

// The task file in register order: features, sector count, sector number, cylinder low,
// cylinder high, device/head, command.
using CardDriverRegisters = std::array<BYTE, 7>;

std::array<BYTE, card_driver_layout::ata_request::kSize> EncodeCardDriverAtaRequest(
    DWORD node, const CardDriverRegisters& registers, DWORD bufferAddress, DWORD byteCount, DWORD transfer);

struct CardDriverAnswer {
  BOOL delivered = FALSE;
  BYTE status = 0;  // the command byte on return
  BYTE error = 0;  // the features byte on return: the error register
};

// Sends the command with byteCount bytes of buffer moving as transfer says (kTransferIn,
// kTransferOut or 0). Not delivered when the buffer cannot be given an address.
CardDriverAnswer SendCardDriverAtaRequest(HANDLE driver, DWORD node, const CardDriverRegisters& registers, BYTE* buffer,
                                          DWORD byteCount, DWORD transfer);

}  // namespace win

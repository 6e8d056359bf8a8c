// The ATA task-file values the card readers' IDE and PCMCIA devices and the device code share:
// the commands they take and the bits of the status and error registers.
#pragma once

#include "platform/win/system/types.h"

#include <cstddef>

namespace win {

// Commands.
constexpr BYTE kAtaReadSectors = 0x20;
constexpr BYTE kAtaWriteSectors = 0x30;
constexpr BYTE kAtaIdentifyPacket = 0xA1;
constexpr BYTE kAtaGetMediaStatus = 0xDA;
constexpr BYTE kAtaIdentify = 0xEC;

// Status register bits.
constexpr BYTE kAtaStatusError = 0x01;
constexpr BYTE kAtaStatusReady = 0x50;  // DRDY and DSC

// Error register bits.
constexpr BYTE kAtaErrorNoMedia = 0x02;
constexpr BYTE kAtaErrorAborted = 0x04;
constexpr BYTE kAtaErrorIdNotFound = 0x10;
constexpr BYTE kAtaErrorUncorrectable = 0x40;
constexpr BYTE kAtaErrorWriteProtected = 0x40;  // GET MEDIA STATUS and writes

// Device/head bits.
constexpr BYTE kAtaLbaMode = 0x40;
constexpr BYTE kAtaSlaveBit = 0x10;
constexpr BYTE kAtaLbaHighMask = 0x0F;  // LBA bits 24-27 in LBA mode
constexpr std::size_t kAtaSectorSize = 512;

}  // namespace win

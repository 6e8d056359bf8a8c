// The readers' eight-byte vendor blocks in the form of the device kind (newer: 0x20 first and
// the command in byte 1; older: the command last, 0xB0 in byte 5) and their transport: eight
// bytes, the twelve-byte form, or the ATA command on the road of the OS kind.
#pragma once

#include "formatlib/command/ata_command.h"

#include "platform/win/system/types.h"

#include <array>
#include <cstdint>

namespace pradvik {

using VendorBlock = std::array<std::uint8_t, 8>;

bool IsNewerKind(std::uint8_t deviceKind);
// A block with only the command set, in the form of the device kind; olderByte0 goes into byte 0
// of the older form (the identification puts 4 there).
VendorBlock SimpleVendorBlock(std::uint8_t deviceKind, std::uint8_t command, std::uint8_t olderByte0 = 0);
// An older reader's block as the system hands it over: on the NT family as it stands (their
// driver turns it round), on Windows 9x in the command-first form with the same address and
// length (byte 0 the length's low byte, byte 6 its high byte), the drive byte dropped.
VendorBlock OlderReaderBlock(const VendorBlock& commandLast);

// Sends an eight-byte block on transport 3, or its twelve-byte form on transport 4 (byte 8 =
// twelveByteLength when non-zero); prompting or not.
std::uint8_t SendVendorBlock(win::HANDLE handle, std::uint8_t transportKind, const VendorBlock& block,
                             std::uint8_t* data, std::uint32_t length, std::uint8_t direction, bool prompt,
                             std::uint8_t twelveByteLength = 0);

// Length of the small replies: wide readers on the twelve-byte road answer 6 bytes.
std::uint32_t ReplyLength(std::uint8_t transportKind, int wideStatus, std::uint32_t usual);

// True for the eight- and twelve-byte SCSI roads; the others are ATA.
bool IsScsiTransport(std::uint8_t transportKind);

}  // namespace pradvik

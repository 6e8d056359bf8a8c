// The layouts in which the maker's readers take their vendor commands, and which layout each
// firmware generation accepts on each Windows road:
//   command-first  8 bytes: 0x20, sub-command, address (bytes 2-5), length (bytes 6-7, high first);
//                 the Memory Stick Pro format commands also come as 10 bytes, the last two zero
//   command-last   8 bytes: length low, address (bytes 1-4), byte 5, length high, sub-command
//   wide          12 bytes: the command-first block with byte 1 zero, reply length in byte 8 and
//                 the sub-command in byte 9
// Every other 8- or 12-byte block is foreign to the reader.
#pragma once

#include "platform/machine/description/machine_description.h"
#include "platform/win/layouts/scsi_commands.h"

#include <cstdint>
#include <optional>
#include <span>

namespace machine {

// The road the system takes to the reader: NT pass-through or the Windows 9x ASPI layer.
enum class Road { Nt, Win9x };

// AtaRegisters: the command came in ATA register form (IDE pass-through, the Windows 9x card
// driver, ATA inside SCSI blocks); address holds device/head, cylinder high, cylinder low and
// sector number (high first), length holds features and sector count.
enum class VendorForm { CommandFirst, CommandLast, Wide, AtaRegisters };

struct VendorCommand {
  VendorForm form = VendorForm::CommandFirst;
  std::uint8_t subCommand = 0;
  std::uint32_t address = 0;  // the four address bytes as they stand, high first
  std::uint16_t length = 0;  // the transfer length field
  std::uint8_t replyLength = 0;  // wide form only: byte 8, the caller's reply length (0: default)
};

// The form a reader of this generation accepts on this road; none for other makers' readers.
std::optional<VendorForm> AcceptedForm(Firmware firmware, Road road);

// True for the blocks the vendor forms use: 8 and 12 bytes, and 10 bytes that begin with the
// vendor opcode.
bool IsVendorBlock(std::span<const std::uint8_t> cdb);

// Reads a block in the given form; none when it is not a vendor command of that form.
std::optional<VendorCommand> DecodeVendorCommand(std::span<const std::uint8_t> cdb, VendorForm form);

}  // namespace machine

// The maker's vendor sub-commands for raw flash cards, as the reader's firmware answers them in
// every command form (docs/reader-protocol.md):
//   0x83 erase a block          0x84 card identification      0x85 read pages
//   0x86 write SmartMedia pages 0x8B read redundant areas     0x8F read extra data
//   0x90 program redundant areas or extra data (bad-block marks)
//   0x93 write Memory Stick pages                            0x95 end raw access
//   0x9B start the Memory Stick Pro format                   0x9C format progress
// Addresses: SmartMedia commands name a page in the three high address bytes; the low byte
// carries the write's count (0x40 plus sectors; 0x80 set: the card information structure).
// Memory Stick reads and erases name the block in the two low address bytes and the page
// within it in the byte above; Memory Stick writes name page, block and count like
// SmartMedia's. A write's length field is the logical block it belongs to; bit 0x4000 there
// asks for the bad-block mark instead of data.
#pragma once

#include "platform/machine/reader_firmware.h"

namespace machine {

// Answers a raw flash sub-command for the card in the slot; false when the sub-command is not
// one of them.
bool RunFlashCommand(FirmwareState& state, const VendorCommand& command, ScsiRequest& request);

}  // namespace machine

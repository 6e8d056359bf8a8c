// The maker's vendor sub-commands for raw flash cards (erase, identification, page reads and
// writes, redundant areas and extra data, end of raw access, the Memory Stick Pro format;
// reader_vendor_commands.h names them), as the reader's firmware answers them in every command
// form (docs/reader-protocol.md).
// Addresses: SmartMedia commands name a page in the three high address bytes; the low byte
// carries the write's count byte. Memory Stick reads and erases name the block in the two low
// address bytes and the page within it in the byte above; Memory Stick writes name page, block
// and count like SmartMedia's. A write's length field is the logical block it belongs to, or
// the bad-block mark instead of data.
#pragma once

#include "platform/machine/reader/reader_firmware.h"

namespace machine {

// Answers a raw flash sub-command for the card in the slot; false when the sub-command is not
// one of them.
bool RunFlashCommand(FirmwareState& state, const VendorCommand& command, ScsiRequest& request);

}  // namespace machine

// SCSI commands on Windows 9x, which has no SCSI pass-through: they go through the ASPI manager
// (WNASPI32.DLL) to the host adapter of the reader that the caller named by its card driver
// device node (the device id of the exports on Windows 9x). The adapter is the one whose name and
// device INQUIRY texts are the node's; it is looked up once per export.
#pragma once

#include "formatlib/command/scsi_command.h"

#include <cstdint>
#include <span>

namespace pradvik {

// One command to the reader of the state block's device; succeeded is set when the reader
// answered GOOD. Not delivered when the manager, the node or its adapter cannot be found.
ScsiExchange SendAspiCommand(std::span<const std::uint8_t> cdb, std::uint8_t* data, std::uint32_t dataLength,
                             std::uint8_t direction, bool& succeeded);

}  // namespace pradvik

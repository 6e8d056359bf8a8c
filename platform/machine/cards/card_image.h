// The sectors of a described card's image as the system would see them in a reader: a plain
// card's image file as it stands, a raw flash card's logical sectors through its firmware's
// block map. For filling and checking cards outside a running machine.
#pragma once

#include "platform/machine/io_result.h"
#include "platform/machine/machine_description.h"
#include "platform/machine/sector_device.h"

#include <memory>

namespace machine {

IoResult<std::unique_ptr<SectorDevice>> OpenCardImage(const CardDescription& card);

}  // namespace machine

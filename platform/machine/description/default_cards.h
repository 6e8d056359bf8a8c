// The cards of the default machine as a person finds them on the first start: the
// CompactFlash, SmartMedia, Memory Stick and MMC/SD cards hold what a camera leaves
// (DCIM\100KESTR\IMG_nnnn.JPG photographs with Exif data and thumbnails, its print-order file,
// a note), the floppy a few documents; on each, some files were deleted and their data is
// still on the card, as after deleting on a camera or in Explorer.
#pragma once

#include "platform/machine/machine_description.h"

namespace machine {

// Makes and fills each described card whose image does not exist yet; existing images are
// left alone. Throws MachineDescriptionError naming an image that cannot be made.
void MakeDefaultCards(const MachineDescription& machine);

}  // namespace machine

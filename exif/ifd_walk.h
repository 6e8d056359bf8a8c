// The walk over an image's IFDs: IFD0 and every IFD linked after it, then the Exif IFD.
// Each IFD is walked at most once, so a chain that leads back on itself ends.
#pragma once

#include "exif/image_info.h"
#include "exif/tiff_data.h"

namespace viduvod {

// Not walked (walked false) when the data does not hold the IFD0 offset of a TIFF header.
ImageInfo WalkImageIfds(const TiffData& data);

}  // namespace viduvod

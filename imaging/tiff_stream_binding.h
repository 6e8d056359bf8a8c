// Opens a TIFF over an ImageFile instead of a file descriptor. libtiff reads through the stream,
// reports nothing on its own (the decoder reports), and refuses any single allocation above the
// image size limit. Closing the TIFF leaves the stream open: it belongs to the loader.
#pragma once

#include "imaging/image_file.h"

#include <tiffio.h>

namespace imaging {

// Every TIFF the system opens is called this in libtiff's messages.
constexpr const char* kTiffStreamName = "TIFF IMAGE";

TIFF* OpenTiffStream(ImageFile& stream, const char* mode);

}  // namespace imaging

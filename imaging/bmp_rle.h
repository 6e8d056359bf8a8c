// The run-length codes of 8-bit (RLE8) and 4-bit (RLE4) bitmaps, decoded into the pixel rows of
// an image. Bytes that would fall outside the rows are dropped.
#pragma once

#include "imaging/dib_image.h"
#include "imaging/stream_reader.h"

namespace imaging {

// Both answer false when the stream ends before the end-of-bitmap code or the last row.
bool DecodeRle8(StreamReader& reader, CDibImage& image);
bool DecodeRle4(StreamReader& reader, CDibImage& image);

}  // namespace imaging

// DIB decoding for the framework's Qt-side code.
#pragma once

#include "platform/ui/dib.h"

#include <QImage>

#include <optional>

namespace ui {

// A DIB of 1, 4, 8, 24 or 32 bits per pixel, uncompressed: the header and colour table from
// header, the rows from pixels. Nothing when either does not hold what the header says.
std::optional<QImage> DecodeDib(std::span<const BYTE> header, std::span<const BYTE> pixels);

}  // namespace ui

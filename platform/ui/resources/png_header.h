// The header of a PNG file: its signature, then the IHDR chunk (length, type, width, height,
// bit depth, colour type, ...), read over the bytes with every field bounds checked.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <optional>
#include <span>

namespace ui {

struct PngHeader {
  BYTE bitDepth = 0;
  BYTE colourType = 0;
};

constexpr BYTE kPngPaletteType = 3;

// Nothing when the bytes do not start with the signature and a whole IHDR chunk.
std::optional<PngHeader> ReadPngHeader(std::span<const BYTE> png);

}  // namespace ui

// Writes one entry's value into its record field in the field's rendering.
#pragma once

#include "exif/ifd_entry.h"
#include "exif/tag_fields.h"

#include <cstdint>
#include <span>

namespace viduvod {

// Throws BadEntry, leaving the field as it was, when the value cannot be read.
void RenderTag(Rendering rendering, const IfdEntry& entry, const TiffData& data, std::span<std::uint8_t> field);

}  // namespace viduvod

// The result record as bytes, written field by field in little-endian order whatever the host.
#pragma once

#include "exif/include/viduvod.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace viduvod {

using RecordBytes = std::array<std::uint8_t, sizeof(ImageInfoRecord)>;

// The text's first field.size() bytes, the rest of the field zero.
void StoreText(std::span<std::uint8_t> field, std::string_view text);

}  // namespace viduvod

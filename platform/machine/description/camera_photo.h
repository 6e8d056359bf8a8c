// Photographs of our own making, as a camera stores them: a JPEG of a painted landscape
// (sky, sun, hills; the seed moves them) with the camera's Exif segment and a 160x120
// thumbnail in it.
#pragma once

#include "platform/machine/camera_exif.h"

#include <cstdint>
#include <vector>

namespace machine {

// The photograph's file bytes; its size comes from facts.width and facts.height.
// Throws std::runtime_error when the JPEG library fails.
std::vector<std::uint8_t> MakeCameraPhoto(const ExifFacts& facts, std::uint32_t seed);

}  // namespace machine

// PREVIEW.JPG: where the thumbnail goes (the folder named in TLKLCALL.INI) and its writing.
#pragma once

#include "exif/image_info.h"

#include <optional>
#include <string>

namespace viduvod {

// The thumbnail's path, or nullopt when the INI names no folder (or one too long to have
// been read whole), so that no thumbnail lands in whatever folder happens to be current.
std::optional<std::string> ThumbnailPath();

// Replaces the file at path with the thumbnail; an unreadable thumbnail only removes the
// file of an earlier image, and no thumbnail at all leaves the file alone.
void SaveThumbnail(const std::string& path, const Thumbnail& thumbnail);

}  // namespace viduvod

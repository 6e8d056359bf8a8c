// Camera files made by the image tools at test time: Exif JPEGs, TIFF-structured files with
// camera tags, an Exif IFD and an embedded thumbnail, and multi-page camera TIFFs.
#pragma once

#include "exif/tiff_data.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace viduvod::test_support {

// An Exif JPEG whose first segment is APP1, with camera tags, an Exif IFD, an interoperability
// IFD, a GPS IFD and a thumbnail, in the given byte order.
std::filesystem::path MakeCameraJpeg(const std::filesystem::path& folder, ByteOrder order);

// The TIFF structure of a camera JPEG as a file of its own, the way RAW files carry it.
std::filesystem::path MakeExifTiff(const std::filesystem::path& folder, ByteOrder order);

// A two-page TIFF (an IFD chain) with camera tags and an Exif IFD, by convert and tiffcp.
std::filesystem::path MakeCameraTiff(const std::filesystem::path& folder, ByteOrder order);

// The thumbnail that exiftool extracts from a file.
std::vector<std::uint8_t> ExiftoolThumbnail(const std::filesystem::path& file);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);

}  // namespace viduvod::test_support

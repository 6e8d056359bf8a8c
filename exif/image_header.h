// Recognising a camera file from its first bytes, and which of its bytes hold the TIFF
// structure: the whole of a TIFF-structured file, or the APP1 block of an Exif JPEG.
#pragma once

#include "exif/image_info.h"
#include "exif/tiff_data.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace viduvod {

enum class FileKind : std::uint8_t { None = 0xFF, Tiff = 0x0F, Jpeg = 0xF0 };

// The probe reads nothing at or beyond this offset.
constexpr std::size_t kHeaderProbeBytes = 14;

struct ImageHeader {
  FileKind kind = FileKind::None;
  ByteOrder order = ByteOrder::Undecided;
  bool exifMark = false;
  // Bytes to load: the APP1 block's length, 50008 for an APP1 block without the Exif mark,
  // the file's size for a TIFF-structured file.
  std::uint32_t dataLength = 50008;
};

// head: the file's first bytes (up to kHeaderProbeBytes, fewer for a short file).
ImageHeader ProbeImageHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize);

struct LoadPlan {
  std::uint64_t fileOffset = 0;
  std::uint64_t length = 0;
  // Where the TIFF header stands in the loaded bytes.
  std::size_t tiffStart = 0;
};

LoadPlan PlanLoad(const ImageHeader& header);

// Walks the loaded bytes (fewer than planned when the file ends early).
ImageInfo WalkLoadedData(std::span<const std::uint8_t> loaded, const LoadPlan& plan, ByteOrder order);

// Recognises, loads and walks a whole file held in memory; for the tests and the fuzz target,
// which need no file system.
ImageInfo ReadImageInfo(std::span<const std::uint8_t> file);

}  // namespace viduvod

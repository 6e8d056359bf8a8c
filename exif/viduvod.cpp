// The library's one export: recognises the camera file, loads its TIFF structure, walks it
// into the record and writes the embedded thumbnail to PREVIEW.JPG.
#include "exif/include/viduvod.h"

#include "exif/camera_file.h"
#include "exif/image_header.h"
#include "exif/thumbnail_file.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

namespace viduvod {
namespace {

// The longest path the reader keeps, as a Windows path field of MAX_PATH characters.
constexpr std::size_t kLongestPath = 259;

std::uint32_t GetImageInfo(const char* path, ImageInfoRecord& out) {
  const CameraFile file(path);
  if (!file.IsOpen()) std::fputs("File cannot be opened... please try later", stdout);
  const std::uint64_t size = file.Size();
  const auto head = file.Read(0, kHeaderProbeBytes);
  const ImageHeader header = ProbeImageHeader(head, size);
  const auto thumbnailPath = ThumbnailPath();
  if (header.kind == FileKind::None) return 0;

  const LoadPlan plan = PlanLoad(header);
  std::vector<std::uint8_t> loaded;
  try {
    loaded = file.Read(plan.fileOffset, plan.length);
  } catch (const std::bad_alloc&) {
    std::fputs("Memory allocation error", stdout);
    return 0;
  }
  const ImageInfo info = WalkLoadedData(loaded, plan, header.order);
  if (!info.walked) return 0;
  std::fputs(info.output.c_str(), stdout);
  if (thumbnailPath) SaveThumbnail(*thumbnailPath, info.thumbnail);
  std::memcpy(&out, info.record.data(), info.record.size());
  return 1;
}

}  // namespace
}  // namespace viduvod

extern "C" VIDUVOD_API std::uint32_t Viduvod_GetImageInfo(const char* path, ImageInfoRecord* out) {
  if (out == nullptr || path == nullptr) return 0;
  const std::string_view text(path);
  if (text.empty() || text.size() > viduvod::kLongestPath) return 0;
  try {
    return viduvod::GetImageInfo(path, *out);
  } catch (const std::exception&) {
    // Nothing may unwind into a C caller.
    return 0;
  }
}

#include "exif/image_header.h"

#include "exif/ifd_walk.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <array>
#include <limits>

namespace viduvod {
namespace {

// A JPEG's start of image followed at once by an APP1 marker.
constexpr std::array<std::uint8_t, 4> kJpegApp1Start{0xFF, 0xD8, 0xFF, 0xE1};
constexpr std::size_t kJpegExifMarkAt = 6;
constexpr std::size_t kJpegApp1LengthAt = 4;
constexpr std::size_t kJpegByteOrderAt = 12;
// The APP1 block is loaded from its length field on; the TIFF header follows the length field
// and the six bytes "Exif", 0, 0.
constexpr std::uint64_t kJpegLoadFrom = kJpegApp1LengthAt;
constexpr std::size_t kJpegTiffStart = kJpegByteOrderAt - kJpegApp1LengthAt;

ByteOrder ByteOrderMark(std::span<const std::uint8_t> two) {
  if (two[0] == 'I' && two[1] == 'I') return ByteOrder::Intel;
  if (two[0] == 'M' && two[1] == 'M') return ByteOrder::Motorola;
  return ByteOrder::Undecided;
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::size_t at, std::span<const std::uint8_t> wanted) {
  return bytes.size() >= at + wanted.size() && std::equal(wanted.begin(), wanted.end(), bytes.begin() + at);
}

ImageHeader ProbeJpeg(std::span<const std::uint8_t> head) {
  constexpr std::array<std::uint8_t, 4> kExif{'E', 'x', 'i', 'f'};
  ImageHeader header;
  header.kind = FileKind::Jpeg;
  header.exifMark = StartsWith(head, kJpegExifMarkAt, kExif);
  if (head.size() >= kJpegByteOrderAt + 2) {
    header.order = ByteOrderMark(head.subspan(kJpegByteOrderAt, 2));
    if (header.order == ByteOrder::Undecided) header.kind = FileKind::None;
  }
  if (header.exifMark) header.dataLength = win::ReadBe16(head, kJpegApp1LengthAt);
  return header;
}

ImageHeader ProbeTiff(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  ImageHeader header;
  header.order = ByteOrderMark(head);
  header.kind = header.order == ByteOrder::Undecided ? FileKind::None : FileKind::Tiff;
  header.dataLength =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize, std::numeric_limits<std::uint32_t>::max()));
  return header;
}

}  // namespace

ImageHeader ProbeImageHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  if (head.size() < kJpegApp1Start.size()) return {};
  if (StartsWith(head, 0, kJpegApp1Start)) return ProbeJpeg(head);
  return ProbeTiff(head, fileSize);
}

LoadPlan PlanLoad(const ImageHeader& header) {
  if (header.kind == FileKind::Jpeg) return {kJpegLoadFrom, header.dataLength, kJpegTiffStart};
  return {0, header.dataLength, 0};
}

ImageInfo WalkLoadedData(std::span<const std::uint8_t> loaded, const LoadPlan& plan, ByteOrder order) {
  return WalkImageIfds(TiffData(loaded.subspan(std::min(plan.tiffStart, loaded.size())), order));
}

ImageInfo ReadImageInfo(std::span<const std::uint8_t> file) {
  const ImageHeader header = ProbeImageHeader(file.first(std::min(file.size(), kHeaderProbeBytes)), file.size());
  if (header.kind == FileKind::None) return {};
  const LoadPlan plan = PlanLoad(header);
  const auto from = file.subspan(static_cast<std::size_t>(std::min<std::uint64_t>(plan.fileOffset, file.size())));
  return WalkLoadedData(from.first(static_cast<std::size_t>(std::min<std::uint64_t>(plan.length, from.size()))), plan,
                        header.order);
}

}  // namespace viduvod

#include "imaging/metafile_source.h"

#include "platform/win/layouts/byte_order.h"
#include "imaging/image_file.h"

#include <array>
#include <span>
#include <vector>

namespace imaging {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kPlaceableChecksumWords = 10;
constexpr std::size_t kWindowsHeaderSize = 18;
constexpr std::uint16_t kMaxUnitsPerInch = 2540;
// The conversion takes the picture's extents as integers: small pictures are described ten by
// ten times larger until one extent passes these, so that it keeps their proportions.
constexpr std::int32_t kExtentHeight = 6554;
constexpr std::int32_t kExtentWidth = 6553;

struct PlaceableHeader {
  std::int16_t left;
  std::int16_t top;
  std::int16_t right;
  std::int16_t bottom;
  std::uint16_t unitsPerInch;
};

std::int16_t Signed16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::int16_t>(win::ReadLe16(bytes, offset));
}

std::optional<PlaceableHeader> ParsePlaceable(std::span<const std::uint8_t> bytes) {
  if (win::ReadLe32(bytes, 0) != kPlaceableKey) return std::nullopt;
  std::uint16_t checksum = 0;
  for (std::size_t word = 0; word < kPlaceableChecksumWords; ++word) checksum ^= win::ReadLe16(bytes, word * 2);
  const PlaceableHeader header{Signed16(bytes, 6), Signed16(bytes, 8), Signed16(bytes, 10), Signed16(bytes, 12),
                               win::ReadLe16(bytes, 14)};
  if (checksum != win::ReadLe16(bytes, 20) || header.unitsPerInch == 0 || header.unitsPerInch > kMaxUnitsPerInch) {
    return std::nullopt;
  }
  return header;
}

template <std::size_t N>
bool ReadExactly(ImageFile& stream, std::array<std::uint8_t, N>& target) {
  return stream.Read(target.data(), 1, N) == N;
}

// Only a picture with an area is magnified: an extent of 0 would never grow, and a negative one
// would overflow.
ui::METAFILEPICT PictureOf(std::int32_t width, std::int32_t height) {
  ui::METAFILEPICT picture;
  picture.mm = ui::MM_ANISOTROPIC;
  picture.xExt = width;
  picture.yExt = height;
  if (width <= 0 || height <= 0) return picture;
  while (picture.xExt < kExtentHeight && picture.yExt < kExtentHeight) {
    picture.xExt *= 10;
    picture.yExt *= 10;
    if (picture.xExt >= kExtentWidth) break;
  }
  return picture;
}

}  // namespace

std::optional<LoadedMetafile> LoadPlaceableMetafile(ImageFile& stream, ScreenResolution dpi, ui::HDC screen) {
  const std::int32_t start = stream.Tell();
  std::array<std::uint8_t, kPlaceableSize> placeableBytes{};
  if (!ReadExactly(stream, placeableBytes)) return std::nullopt;
  const auto placeable = ParsePlaceable(placeableBytes);
  if (!placeable) return std::nullopt;
  std::array<std::uint8_t, kWindowsHeaderSize> windowsHeader{};
  if (!ReadExactly(stream, windowsHeader)) return std::nullopt;
  const std::uint16_t type = win::ReadLe16(windowsHeader, 0);
  if (type != 1 && type != 2) return std::nullopt;

  // A size in 16-bit words: doubled in 64 bits so that it cannot wrap.
  const std::uint64_t dataSize = std::uint64_t{win::ReadLe32(windowsHeader, 6)} * 2;
  const std::int32_t streamSize = stream.Size();
  if (streamSize < 0 || dataSize > static_cast<std::uint64_t>(streamSize)) return std::nullopt;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(dataSize));
  if (!stream.Seek(start + static_cast<std::int32_t>(kPlaceableSize), 0) ||
      stream.Read(data.data(), 1, data.size()) != data.size()) {
    return std::nullopt;
  }

  const std::int32_t width = (placeable->right - placeable->left) * dpi.x / placeable->unitsPerInch;
  const std::int32_t height = (placeable->bottom - placeable->top) * dpi.y / placeable->unitsPerInch;
  const ui::METAFILEPICT picture = PictureOf(width, height);
  MetafileHandle handle(ui::SetWinMetaFileBits(static_cast<ui::UINT>(data.size()), data.data(), screen, &picture));
  if (!handle) return std::nullopt;
  return LoadedMetafile{std::move(handle), width, height};
}

std::optional<LoadedMetafile> LoadEnhancedMetafile(ImageFile& stream) {
  const std::int32_t start = stream.Tell();
  const std::int32_t size = stream.Size();
  if (start < 0 || size <= start) return std::nullopt;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size - start));
  if (stream.Read(data.data(), 1, data.size()) != data.size()) return std::nullopt;
  MetafileHandle handle(ui::SetEnhMetaFileBits(static_cast<ui::UINT>(data.size()), data.data()));
  ui::ENHMETAHEADER header;
  if (!handle || ui::GetEnhMetaFileHeader(handle.get(), sizeof header, &header) == 0) return std::nullopt;
  const ui::RECT& bounds = header.rclBounds;
  return LoadedMetafile{std::move(handle), std::int64_t{bounds.right} - bounds.left,
                        std::int64_t{bounds.bottom} - bounds.top};
}

}  // namespace imaging

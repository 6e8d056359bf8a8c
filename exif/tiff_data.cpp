#include "exif/tiff_data.h"

namespace viduvod {

std::optional<std::span<const std::uint8_t>> TiffData::Bytes(std::uint64_t offset, std::uint64_t length) const {
  if (offset > bytes_.size() || length > bytes_.size() - offset) return std::nullopt;
  return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

std::optional<std::uint16_t> TiffData::U16(std::uint64_t offset) const {
  if (offset > bytes_.size()) return std::nullopt;
  return win::TryRead16(bytes_, static_cast<std::size_t>(offset), EndianOf(order_));
}

std::optional<std::uint32_t> TiffData::U32(std::uint64_t offset) const {
  if (offset > bytes_.size()) return std::nullopt;
  return win::TryRead32(bytes_, static_cast<std::size_t>(offset), EndianOf(order_));
}

}  // namespace viduvod

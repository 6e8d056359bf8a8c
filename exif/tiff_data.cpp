#include "tiff_data.h"

namespace viduvod {

// Every order but Motorola's reads as Intel order, as an undecided order must read somehow.
std::uint16_t DecodeU16(std::span<const std::uint8_t> bytes, ByteOrder order) {
  if (order == ByteOrder::Motorola) return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
  return static_cast<std::uint16_t>(bytes[1] << 8 | bytes[0]);
}

std::uint32_t DecodeU32(std::span<const std::uint8_t> bytes, ByteOrder order) {
  const std::uint32_t b0 = bytes[0], b1 = bytes[1], b2 = bytes[2], b3 = bytes[3];
  if (order == ByteOrder::Motorola) return b0 << 24 | b1 << 16 | b2 << 8 | b3;
  return b3 << 24 | b2 << 16 | b1 << 8 | b0;
}

std::optional<std::span<const std::uint8_t>> TiffData::Bytes(std::uint64_t offset, std::uint64_t length) const {
  if (offset > bytes_.size() || length > bytes_.size() - offset) return std::nullopt;
  return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

std::optional<std::uint16_t> TiffData::U16(std::uint64_t offset) const {
  const auto bytes = Bytes(offset, 2);
  if (!bytes) return std::nullopt;
  return DecodeU16(*bytes, order_);
}

std::optional<std::uint32_t> TiffData::U32(std::uint64_t offset) const {
  const auto bytes = Bytes(offset, 4);
  if (!bytes) return std::nullopt;
  return DecodeU32(*bytes, order_);
}

}  // namespace viduvod

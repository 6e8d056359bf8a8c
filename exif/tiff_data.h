// The loaded TIFF structure of an image: its bytes from the "II"/"MM" header on, read in the
// file's byte order. Every read is checked against the bytes actually loaded, because the
// offsets and counts come from a file off a card.
#pragma once

#include "platform/win/layouts/byte_order.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace viduvod {

enum class ByteOrder : std::uint8_t { Intel = 0x10, Motorola = 0x20, Undecided = 0xFF };

// Every order but Motorola's reads as Intel order, as an undecided order must read somehow.
constexpr win::Endian EndianOf(ByteOrder order) {
  return order == ByteOrder::Motorola ? win::Endian::Big : win::Endian::Little;
}

class TiffData {
 public:
  TiffData(std::span<const std::uint8_t> bytes, ByteOrder order) : bytes_(bytes), order_(order) {}

  ByteOrder Order() const { return order_; }
  std::size_t Size() const { return bytes_.size(); }

  // length bytes at offset, or nullopt when any of them lies outside the loaded data.
  std::optional<std::span<const std::uint8_t>> Bytes(std::uint64_t offset, std::uint64_t length) const;
  std::optional<std::uint16_t> U16(std::uint64_t offset) const;
  std::optional<std::uint32_t> U32(std::uint64_t offset) const;

 private:
  std::span<const std::uint8_t> bytes_;
  ByteOrder order_;
};

}  // namespace viduvod

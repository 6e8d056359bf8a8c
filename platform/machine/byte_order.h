// Little-endian fields of on-disk records, read and written over byte spans. A field that
// does not lie wholly inside the span reads as 0 and is not written, so a short or hostile
// record can never be overrun; callers check record lengths before trusting the values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace machine {

// True when a field of `width` bytes at `offset` lies inside a span of `size` bytes.
constexpr bool FieldFits(std::size_t size, std::size_t offset, std::size_t width) {
  return offset <= size && width <= size - offset;
}

// The unsigned little-endian value of `width` (at most 4) bytes at `offset`.
constexpr std::uint32_t LoadLe(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width) {
  if (!FieldFits(bytes.size(), offset, width)) return 0;
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[offset + i];
  return value;
}

// Stores the low `width` (at most 4) bytes of value at `offset`, little-endian.
constexpr void StoreLe(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t width, std::uint32_t value) {
  if (!FieldFits(bytes.size(), offset, width)) return;
  for (std::size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The byte at offset.
constexpr std::uint8_t Le8(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint8_t>(LoadLe(bytes, offset, 1));
}
// The 16-bit little-endian value at offset.
constexpr std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(LoadLe(bytes, offset, 2));
}
// The 32-bit little-endian value at offset.
constexpr std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return LoadLe(bytes, offset, 4);
}
// Stores a byte at offset.
constexpr void PutLe8(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  StoreLe(bytes, offset, 1, value);
}
// Stores a 16-bit little-endian value at offset.
constexpr void PutLe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  StoreLe(bytes, offset, 2, value);
}
// Stores a 32-bit little-endian value at offset.
constexpr void PutLe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  StoreLe(bytes, offset, 4, value);
}

}  // namespace machine

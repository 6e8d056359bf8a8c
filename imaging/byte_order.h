// Little- and big-endian fields of on-disk records, read over byte spans with a bounds check.
#pragma once

#include "imaging/decode_error.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging {

inline void CheckField(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t length) {
  Require(offset <= bytes.size() && length <= bytes.size() - offset, "record too short");
}

inline std::uint8_t Byte(std::span<const std::uint8_t> bytes, std::size_t offset) {
  CheckField(bytes, offset, 1);
  return bytes[offset];
}

inline std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  CheckField(bytes, offset, 2);
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  CheckField(bytes, offset, 4);
  return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline std::int32_t Le32Signed(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::int32_t>(Le32(bytes, offset));
}

}  // namespace imaging

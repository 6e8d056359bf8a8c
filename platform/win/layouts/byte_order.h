// Little- and big-endian fields of byte layouts (pass-through blocks, driver records, command
// blocks), read and written over spans. Every access is bounds checked: a field that does not
// lie wholly inside the span throws std::out_of_range, so a short or corrupt record is
// reported instead of read past its end. FieldFits lets callers test first.
#pragma once

#include "platform/win/types.h"

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>

namespace win {

// True when width bytes at offset lie inside a span of size bytes (overflow-safe).
constexpr bool FieldFits(std::size_t size, std::size_t offset, std::size_t width) {
  return offset <= size && width <= size - offset;
}

namespace byte_order_detail {

[[noreturn]] inline void ThrowOutside(std::size_t size, std::size_t offset, std::size_t width) {
  throw std::out_of_range("field of " + std::to_string(width) + " bytes at offset " + std::to_string(offset) +
                          " lies outside a record of " + std::to_string(size) + " bytes");
}

template <std::size_t Width>
ULONGLONG ReadUnsigned(std::span<const BYTE> bytes, std::size_t offset, bool bigEndian) {
  if (!FieldFits(bytes.size(), offset, Width)) ThrowOutside(bytes.size(), offset, Width);
  ULONGLONG value = 0;
  for (std::size_t i = 0; i < Width; ++i) {
    const std::size_t index = bigEndian ? i : Width - 1 - i;
    value = (value << 8) | bytes[offset + index];
  }
  return value;
}

template <std::size_t Width>
void WriteUnsigned(std::span<BYTE> bytes, std::size_t offset, ULONGLONG value, bool bigEndian) {
  if (!FieldFits(bytes.size(), offset, Width)) ThrowOutside(bytes.size(), offset, Width);
  for (std::size_t i = 0; i < Width; ++i) {
    const std::size_t index = bigEndian ? Width - 1 - i : i;
    bytes[offset + index] = static_cast<BYTE>(value & 0xFF);
    value >>= 8;
  }
}

}  // namespace byte_order_detail

inline BYTE ReadU8(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<BYTE>(byte_order_detail::ReadUnsigned<1>(bytes, offset, false));
}
inline WORD ReadLe16(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<WORD>(byte_order_detail::ReadUnsigned<2>(bytes, offset, false));
}
inline DWORD ReadLe32(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<DWORD>(byte_order_detail::ReadUnsigned<4>(bytes, offset, false));
}
inline WORD ReadBe16(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<WORD>(byte_order_detail::ReadUnsigned<2>(bytes, offset, true));
}
inline DWORD ReadBe32(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<DWORD>(byte_order_detail::ReadUnsigned<4>(bytes, offset, true));
}

inline void WriteU8(std::span<BYTE> bytes, std::size_t offset, BYTE value) {
  byte_order_detail::WriteUnsigned<1>(bytes, offset, value, false);
}
inline void WriteLe16(std::span<BYTE> bytes, std::size_t offset, WORD value) {
  byte_order_detail::WriteUnsigned<2>(bytes, offset, value, false);
}
inline void WriteLe32(std::span<BYTE> bytes, std::size_t offset, DWORD value) {
  byte_order_detail::WriteUnsigned<4>(bytes, offset, value, false);
}
inline void WriteBe16(std::span<BYTE> bytes, std::size_t offset, WORD value) {
  byte_order_detail::WriteUnsigned<2>(bytes, offset, value, true);
}
inline void WriteBe32(std::span<BYTE> bytes, std::size_t offset, DWORD value) {
  byte_order_detail::WriteUnsigned<4>(bytes, offset, value, true);
}

}  // namespace win

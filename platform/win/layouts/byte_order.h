// Little- and big-endian fields of byte layouts (pass-through blocks, driver records, command
// blocks, on-disk records, image files), read and written over spans. The one rule for bytes
// that come from outside (cards, files, replies): a field that does not lie wholly inside its
// span is never touched. The plain reads and writes throw FieldOutsideRecord for it, so a short
// or corrupt record is reported instead of read past its end; the Try reads answer nullopt, for
// parsers that treat a missing field as absent. FieldFits lets a caller test first.
#pragma once

#include "platform/win/system/types.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

namespace win {

// A field that lies outside the record it was to be read from or written into.
class FieldOutsideRecord : public std::out_of_range {
 public:
  FieldOutsideRecord(std::size_t size, std::size_t offset, std::size_t width)
      : std::out_of_range("field of " + std::to_string(width) + " bytes at offset " + std::to_string(offset) +
                          " lies outside a record of " + std::to_string(size) + " bytes") {}
};

// True when width bytes at offset lie inside a span of size bytes (overflow-safe).
constexpr bool FieldFits(std::size_t size, std::size_t offset, std::size_t width) {
  return offset <= size && width <= size - offset;
}

enum class Endian : std::uint8_t { Little, Big };

namespace byte_order_detail {

template <std::size_t Width>
constexpr std::optional<ULONGLONG> TryReadUnsigned(std::span<const BYTE> bytes, std::size_t offset, Endian endian) {
  if (!FieldFits(bytes.size(), offset, Width)) return std::nullopt;
  ULONGLONG value = 0;
  for (std::size_t i = 0; i < Width; ++i) {
    const std::size_t index = endian == Endian::Big ? i : Width - 1 - i;
    value = (value << 8) | bytes[offset + index];
  }
  return value;
}

template <std::size_t Width>
constexpr ULONGLONG ReadUnsigned(std::span<const BYTE> bytes, std::size_t offset, Endian endian) {
  const auto value = TryReadUnsigned<Width>(bytes, offset, endian);
  if (!value) throw FieldOutsideRecord(bytes.size(), offset, Width);
  return *value;
}

template <std::size_t Width>
constexpr void WriteUnsigned(std::span<BYTE> bytes, std::size_t offset, ULONGLONG value, Endian endian) {
  if (!FieldFits(bytes.size(), offset, Width)) throw FieldOutsideRecord(bytes.size(), offset, Width);
  for (std::size_t i = 0; i < Width; ++i) {
    const std::size_t index = endian == Endian::Big ? Width - 1 - i : i;
    bytes[offset + index] = static_cast<BYTE>(value & 0xFF);
    value >>= 8;
  }
}

template <class T>
constexpr std::optional<T> Narrow(std::optional<ULONGLONG> value) {
  if (!value) return std::nullopt;
  return static_cast<T>(*value);
}

}  // namespace byte_order_detail

// Checked reads: throw FieldOutsideRecord when the field is not wholly inside bytes.
constexpr BYTE ReadU8(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<BYTE>(byte_order_detail::ReadUnsigned<1>(bytes, offset, Endian::Little));
}
constexpr WORD ReadLe16(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<WORD>(byte_order_detail::ReadUnsigned<2>(bytes, offset, Endian::Little));
}
constexpr DWORD ReadLe32(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<DWORD>(byte_order_detail::ReadUnsigned<4>(bytes, offset, Endian::Little));
}
constexpr WORD ReadBe16(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<WORD>(byte_order_detail::ReadUnsigned<2>(bytes, offset, Endian::Big));
}
constexpr DWORD ReadBe32(std::span<const BYTE> bytes, std::size_t offset) {
  return static_cast<DWORD>(byte_order_detail::ReadUnsigned<4>(bytes, offset, Endian::Big));
}
constexpr WORD Read16(std::span<const BYTE> bytes, std::size_t offset, Endian endian) {
  return static_cast<WORD>(byte_order_detail::ReadUnsigned<2>(bytes, offset, endian));
}
constexpr DWORD Read32(std::span<const BYTE> bytes, std::size_t offset, Endian endian) {
  return static_cast<DWORD>(byte_order_detail::ReadUnsigned<4>(bytes, offset, endian));
}

// Reads that answer nullopt when the field is not wholly inside bytes.
constexpr std::optional<WORD> TryRead16(std::span<const BYTE> bytes, std::size_t offset, Endian endian) {
  return byte_order_detail::Narrow<WORD>(byte_order_detail::TryReadUnsigned<2>(bytes, offset, endian));
}
constexpr std::optional<DWORD> TryRead32(std::span<const BYTE> bytes, std::size_t offset, Endian endian) {
  return byte_order_detail::Narrow<DWORD>(byte_order_detail::TryReadUnsigned<4>(bytes, offset, endian));
}

// Checked writes: throw FieldOutsideRecord when the field is not wholly inside bytes.
constexpr void WriteU8(std::span<BYTE> bytes, std::size_t offset, BYTE value) {
  byte_order_detail::WriteUnsigned<1>(bytes, offset, value, Endian::Little);
}
constexpr void WriteLe16(std::span<BYTE> bytes, std::size_t offset, WORD value) {
  byte_order_detail::WriteUnsigned<2>(bytes, offset, value, Endian::Little);
}
constexpr void WriteLe32(std::span<BYTE> bytes, std::size_t offset, DWORD value) {
  byte_order_detail::WriteUnsigned<4>(bytes, offset, value, Endian::Little);
}
constexpr void WriteBe16(std::span<BYTE> bytes, std::size_t offset, WORD value) {
  byte_order_detail::WriteUnsigned<2>(bytes, offset, value, Endian::Big);
}
constexpr void WriteBe32(std::span<BYTE> bytes, std::size_t offset, DWORD value) {
  byte_order_detail::WriteUnsigned<4>(bytes, offset, value, Endian::Big);
}

}  // namespace win

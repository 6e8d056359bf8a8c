// One 12-byte IFD entry (TIFF 6.0) and the rules by which its value is read.
#pragma once

#include "exif/tiff_data.h"

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace viduvod {

constexpr std::size_t kIfdEntrySize = 12;

struct IfdEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint32_t valueWord = 0;
  // The value field's four bytes as they stand in the file.
  std::array<std::uint8_t, 4> raw{};
};

// An entry whose value cannot be read: an unknown type, or bytes outside the loaded data.
class BadEntry : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

IfdEntry DecodeIfdEntry(std::span<const std::uint8_t> twelveBytes, ByteOrder order);

// Bytes per value of a TIFF type; 0 for a type TIFF 6.0 does not define.
unsigned TypeSize(std::uint16_t type);

// The value's bytes: the value field itself when count x type size is at most four bytes,
// else the bytes at the offset that the value word gives. Throws BadEntry.
std::span<const std::uint8_t> ValueBytes(const IfdEntry& entry, const TiffData& data);

// The first four bytes of the value: the value field, or the first four at the value's offset.
std::array<std::uint8_t, 4> FirstFourValueBytes(const IfdEntry& entry, const TiffData& data);

// Value number index read at the type's width (the numerator for a rational); 0 beyond count.
std::uint32_t ValueInteger(const IfdEntry& entry, std::span<const std::uint8_t> value, std::size_t index,
                           ByteOrder order);

// The entry as one 32-bit number: a SHORT's first value, a LONG, the offset of a value that
// does not fit in the value field, or the field's bytes in file order for byte types.
std::uint32_t Number32(const IfdEntry& entry, ByteOrder order);

}  // namespace viduvod

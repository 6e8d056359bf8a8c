#include "exif/ifd_entry.h"

#include <algorithm>

namespace viduvod {
namespace {

// TIFF 6.0 field types 1 to 12: BYTE ASCII SHORT LONG RATIONAL SBYTE UNDEFINED SSHORT SLONG
// SRATIONAL FLOAT DOUBLE.
constexpr std::array<unsigned, 13> kTypeSizes{0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

std::uint64_t ValueSize(const IfdEntry& entry) { return std::uint64_t{entry.count} * TypeSize(entry.type); }

bool FitsInValueField(const IfdEntry& entry) { return ValueSize(entry) <= 4; }

}  // namespace

IfdEntry DecodeIfdEntry(std::span<const std::uint8_t> twelveBytes, ByteOrder order) {
  IfdEntry entry;
  const win::Endian endian = EndianOf(order);
  entry.tag = win::Read16(twelveBytes, 0, endian);
  entry.type = win::Read16(twelveBytes, 2, endian);
  entry.count = win::Read32(twelveBytes, 4, endian);
  entry.valueWord = win::Read32(twelveBytes, 8, endian);
  std::copy_n(twelveBytes.begin() + 8, 4, entry.raw.begin());
  return entry;
}

unsigned TypeSize(std::uint16_t type) { return type < kTypeSizes.size() ? kTypeSizes[type] : 0; }

std::span<const std::uint8_t> ValueBytes(const IfdEntry& entry, const TiffData& data) {
  if (TypeSize(entry.type) == 0) throw BadEntry("unknown field type");
  if (FitsInValueField(entry)) return std::span(entry.raw).first(static_cast<std::size_t>(ValueSize(entry)));
  const auto bytes = data.Bytes(entry.valueWord, ValueSize(entry));
  if (!bytes) throw BadEntry("value outside the data");
  return *bytes;
}

std::array<std::uint8_t, 4> FirstFourValueBytes(const IfdEntry& entry, const TiffData& data) {
  if (TypeSize(entry.type) != 0 && FitsInValueField(entry)) return entry.raw;
  const auto value = ValueBytes(entry, data);
  std::array<std::uint8_t, 4> bytes{};
  std::copy_n(value.begin(), 4, bytes.begin());
  return bytes;
}

std::uint32_t ValueInteger(const IfdEntry& entry, std::span<const std::uint8_t> value, std::size_t index,
                           ByteOrder order) {
  const unsigned size = TypeSize(entry.type);
  if (index >= entry.count || size == 0 || (index + 1) * size > value.size()) return 0;
  const auto element = value.subspan(index * size, size);
  switch (size) {
    case 1: return element[0];
    case 2: return win::Read16(element, 0, EndianOf(order));
    default: return win::Read32(element, 0, EndianOf(order));
  }
}

std::uint32_t Number32(const IfdEntry& entry, ByteOrder order) {
  const unsigned size = TypeSize(entry.type);
  if (size == 0 || !FitsInValueField(entry)) return entry.valueWord;
  if (size == 1) return win::ReadLe32(entry.raw, 0);
  if (size == 2) return win::Read16(entry.raw, 0, EndianOf(order));
  return entry.valueWord;
}

}  // namespace viduvod

// Builds TIFF structures byte by byte for tests, in either byte order, including the broken
// ones no tool will write: offsets past the end, cyclic chains, huge counts.
#pragma once

#include "exif/tiff_data.h"

#include <array>
#include <cstdint>
#include <ostream>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace viduvod {

// Names a byte order in test names.
inline void PrintTo(ByteOrder order, std::ostream* out) { *out << (order == ByteOrder::Motorola ? "MM" : "II"); }

}  // namespace viduvod

namespace viduvod::test_support {

// TIFF 6.0 field types.
enum FieldType : std::uint16_t {
  kByte = 1,
  kAscii = 2,
  kShort = 3,
  kLong = 4,
  kRational = 5,
  kUndefined = 7,
  kSLong = 9,
  kSRational = 10
};

struct RawEntry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::array<std::uint8_t, 4> field;  // as it stands in the file
};

class TiffBuilder {
 public:
  // Writes the 8-byte header; IFD0's offset is 0 until SetIfd0.
  explicit TiffBuilder(ByteOrder order);

  std::uint32_t Size() const { return static_cast<std::uint32_t>(bytes_.size()); }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  // Appends bytes (padded to an even offset first) and answers where they start.
  std::uint32_t Append(std::span<const std::uint8_t> bytes);
  std::uint32_t AppendText(std::string_view text);  // with its terminating zero
  std::uint32_t AppendShorts(std::span<const std::uint16_t> values);
  std::uint32_t AppendRationals(std::span<const std::pair<std::int32_t, std::int32_t>> values);

  // Appends an IFD with its entry count, the entries and the link; answers its offset.
  std::uint32_t AppendIfd(std::span<const RawEntry> entries, std::uint32_t next = 0);
  void SetIfd0(std::uint32_t offset) { PatchU32(4, offset); }
  void PatchU16(std::uint32_t at, std::uint16_t value);
  void PatchU32(std::uint32_t at, std::uint32_t value);
  void Truncate(std::uint32_t size) { bytes_.resize(size); }

  // Entries whose value stands in the value field.
  RawEntry Short(std::uint16_t tag, std::uint16_t value) const;
  RawEntry Shorts(std::uint16_t tag, std::uint16_t first, std::uint16_t second) const;
  RawEntry Long(std::uint16_t tag, std::uint32_t value) const;
  RawEntry Bytes4(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::array<std::uint8_t, 4> field) const;
  // Entries whose value stands at an offset (appended now).
  RawEntry Ascii(std::uint16_t tag, std::string_view text);
  RawEntry Rationals(std::uint16_t tag, std::span<const std::pair<std::int32_t, std::int32_t>> values);
  RawEntry ShortList(std::uint16_t tag, std::span<const std::uint16_t> values);
  // An entry pointing at an offset with any count, for broken values.
  RawEntry AtOffset(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t offset) const;

 private:
  std::array<std::uint8_t, 2> Encode16(std::uint16_t value) const;
  std::array<std::uint8_t, 4> Encode32(std::uint32_t value) const;

  ByteOrder order_;
  std::vector<std::uint8_t> bytes_;
};

// An Exif JPEG around the TIFF structure: SOI, APP1 "Exif\0\0" + tiff, a minimal EOI.
std::vector<std::uint8_t> WrapInJpeg(std::span<const std::uint8_t> tiff);

}  // namespace viduvod::test_support

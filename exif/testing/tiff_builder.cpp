#include "exif/testing/tiff_builder.h"

#include <algorithm>

namespace viduvod::test_support {

TiffBuilder::TiffBuilder(ByteOrder order) : order_(order) {
  const std::uint8_t mark = order == ByteOrder::Motorola ? 'M' : 'I';
  bytes_ = {mark, mark};
  const auto magic = Encode16(42);
  bytes_.insert(bytes_.end(), magic.begin(), magic.end());
  bytes_.resize(8);
}

std::array<std::uint8_t, 2> TiffBuilder::Encode16(std::uint16_t value) const {
  const auto hi = static_cast<std::uint8_t>(value >> 8), lo = static_cast<std::uint8_t>(value);
  return order_ == ByteOrder::Motorola ? std::array{hi, lo} : std::array{lo, hi};
}

std::array<std::uint8_t, 4> TiffBuilder::Encode32(std::uint32_t value) const {
  const auto hi = Encode16(static_cast<std::uint16_t>(value >> 16)), lo = Encode16(static_cast<std::uint16_t>(value));
  return order_ == ByteOrder::Motorola ? std::array{hi[0], hi[1], lo[0], lo[1]}
                                       : std::array{lo[0], lo[1], hi[0], hi[1]};
}

std::uint32_t TiffBuilder::Append(std::span<const std::uint8_t> bytes) {
  if (bytes_.size() % 2 != 0) bytes_.push_back(0);
  const auto at = Size();
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return at;
}

std::uint32_t TiffBuilder::AppendText(std::string_view text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return Append(bytes);
}

std::uint32_t TiffBuilder::AppendShorts(std::span<const std::uint16_t> values) {
  std::vector<std::uint8_t> bytes;
  for (const auto value : values) {
    const auto encoded = Encode16(value);
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
  }
  return Append(bytes);
}

std::uint32_t TiffBuilder::AppendRationals(std::span<const std::pair<std::int32_t, std::int32_t>> values) {
  std::vector<std::uint8_t> bytes;
  for (const auto& [numerator, denominator] : values) {
    for (const auto half : {numerator, denominator}) {
      const auto encoded = Encode32(static_cast<std::uint32_t>(half));
      bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
  }
  return Append(bytes);
}

std::uint32_t TiffBuilder::AppendIfd(std::span<const RawEntry> entries, std::uint32_t next) {
  std::vector<std::uint8_t> bytes;
  const auto put = [&bytes](auto encoded) { bytes.insert(bytes.end(), encoded.begin(), encoded.end()); };
  put(Encode16(static_cast<std::uint16_t>(entries.size())));
  for (const auto& entry : entries) {
    put(Encode16(entry.tag));
    put(Encode16(entry.type));
    put(Encode32(entry.count));
    put(entry.field);
  }
  put(Encode32(next));
  return Append(bytes);
}

void TiffBuilder::PatchU16(std::uint32_t at, std::uint16_t value) {
  const auto encoded = Encode16(value);
  std::copy(encoded.begin(), encoded.end(), bytes_.begin() + at);
}

void TiffBuilder::PatchU32(std::uint32_t at, std::uint32_t value) {
  const auto encoded = Encode32(value);
  std::copy(encoded.begin(), encoded.end(), bytes_.begin() + at);
}

RawEntry TiffBuilder::Short(std::uint16_t tag, std::uint16_t value) const { return Shorts(tag, value, 0); }

RawEntry TiffBuilder::Shorts(std::uint16_t tag, std::uint16_t first, std::uint16_t second) const {
  const auto a = Encode16(first), b = Encode16(second);
  return {tag, kShort, static_cast<std::uint32_t>(second == 0 ? 1 : 2), {a[0], a[1], b[0], b[1]}};
}

RawEntry TiffBuilder::Long(std::uint16_t tag, std::uint32_t value) const { return {tag, kLong, 1, Encode32(value)}; }

RawEntry TiffBuilder::Bytes4(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                             std::array<std::uint8_t, 4> field) const {
  return {tag, type, count, field};
}

RawEntry TiffBuilder::Ascii(std::uint16_t tag, std::string_view text) {
  const auto count = static_cast<std::uint32_t>(text.size() + 1);
  if (count <= 4) {
    std::array<std::uint8_t, 4> field{};
    std::copy(text.begin(), text.end(), field.begin());
    return {tag, kAscii, count, field};
  }
  return AtOffset(tag, kAscii, count, AppendText(text));
}

RawEntry TiffBuilder::Rationals(std::uint16_t tag, std::span<const std::pair<std::int32_t, std::int32_t>> values) {
  return AtOffset(tag, kRational, static_cast<std::uint32_t>(values.size()), AppendRationals(values));
}

RawEntry TiffBuilder::ShortList(std::uint16_t tag, std::span<const std::uint16_t> values) {
  const auto count = static_cast<std::uint32_t>(values.size());
  if (count <= 2) return {tag, kShort, count, Shorts(tag, values[0], count > 1 ? values[1] : 0).field};
  return AtOffset(tag, kShort, count, AppendShorts(values));
}

RawEntry TiffBuilder::AtOffset(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t offset) const {
  return {tag, type, count, Encode32(offset)};
}

std::vector<std::uint8_t> WrapInJpeg(std::span<const std::uint8_t> tiff) {
  const std::size_t length = 2 + 6 + tiff.size();
  std::vector<std::uint8_t> jpeg{
      0xFF, 0xD8, 0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 'E', 'x',
      'i',  'f',  0,    0};
  jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  return jpeg;
}

}  // namespace viduvod::test_support

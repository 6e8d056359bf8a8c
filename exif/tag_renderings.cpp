#include "exif/tag_renderings.h"

#include "exif/record_bytes.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <array>
#include <string>

namespace viduvod {
namespace {

using Field = std::span<std::uint8_t>;

std::string BracketedBytes(const std::array<int, 4>& values) {
  return "[" + std::to_string(values[0]) + "." + std::to_string(values[1]) + "." + std::to_string(values[2]) + "." +
         std::to_string(values[3]) + "]";
}

std::string VersionText(const IfdEntry& entry, const TiffData& data, int bias) {
  const auto bytes = FirstFourValueBytes(entry, data);
  return BracketedBytes({bytes[0] - bias, bytes[1] - bias, bytes[2] - bias, bytes[3] - bias});
}

void RenderNumber32(const IfdEntry& entry, const TiffData& data, Field field) {
  win::WriteLe32(field, 0, Number32(entry, data.Order()));
}

void RenderNumber16(const IfdEntry& entry, const TiffData& data, Field field) {
  win::WriteLe16(field, 0, static_cast<std::uint16_t>(Number32(entry, data.Order())));
}

void RenderByte8In16(const IfdEntry& entry, const TiffData& data, Field field) {
  win::WriteLe16(field, 0, static_cast<std::uint16_t>(Number32(entry, data.Order()) & 0xFF));
}

void RenderByte8Pair(const IfdEntry& entry, const TiffData& data, Field field) {
  const auto value = ValueBytes(entry, data);
  win::WriteLe16(field, 0, static_cast<std::uint16_t>(ValueInteger(entry, value, 0, data.Order()) & 0xFF));
  win::WriteLe16(field, 2, static_cast<std::uint16_t>(ValueInteger(entry, value, 1, data.Order()) & 0xFF));
}

void RenderFirstByte(const IfdEntry& entry, const TiffData& data, Field field) {
  field[0] = FirstFourValueBytes(entry, data)[0];
}

// The count includes the terminating zero.
void RenderText(const IfdEntry& entry, const TiffData& data, Field field) {
  const auto value = ValueBytes(entry, data);
  const std::size_t length = std::min<std::size_t>({entry.count > 0 ? entry.count - 1 : 0, value.size(), field.size()});
  StoreText(field, std::string(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(length)));
}

void RenderValueField(const IfdEntry& entry, const TiffData&, Field field) {
  StoreText(field, std::string(entry.raw.begin(), entry.raw.end()));
}

// A rational text always reads its values at the value word's offset; building stops once
// the field is full, so a huge count costs no more than a short one.
void RenderRationalText(const IfdEntry& entry, const TiffData& data, Field field) {
  const auto value = data.Bytes(entry.valueWord, std::uint64_t{entry.count} * 8);
  if (!value) throw BadEntry("rational values outside the data");
  std::string text;
  for (std::size_t i = 0; i < entry.count && text.size() < field.size(); ++i) {
    const auto pair = value->subspan(i * 8, 8);
    const win::Endian endian = EndianOf(data.Order());
    text += std::to_string(static_cast<std::int32_t>(win::Read32(pair, 0, endian))) + "/" +
            std::to_string(static_cast<std::int32_t>(win::Read32(pair, 4, endian)));
  }
  StoreText(field, text);
}

void RenderSampleList(const IfdEntry& entry, const TiffData& data, Field field) {
  constexpr std::size_t kMostSamples = 6;
  const auto value = ValueBytes(entry, data);
  std::string text;
  for (std::size_t i = 0; i < std::min<std::size_t>(entry.count, kMostSamples); ++i) {
    if (i > 0) text += ",";
    text += std::to_string(ValueInteger(entry, value, i, data.Order()) & 0xFF);
  }
  StoreText(field, text);
}

void RenderVersionDigits(const IfdEntry& entry, const TiffData& data, Field field) {
  StoreText(field, VersionText(entry, data, '0'));
}

void RenderVersionBytes(const IfdEntry& entry, const TiffData& data, Field field) {
  StoreText(field, VersionText(entry, data, 0));
}

void RenderOffsetText(const IfdEntry& entry, const TiffData& data, Field field) {
  const std::uint32_t number = Number32(entry, data.Order());
  StoreText(field, BracketedBytes({static_cast<int>(number >> 24), static_cast<int>(number >> 16 & 0xFF),
                                   static_cast<int>(number >> 8 & 0xFF), static_cast<int>(number & 0xFF)}));
}

// Point, circle or rectangle of the main subject, by how many values are given.
void RenderSubjectText(const IfdEntry& entry, const TiffData& data, Field field) {
  const auto value = ValueBytes(entry, data);
  const auto at = [&](std::size_t index) { return std::to_string(ValueInteger(entry, value, index, data.Order())); };
  std::string text = at(0) + "=column number, " + at(1) + "=row number";
  if (ValueInteger(entry, value, 2, data.Order()) != 0) {
    text += ValueInteger(entry, value, 3, data.Order()) == 0 ? ", " + at(2) + "=diameter of circle"
                                                             : ", " + at(2) + "=width, " + at(3) + "=heigth";
  }
  StoreText(field, text);
}

void RenderNothing(const IfdEntry&, const TiffData&, Field) {}

using Renderer = void (*)(const IfdEntry&, const TiffData&, Field);

// Indexed by Rendering.
constexpr std::array<Renderer, 14> kRenderers{
    RenderNumber32,     RenderNumber16,   RenderByte8In16,    RenderByte8Pair,  RenderFirstByte,
    RenderText,         RenderValueField, RenderRationalText, RenderSampleList, RenderVersionDigits,
    RenderVersionBytes, RenderOffsetText, RenderSubjectText,  RenderNothing,
};
static_assert(kRenderers.size() == static_cast<std::size_t>(Rendering::Nothing) + 1);

}  // namespace

void RenderTag(Rendering rendering, const IfdEntry& entry, const TiffData& data, std::span<std::uint8_t> field) {
  kRenderers[static_cast<std::size_t>(rendering)](entry, data, field);
}

}  // namespace viduvod

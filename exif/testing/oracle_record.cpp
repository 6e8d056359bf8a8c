#include "exif/testing/oracle_record.h"

#include "exif/tag_fields.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

namespace viduvod::test_support {
namespace {

unsigned FormatSize(const std::string& format) {
  static const std::map<std::string, unsigned> kSizes{
      {"int8u", 1},  {"int8s", 1},  {"string", 1}, {"undef", 1},       {"int16u", 2},      {"int16s", 2},
      {"int32u", 4}, {"int32s", 4}, {"float", 4},  {"rational64u", 8}, {"rational64s", 8}, {"double", 8}};
  return kSizes.at(format);
}

class Expectation {
 public:
  Expectation(const OracleEntry& entry, ByteOrder order, std::uint64_t base) : e_(entry), order_(order), base_(base) {}

  std::uint32_t U(std::size_t at, unsigned width) const {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < width; ++i) {
      const std::uint32_t byte = at + i < e_.bytes.size() ? e_.bytes[at + i] : 0;
      value |= order_ == ByteOrder::Motorola ? byte << (8 * (width - 1 - i)) : byte << (8 * i);
    }
    return value;
  }
  std::uint32_t Value(std::size_t index) const {
    const unsigned width = std::min(FormatSize(e_.format), 4u);
    return index < e_.count ? U(index * FormatSize(e_.format), width) : 0;
  }
  std::uint32_t Number32() const {
    const unsigned width = FormatSize(e_.format);
    if (width * std::uint64_t{e_.count} > 4) return static_cast<std::uint32_t>(e_.dataAt - base_);
    if (width == 1) {
      std::uint32_t value = 0;
      for (std::size_t i = 0; i < e_.bytes.size() && i < 4; ++i) value |= std::uint32_t{e_.bytes[i]} << (8 * i);
      return value;
    }
    return Value(0);
  }
  std::string Bytes(std::size_t count) const {
    return std::string(e_.bytes.begin(),
                       e_.bytes.begin() + static_cast<std::ptrdiff_t>(std::min(count, e_.bytes.size())));
  }
  std::string Bracketed(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, int bias) const {
    std::ostringstream text;
    text << '[' << int(a) - bias << '.' << int(b) - bias << '.' << int(c) - bias << '.' << int(d) - bias << ']';
    return text.str();
  }
  std::string Byte4(int bias) const {
    std::string four = Bytes(4);
    four.resize(4, '\0');
    return Bracketed(std::uint8_t(four[0]), std::uint8_t(four[1]), std::uint8_t(four[2]), std::uint8_t(four[3]), bias);
  }
  std::string Rationals() const {
    std::string text;
    for (std::size_t i = 0; i < e_.count && (i + 1) * 8 <= e_.bytes.size(); ++i) {
      text += std::to_string(std::int32_t(U(i * 8, 4))) + "/" + std::to_string(std::int32_t(U(i * 8 + 4, 4)));
    }
    return text;
  }
  std::string Samples() const {
    std::string text;
    for (std::size_t i = 0; i < std::min<std::size_t>(e_.count, 6); ++i)
      text += (i ? "," : "") + std::to_string(Value(i) & 0xFF);
    return text;
  }
  std::string Subject() const {
    std::string text = std::to_string(Value(0)) + "=column number, " + std::to_string(Value(1)) + "=row number";
    if (Value(2) != 0 && Value(3) == 0) text += ", " + std::to_string(Value(2)) + "=diameter of circle";
    if (Value(2) != 0 && Value(3) != 0)
      text += ", " + std::to_string(Value(2)) + "=width, " + std::to_string(Value(3)) + "=heigth";
    return text;
  }

  void Render(Rendering rendering, std::span<std::uint8_t> field) const {
    const std::uint32_t n = Number32();
    switch (rendering) {
      case Rendering::Number32: return win::WriteLe32(field, 0, n);
      case Rendering::Number16: return win::WriteLe16(field, 0, static_cast<std::uint16_t>(n));
      case Rendering::Byte8In16: return win::WriteLe16(field, 0, static_cast<std::uint16_t>(n & 0xFF));
      case Rendering::Byte8Pair:
        win::WriteLe16(field, 0, static_cast<std::uint16_t>(Value(0) & 0xFF));
        return win::WriteLe16(field, 2, static_cast<std::uint16_t>(Value(1) & 0xFF));
      case Rendering::FirstByte: field[0] = e_.bytes.empty() ? 0 : e_.bytes[0]; return;
      case Rendering::Text: return StoreText(field, Bytes(e_.count > 0 ? e_.count - 1 : 0));
      case Rendering::ValueField: return StoreText(field, Bytes(4));
      case Rendering::RationalText: return StoreText(field, Rationals());
      case Rendering::SampleList: return StoreText(field, Samples());
      case Rendering::VersionDigits: return StoreText(field, Byte4('0'));
      case Rendering::VersionBytes: return StoreText(field, Byte4(0));
      case Rendering::OffsetText:
        return StoreText(field, Bracketed(n >> 24, n >> 16 & 0xFF, n >> 8 & 0xFF, n & 0xFF, 0));
      case Rendering::SubjectText: return StoreText(field, Subject());
      case Rendering::Nothing: return;
    }
  }

 private:
  const OracleEntry& e_;
  ByteOrder order_;
  std::uint64_t base_;
};

bool InChain(const std::string& directory) { return directory.rfind("IFD", 0) == 0; }

}  // namespace

RecordBytes ExpectedRecord(const OracleFile& oracle, std::uint64_t tiffBase) {
  RecordBytes record{};
  std::vector<const OracleEntry*> walked;
  for (const auto& entry : oracle.entries)
    if (InChain(entry.directory)) walked.push_back(&entry);
  for (const auto& entry : oracle.entries)
    if (entry.directory == "ExifIFD") walked.push_back(&entry);
  for (const OracleEntry* entry : walked) {
    if (const TagField* field = FindTagField(entry->tag)) {
      Expectation(*entry, oracle.order, tiffBase)
          .Render(field->rendering, std::span(record).subspan(field->offset, field->width));
    }
  }
  return record;
}

std::string RecordDifferences(const RecordBytes& expected, const RecordBytes& actual) {
  std::string differences;
  for (const TagField& field : TagFields()) {
    if (!std::equal(expected.begin() + field.offset, expected.begin() + field.offset + field.width,
                    actual.begin() + field.offset)) {
      differences += "tag " + std::to_string(field.tag) + " at " + std::to_string(field.offset) + ": expected '" +
                     std::string(expected.begin() + field.offset, expected.begin() + field.offset + field.width) +
                     "' got '" +
                     std::string(actual.begin() + field.offset, actual.begin() + field.offset + field.width) + "'\n";
    }
  }
  return differences;
}

}  // namespace viduvod::test_support

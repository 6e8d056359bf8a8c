#include "platform/machine/description/camera_exif.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace machine {
namespace {

enum TiffType : std::uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7 };

// Tags of the fields written.
constexpr std::uint16_t kCompression = 0x0103;
constexpr std::uint16_t kMake = 0x010F;
constexpr std::uint16_t kModel = 0x0110;
constexpr std::uint16_t kOrientation = 0x0112;
constexpr std::uint16_t kXResolution = 0x011A;
constexpr std::uint16_t kYResolution = 0x011B;
constexpr std::uint16_t kResolutionUnit = 0x0128;
constexpr std::uint16_t kDateTime = 0x0132;
constexpr std::uint16_t kThumbnailOffset = 0x0201;
constexpr std::uint16_t kThumbnailLength = 0x0202;
constexpr std::uint16_t kYCbCrPositioning = 0x0213;
constexpr std::uint16_t kExposureTime = 0x829A;
constexpr std::uint16_t kFNumber = 0x829D;
constexpr std::uint16_t kExifIfdPointer = 0x8769;
constexpr std::uint16_t kIsoSpeed = 0x8827;
constexpr std::uint16_t kExifVersion = 0x9000;
constexpr std::uint16_t kDateTimeOriginal = 0x9003;
constexpr std::uint16_t kDateTimeDigitized = 0x9004;
constexpr std::uint16_t kComponentsConfiguration = 0x9101;
constexpr std::uint16_t kFlash = 0x9209;
constexpr std::uint16_t kFocalLength = 0x920A;
constexpr std::uint16_t kFlashpixVersion = 0xA000;
constexpr std::uint16_t kColorSpace = 0xA001;
constexpr std::uint16_t kPixelXDimension = 0xA002;
constexpr std::uint16_t kPixelYDimension = 0xA003;

constexpr std::uint16_t kJpegCompression = 6;
constexpr std::uint16_t kInches = 2;
constexpr std::uint16_t kSrgb = 1;
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kInlineValue = 4;  // values up to 4 bytes sit in the entry itself
constexpr std::size_t kLargestSegment = 65533;  // a segment's length field counts itself

struct Field {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::vector<std::uint8_t> value;
};

// Builds fields and IFDs in one byte order.
class TiffWriter {
 public:
  explicit TiffWriter(bool bigEndian) : big_(bigEndian) {}

  void Put16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t value) const {
    big_ ? win::WriteBe16(out, at, value) : win::WriteLe16(out, at, value);
  }
  void Put32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) const {
    big_ ? win::WriteBe32(out, at, value) : win::WriteLe32(out, at, value);
  }

  Field Short(std::uint16_t tag, std::uint16_t value) const {
    Field field{tag, kShort, 1, std::vector<std::uint8_t>(2)};
    Put16(field.value, 0, value);
    return field;
  }
  Field Long(std::uint16_t tag, std::uint32_t value) const {
    Field field{tag, kLong, 1, std::vector<std::uint8_t>(4)};
    Put32(field.value, 0, value);
    return field;
  }
  Field Rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) const {
    Field field{tag, kRational, 1, std::vector<std::uint8_t>(8)};
    Put32(field.value, 0, numerator);
    Put32(field.value, 4, denominator);
    return field;
  }
  static Field Ascii(std::uint16_t tag, const std::string& text) {
    Field field{tag, kAscii, static_cast<std::uint32_t>(text.size() + 1), {text.begin(), text.end()}};
    field.value.push_back(0);
    return field;
  }
  static Field Undefined(std::uint16_t tag, std::vector<std::uint8_t> bytes) {
    const auto count = static_cast<std::uint32_t>(bytes.size());
    return {tag, kUndefined, count, std::move(bytes)};
  }

  // The bytes an IFD of these fields takes, its out-of-line values included.
  static std::size_t SizeOf(const std::vector<Field>& fields) {
    std::size_t size = 2 + fields.size() * kEntrySize + 4;
    for (const Field& field : fields) {
      if (field.value.size() > kInlineValue) size += (field.value.size() + 1) & ~std::size_t{1};
    }
    return size;
  }

  // Writes the IFD at `at` of out (already sized), entries in tag order, values after them.
  void Write(std::span<std::uint8_t> out, std::size_t at, std::vector<Field> fields, std::uint32_t next) const {
    std::sort(fields.begin(), fields.end(), [](const Field& a, const Field& b) { return a.tag < b.tag; });
    Put16(out, at, static_cast<std::uint16_t>(fields.size()));
    std::size_t values = at + 2 + fields.size() * kEntrySize + 4;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const Field& field = fields[i];
      const std::size_t entry = at + 2 + i * kEntrySize;
      Put16(out, entry, field.tag);
      Put16(out, entry + 2, field.type);
      Put32(out, entry + 4, field.count);
      std::size_t target = entry + 8;
      if (field.value.size() > kInlineValue) {
        Put32(out, entry + 8, static_cast<std::uint32_t>(values));
        target = values;
        values += (field.value.size() + 1) & ~std::size_t{1};
      }
      std::copy(field.value.begin(), field.value.end(), out.begin() + static_cast<std::ptrdiff_t>(target));
    }
    Put32(out, at + 2 + fields.size() * kEntrySize, next);
  }

 private:
  bool big_;
};

}  // namespace

std::vector<std::uint8_t> MakeExifSegment(const ExifFacts& facts, std::span<const std::uint8_t> thumbnail) {
  const TiffWriter tiff(facts.bigEndian);
  std::vector<Field> ifd0{
      TiffWriter::Ascii(kMake, facts.make),
      TiffWriter::Ascii(kModel, facts.model),
      tiff.Short(kOrientation, 1),
      tiff.Rational(kXResolution, 72, 1),
      tiff.Rational(kYResolution, 72, 1),
      tiff.Short(kResolutionUnit, kInches),
      TiffWriter::Ascii(kDateTime, facts.dateTime),
      tiff.Short(kYCbCrPositioning, 1),
      tiff.Long(kExifIfdPointer, 0),
  };
  const std::vector<Field> exif{
      tiff.Rational(kExposureTime, 1, 125),
      tiff.Rational(kFNumber, 28, 10),
      tiff.Short(kIsoSpeed, 100),
      TiffWriter::Undefined(kExifVersion, {'0', '2', '2', '0'}),
      TiffWriter::Ascii(kDateTimeOriginal, facts.dateTime),
      TiffWriter::Ascii(kDateTimeDigitized, facts.dateTime),
      TiffWriter::Undefined(kComponentsConfiguration, {1, 2, 3, 0}),
      tiff.Short(kFlash, 0),
      tiff.Rational(kFocalLength, 63, 10),
      TiffWriter::Undefined(kFlashpixVersion, {'0', '1', '0', '0'}),
      tiff.Short(kColorSpace, kSrgb),
      tiff.Short(kPixelXDimension, facts.width),
      tiff.Short(kPixelYDimension, facts.height),
  };
  std::vector<Field> ifd1{
      tiff.Short(kCompression, kJpegCompression),
      tiff.Rational(kXResolution, 72, 1),
      tiff.Rational(kYResolution, 72, 1),
      tiff.Short(kResolutionUnit, kInches),
      tiff.Long(kThumbnailOffset, 0),
      tiff.Long(kThumbnailLength, static_cast<std::uint32_t>(thumbnail.size())),
  };
  // Offsets count from the TIFF header; each IFD's size is known before its pointers are.
  const std::size_t exifAt = kTiffHeaderSize + TiffWriter::SizeOf(ifd0);
  const std::size_t ifd1At = exifAt + TiffWriter::SizeOf(exif);
  const std::size_t thumbnailAt = ifd1At + TiffWriter::SizeOf(ifd1);
  ifd0.back() = tiff.Long(kExifIfdPointer, static_cast<std::uint32_t>(exifAt));
  ifd1[4] = tiff.Long(kThumbnailOffset, static_cast<std::uint32_t>(thumbnailAt));

  constexpr std::array<std::uint8_t, 6> kExifName{'E', 'x', 'i', 'f', 0, 0};
  std::vector<std::uint8_t> body(thumbnailAt + thumbnail.size(), 0);
  body[0] = body[1] = facts.bigEndian ? 'M' : 'I';
  tiff.Put16(body, 2, 42);
  tiff.Put32(body, 4, kTiffHeaderSize);
  tiff.Write(body, kTiffHeaderSize, ifd0, static_cast<std::uint32_t>(ifd1At));
  tiff.Write(body, exifAt, exif, 0);
  tiff.Write(body, ifd1At, ifd1, 0);
  std::copy(thumbnail.begin(), thumbnail.end(), body.begin() + static_cast<std::ptrdiff_t>(thumbnailAt));

  std::vector<std::uint8_t> segment(kExifName.size() + body.size());
  std::copy(kExifName.begin(), kExifName.end(), segment.begin());
  std::copy(body.begin(), body.end(), segment.begin() + kExifName.size());
  if (segment.size() > kLargestSegment) throw std::length_error("the Exif segment exceeds one JPEG segment");
  return segment;
}

}  // namespace machine

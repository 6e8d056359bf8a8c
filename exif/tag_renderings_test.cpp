// The renderings of the record's fields, on files built byte by byte in both byte orders and
// both containers (a TIFF file and an Exif JPEG).
#include "exif/image_header.h"
#include "exif/testing/record_view.h"
#include "exif/testing/tiff_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace viduvod {
namespace {

using test_support::FieldBytes;
using test_support::RawEntry;
using test_support::TiffBuilder;
using test_support::ZeroFilled;
using Rational = std::pair<std::int32_t, std::int32_t>;

class TagRenderings : public ::testing::TestWithParam<std::tuple<ByteOrder, bool>> {
 protected:
  ByteOrder Order() const { return std::get<0>(GetParam()); }

  // Reads a file whose IFD0 holds the entries that make(builder) returns.
  template <typename Make>
  ImageInfo ReadIfd0(Make make) {
    TiffBuilder tiff(Order());
    const std::vector<RawEntry> entries = make(tiff);
    tiff.SetIfd0(tiff.AppendIfd(entries));
    const auto& bytes = tiff.Bytes();
    file_ = std::get<1>(GetParam()) ? test_support::WrapInJpeg(bytes) : bytes;
    ImageInfo info = ReadImageInfo(file_);
    EXPECT_TRUE(info.walked);
    return info;
  }

  std::vector<std::uint8_t> file_;
};

TEST_P(TagRenderings, RationalTextsKeepTenCharactersWithoutTerminator) {
  const auto info = ReadIfd0([](TiffBuilder& t) {
    const std::vector<Rational> white{{3127, 10000}, {3290, 10000}};
    const std::vector<Rational> bias{{-2, 3}};
    return std::vector{t.Rationals(282, std::vector<Rational>{{72, 1}}), t.Rationals(318, white),
                       t.Rationals(37380, bias)};
  });
  const auto record = test_support::AsRecord(info.record);
  EXPECT_EQ(FieldBytes(record.XResolution), ZeroFilled("72/1", 10));
  EXPECT_EQ(FieldBytes(record.WhitePoint), "3127/10000");
  EXPECT_EQ(FieldBytes(record.ExposureBiasValue), ZeroFilled("-2/3", 10));
  EXPECT_EQ(+record.Reserved1[0], 0);  // the WhitePoint text does not run on
  EXPECT_EQ(FieldBytes(record.PrimaryChromaticities), std::string(10, '\0'));
}

TEST_P(TagRenderings, TextsAreCutToTheirFieldAndFollowEachOther) {
  const std::string make(30, 'M');
  const auto info = ReadIfd0([&](TiffBuilder& t) {
    return std::vector{t.Ascii(271, make), t.Ascii(272, "EOS"), t.Ascii(34852, "spectral sensitivity text")};
  });
  const auto record = test_support::AsRecord(info.record);
  EXPECT_EQ(FieldBytes(record.Make), std::string(25, 'M'));
  EXPECT_EQ(FieldBytes(record.Model), ZeroFilled("EOS", 25));
  EXPECT_EQ(FieldBytes(record.SpectralSensitivity), "spectral sensitivity");
}

TEST_P(TagRenderings, SampleListsJoinAtMostSixValues) {
  const auto info = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.ShortList(258, std::vector<std::uint16_t>{8, 8, 8})};
  });
  EXPECT_EQ(FieldBytes(test_support::AsRecord(info.record).BitsPerSample), ZeroFilled("8,8,8", 10));
  const auto single = ReadIfd0([](TiffBuilder& t) { return std::vector{t.Short(258, 12)}; });
  EXPECT_EQ(FieldBytes(test_support::AsRecord(single.record).BitsPerSample), ZeroFilled("12", 10));
  const auto many = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.ShortList(258, std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6, 7, 8})};
  });
  EXPECT_EQ(FieldBytes(test_support::AsRecord(many.record).BitsPerSample), "1,2,3,4,5,");
}

TEST_P(TagRenderings, VersionTexts) {
  const auto info = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.Bytes4(36864, test_support::kUndefined, 4, {'0', '2', '2', '1'}),
                       t.Bytes4(40960, test_support::kUndefined, 4, {'0', '1', '0', '0'}),
                       t.Bytes4(37121, test_support::kUndefined, 4, {1, 2, 3, 0}),
                       t.Bytes4(2, test_support::kUndefined, 4, {'0', '1', '0', '0'}),
                       t.Bytes4(1, test_support::kAscii, 4, {'R', '9', '8', 0}),
                       t.Long(40965, 890)};
  });
  const auto record = test_support::AsRecord(info.record);
  EXPECT_EQ(FieldBytes(record.ExifVersion), ZeroFilled("[0.2.2.1]", 20));
  EXPECT_EQ(FieldBytes(record.FlashpixVersion), ZeroFilled("[0.1.0.0]", 10));
  EXPECT_EQ(FieldBytes(record.ComponentsConfiguration), ZeroFilled("[1.2.3.0]", 10));
  EXPECT_EQ(FieldBytes(record.InteroperabilityVersion), ZeroFilled("[48.49.48.48]", 25));
  EXPECT_EQ(FieldBytes(record.InteroperabilityIndex), ZeroFilled("R98", 25));
  EXPECT_EQ(FieldBytes(record.InteroperabilityIFDPointer), ZeroFilled("[0.0.3.122]", 18));
}

TEST_P(TagRenderings, ComponentsConfigurationKeepsTenCharacters) {
  const auto info = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.Bytes4(37121, test_support::kUndefined, 4, {100, 200, 255, 4})};
  });
  EXPECT_EQ(FieldBytes(test_support::AsRecord(info.record).ComponentsConfiguration), "[100.200.2");
}

TEST_P(TagRenderings, SubjectTexts) {
  const auto point = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.ShortList(37396, std::vector<std::uint16_t>{1024, 768})};
  });
  EXPECT_EQ(FieldBytes(test_support::AsRecord(point.record).SubjectArea),
            ZeroFilled("1024=column number, 768=row number", 50));
  const auto circle = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.ShortList(37396, std::vector<std::uint16_t>{1024, 768, 200})};
  });
  EXPECT_EQ(FieldBytes(test_support::AsRecord(circle.record).SubjectArea),
            std::string("1024=column number, 768=row number, 200=diameter of circle").substr(0, 50));
  const auto rectangle = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.ShortList(41492, std::vector<std::uint16_t>{1024, 768, 400, 300})};
  });
  EXPECT_EQ(FieldBytes(test_support::AsRecord(rectangle.record).SubjectLocation),
            ZeroFilled("1024=column number, 768=row number, 400=width, 300=heigth", 100));
}

TEST_P(TagRenderings, NumbersInBothByteOrders) {
  const auto info = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.Short(274, 6),
                       t.Short(40961, 0xFFFF),
                       t.Long(256, 4000),
                       t.Short(257, 3000),
                       t.Bytes4(41728, test_support::kUndefined, 1, {3, 0, 0, 0}),
                       t.Shorts(530, 0x0102, 0x0201),
                       t.Bytes4(37394, test_support::kAscii, 2, {'C', 0, 0, 0}),
                       t.Short(34850, 0x1234),
                       t.ShortList(301, std::vector<std::uint16_t>{1, 2, 3})};
  });
  const auto record = test_support::AsRecord(info.record);
  EXPECT_EQ(+record.Orientation, 6);
  EXPECT_EQ(+record.ColorSpace, 255);
  EXPECT_EQ(+record.ImageWidth, 4000u);
  EXPECT_EQ(+record.ImageLength, 3000u);
  EXPECT_EQ(+record.FileSource, 3u);
  EXPECT_EQ(+record.YCbCrSubSampling[0], 2);
  EXPECT_EQ(+record.YCbCrSubSampling[1], 1);
  EXPECT_EQ(+record.SecurityClassification, 'C');
  EXPECT_EQ(+record.ExposureProgram, 0x1234);
  EXPECT_NE(+record.TransferFunction, 0);  // the low half of the list's offset
}

TEST_P(TagRenderings, UnhandledAndSilentTagsLeaveTheRecordZero) {
  const auto info = ReadIfd0([](TiffBuilder& t) {
    return std::vector{t.Short(273, 8), t.Short(278, 16), t.Short(41495, 2), t.Long(0xC000, 9)};
  });
  EXPECT_EQ(info.record, RecordBytes{});
  EXPECT_EQ(info.output, "Unhandled tag no:41495Unhandled tag no:49152");
}

TEST_P(TagRenderings, ValuesOutsideTheDataFailTheEntryOnly) {
  const auto info = ReadIfd0([](TiffBuilder& t) {
    return std::vector{
        t.AtOffset(271, test_support::kAscii, 20, 0xFFFFFFF0), t.AtOffset(282, test_support::kRational, 0x20000000, 8),
        t.AtOffset(258, test_support::kShort, 0xFFFFFFFF, 8), t.Bytes4(272, 99, 3, {'A', 'B', 0, 0}), t.Short(274, 3)};
  });
  const auto record = test_support::AsRecord(info.record);
  EXPECT_EQ(FieldBytes(record.Make), std::string(25, '\0'));
  EXPECT_EQ(FieldBytes(record.XResolution), std::string(10, '\0'));
  EXPECT_EQ(FieldBytes(record.Model), std::string(25, '\0'));
  EXPECT_EQ(+record.Orientation, 3);
  std::string expected;
  for (int i = 0; i < 4; ++i) expected += "\nException occurred\n";
  EXPECT_EQ(info.output, expected);
}

INSTANTIATE_TEST_SUITE_P(ByteOrdersAndContainers, TagRenderings,
                         ::testing::Combine(::testing::Values(ByteOrder::Intel, ByteOrder::Motorola),
                                            ::testing::Bool()));

}  // namespace
}  // namespace viduvod

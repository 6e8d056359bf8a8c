// Recognising files and walking their IFD chains, sound and broken.
#include "exif/image_header.h"
#include "exif/testing/record_view.h"
#include "exif/testing/tiff_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace viduvod {
namespace {

using test_support::FieldBytes;
using test_support::RawEntry;
using test_support::TiffBuilder;
using test_support::ZeroFilled;

constexpr const char* kChainFailure = "\nException occurred\n";

class IfdWalk : public ::testing::TestWithParam<ByteOrder> {};

TEST_P(IfdWalk, LaterIfdsOfTheChainOverwriteAndTheExifIfdFollows) {
  TiffBuilder tiff(GetParam());
  const RawEntry make = tiff.Ascii(271, "Maker");
  const auto exif = tiff.AppendIfd(std::vector{tiff.Short(34850, 2), tiff.Short(259, 99)}, 0);
  const auto empty = tiff.AppendIfd({}, 0);
  const auto ifd1 = tiff.AppendIfd(std::vector{tiff.Short(259, 6), tiff.Short(296, 3)}, empty);
  tiff.SetIfd0(tiff.AppendIfd(std::vector{make, tiff.Short(259, 1), tiff.Short(296, 2), tiff.Long(34665, exif)}, ifd1));
  // The empty IFD at the end of the chain links on to one more.
  tiff.PatchU32(empty + 2, tiff.AppendIfd(std::vector{tiff.Short(274, 8)}, 0));
  const auto info = ReadImageInfo(tiff.Bytes());
  ASSERT_TRUE(info.walked);
  const auto record = test_support::AsRecord(info.record);
  EXPECT_EQ(FieldBytes(record.Make), ZeroFilled("Maker", 25));
  EXPECT_EQ(+record.ResolutionUnit, 3);
  EXPECT_EQ(+record.Orientation, 8);
  EXPECT_EQ(+record.ExposureProgram, 2);
  EXPECT_EQ(+record.Compression, 99);  // the Exif IFD is walked last
  EXPECT_EQ(+record.ExifIFDPointer, exif);
  EXPECT_EQ(info.output, "");
}

TEST_P(IfdWalk, CyclicChainsEndAndEachIfdIsWalkedOnce) {
  TiffBuilder tiff(GetParam());
  const auto second = tiff.AppendIfd(std::vector{tiff.Short(41495, 1)}, 0);
  const auto first = tiff.AppendIfd(std::vector{tiff.Short(41496, 1), tiff.Long(34665, 0)}, second);
  tiff.PatchU32(second + 2 + 12, first);  // second links back to first
  tiff.PatchU32(first + 2 + 12 + 8, first);  // and the Exif pointer names IFD0 itself
  tiff.SetIfd0(first);
  const auto info = ReadImageInfo(tiff.Bytes());
  EXPECT_TRUE(info.walked);
  EXPECT_EQ(info.output, "Unhandled tag no:41496Unhandled tag no:41495");
}

TEST_P(IfdWalk, IfdsAndEntriesPastTheEndEndTheChain) {
  TiffBuilder past(GetParam());
  past.SetIfd0(0x7FFFFFF0);
  EXPECT_EQ(ReadImageInfo(past.Bytes()).output, kChainFailure);

  TiffBuilder huge(GetParam());
  const auto ifd0 = huge.AppendIfd(std::vector{huge.Short(274, 5)}, 0);
  huge.PatchU16(ifd0, 0xFFFF);
  huge.SetIfd0(ifd0);
  const auto info = ReadImageInfo(huge.Bytes());
  EXPECT_EQ(+test_support::AsRecord(info.record).Orientation, 5);
  EXPECT_EQ(info.output, kChainFailure);

  TiffBuilder link(GetParam());
  link.SetIfd0(link.AppendIfd(std::vector{link.Short(274, 4)}, 0xFFFFFFFF));
  EXPECT_EQ(test_support::AsRecord(ReadImageInfo(link.Bytes()).record).Orientation, 4);
}

TEST_P(IfdWalk, EveryTruncationOfAFileReadsSafely) {
  TiffBuilder tiff(GetParam());
  const auto thumbnail = tiff.Append(std::vector<std::uint8_t>{0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9});
  const auto exif = tiff.AppendIfd(std::vector{tiff.Rationals(33434, std::vector<std::pair<int, int>>{{1, 250}})}, 0);
  const auto ifd1 = tiff.AppendIfd(std::vector{tiff.Long(513, thumbnail), tiff.Long(514, 7)}, 0);
  tiff.SetIfd0(tiff.AppendIfd(std::vector{tiff.Ascii(271, "Truncated maker"), tiff.Long(34665, exif)}, ifd1));
  const auto whole = tiff.Bytes();
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    const auto info = ReadImageInfo(cut);
    EXPECT_EQ(info.walked, size >= 8) << size;
    const auto jpeg = test_support::WrapInJpeg(whole);
    ReadImageInfo(std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(size)));
  }
  const auto info = ReadImageInfo(whole);
  EXPECT_EQ(info.thumbnail.state, Thumbnail::State::Found);
  EXPECT_EQ(FieldBytes(test_support::AsRecord(info.record).ExposureTime), ZeroFilled("1/250", 10));
}

TEST_P(IfdWalk, ThumbnailsAreTakenOnlyWhereTheyLie) {
  TiffBuilder tiff(GetParam());
  const std::vector<std::uint8_t> jpeg{0xFF, 0xD8, 9, 8, 7, 0xFF, 0xD9};
  const auto at = tiff.Append(jpeg);
  tiff.SetIfd0(tiff.AppendIfd(std::vector{tiff.Long(513, at), tiff.Long(514, 7)}, 0));
  const auto found = ReadImageInfo(tiff.Bytes());
  ASSERT_EQ(found.thumbnail.state, Thumbnail::State::Found);
  EXPECT_EQ(std::vector(found.thumbnail.bytes.begin(), found.thumbnail.bytes.end()), jpeg);
  EXPECT_EQ(+test_support::AsRecord(found.record).JPEGInterchangeFormatLength, 7u);

  const auto unreadable = [&](std::vector<RawEntry> entries, std::uint32_t length) {
    TiffBuilder broken(GetParam());
    broken.Append(jpeg);
    broken.SetIfd0(broken.AppendIfd(entries, 0));
    const auto info = ReadImageInfo(broken.Bytes());
    EXPECT_EQ(info.thumbnail.state, Thumbnail::State::Unreadable);
    EXPECT_EQ(info.output, "Exception occurred.... TG_ID514");
    EXPECT_EQ(+test_support::AsRecord(info.record).JPEGInterchangeFormatLength, length);
  };
  unreadable({tiff.Long(514, 7), tiff.Long(513, at)}, 7);  // length before its offset
  unreadable({tiff.Long(513, at), tiff.Long(514, 0xFFFFFFFF)}, 0xFFFFFFFF);  // a length that wraps
  unreadable({tiff.Long(513, 0xFFFFFFF0), tiff.Long(514, 0x20)}, 0x20);  // past the end
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, IfdWalk, ::testing::Values(ByteOrder::Intel, ByteOrder::Motorola));

TEST(ImageRecognition, HeadersThatAreAndAreNotCameraFiles) {
  const auto read = [](std::vector<std::uint8_t> bytes) { return ReadImageInfo(bytes).walked; };
  TiffBuilder tiff(ByteOrder::Intel);
  tiff.SetIfd0(tiff.AppendIfd(std::vector{tiff.Short(274, 1)}, 0));
  auto jpeg = test_support::WrapInJpeg(tiff.Bytes());
  EXPECT_TRUE(read(jpeg));
  auto app0 = jpeg;
  app0[3] = 0xE0;  // a JFIF file whose first segment is APP0
  EXPECT_FALSE(read(app0));
  auto order = jpeg;
  order[12] = 'X';
  EXPECT_FALSE(read(order));
  auto empty = jpeg;
  empty[4] = empty[5] = 0;  // APP1 length 0: nothing to walk
  EXPECT_FALSE(read(empty));
  auto tiffNoMagic = tiff.Bytes();
  tiffNoMagic[2] = 0;  // the magic number is not tested
  EXPECT_TRUE(read(tiffNoMagic));
  EXPECT_FALSE(read({'X', 'X', 42, 0, 8, 0, 0, 0}));
  EXPECT_FALSE(read({'I', 'I', 42}));
}

TEST(ImageRecognition, App1WithoutExifMarkLoads50008Bytes) {
  TiffBuilder tiff(ByteOrder::Motorola);
  const auto ifd0 = tiff.AppendIfd(std::vector{tiff.Short(296, 2)}, 0);
  tiff.SetIfd0(ifd0);
  tiff.Append(std::vector<std::uint8_t>(50100, 0));
  tiff.PatchU32(ifd0 + 2 + 12, tiff.AppendIfd(std::vector{tiff.Short(274, 7)}, 0));
  auto jpeg = test_support::WrapInJpeg(tiff.Bytes());
  jpeg[6] = 'e';
  const auto info = ReadImageInfo(jpeg);
  ASSERT_TRUE(info.walked);
  EXPECT_EQ(+test_support::AsRecord(info.record).ResolutionUnit, 2);
  EXPECT_EQ(+test_support::AsRecord(info.record).Orientation, 0);  // beyond the 50008 bytes loaded
  EXPECT_EQ(info.output, kChainFailure);
}

}  // namespace
}  // namespace viduvod

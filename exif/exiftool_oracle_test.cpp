// Every field of the record against what exiftool reads from the same tool-made file.
#include "exif/image_header.h"
#include "exif/testing/exiftool_oracle.h"
#include "exif/testing/oracle_record.h"
#include "exif/testing/record_view.h"
#include "exif/testing/sample_images.h"
#include "exif/testing/tiff_builder.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace viduvod {
namespace {

using namespace viduvod::test_support;

struct Sample {
  const char* name;
  std::function<std::filesystem::path(const std::filesystem::path&, ByteOrder)> make;
  std::uint64_t tiffBase;
};

void PrintTo(const Sample& sample, std::ostream* out) { *out << sample.name; }

class ExiftoolOracle : public ::testing::TestWithParam<std::tuple<Sample, ByteOrder>> {
 protected:
  void SetUp() override {
    const auto& [sample, order] = GetParam();
    const auto folder = tarnlok::test_support::TestDataHome() / "images";
    std::filesystem::create_directories(folder);
    file_ = sample.make(folder, order);
    oracle_ = ReadWithExiftool(file_);
    bytes_ = ReadBytes(file_);
    info_ = ReadImageInfo(bytes_);
  }

  std::filesystem::path file_;
  OracleFile oracle_;
  std::vector<std::uint8_t> bytes_;
  ImageInfo info_;
};

TEST_P(ExiftoolOracle, EveryFieldHoldsExiftoolsValueInItsRendering) {
  ASSERT_TRUE(info_.walked);
  EXPECT_EQ(oracle_.order, std::get<1>(GetParam()));
  const RecordBytes expected = ExpectedRecord(oracle_, std::get<0>(GetParam()).tiffBase);
  EXPECT_EQ(RecordDifferences(expected, info_.record), "");
  EXPECT_EQ(expected, info_.record);
  // The fields exiftool was asked to write are not all zero by accident of both sides.
  const auto record = AsRecord(info_.record);
  EXPECT_EQ(FieldBytes(record.Make), "Quarncam Imaging Corporat");
  EXPECT_EQ(FieldBytes(record.ExposureTime), ZeroFilled("1/250", 10));
  EXPECT_EQ(FieldBytes(record.SubjectArea), "1024=column number, 768=row number, 400=width, 300");
  EXPECT_EQ(+record.ColorSpace, 255);
  EXPECT_NE(+record.ExifIFDPointer, 0u);
}

TEST_P(ExiftoolOracle, UnhandledTagsAreReportedByNumber) {
  EXPECT_NE(info_.output.find("Unhandled tag no:41495"), std::string::npos);  // SensingMethod
  EXPECT_NE(info_.output.find("Unhandled tag no:41988"), std::string::npos);  // DigitalZoomRatio
  EXPECT_EQ(info_.output.find("Exception"), std::string::npos);
}

TEST_P(ExiftoolOracle, ThumbnailIsExiftoolsThumbnail) {
  const auto expected = ExiftoolThumbnail(file_);
  if (expected.empty()) {
    EXPECT_EQ(info_.thumbnail.state, Thumbnail::State::Absent);
    return;
  }
  ASSERT_EQ(info_.thumbnail.state, Thumbnail::State::Found);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), info_.thumbnail.bytes.begin(), info_.thumbnail.bytes.end()));
}

const Sample kSamples[] = {
    {"CameraJpeg", MakeCameraJpeg, 12},
    {"ExifTiff", MakeExifTiff, 0},
    {"CameraTiff", MakeCameraTiff, 0},
};

INSTANTIATE_TEST_SUITE_P(ToolMadeFiles, ExiftoolOracle,
                         ::testing::Combine(::testing::ValuesIn(kSamples),
                                            ::testing::Values(ByteOrder::Intel, ByteOrder::Motorola)),
                         [](const auto& test) {
                           return std::string(std::get<0>(test.param).name) +
                                  (std::get<1>(test.param) == ByteOrder::Motorola ? "MM" : "II");
                         });

}  // namespace
}  // namespace viduvod

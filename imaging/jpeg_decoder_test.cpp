#include "imaging/libjpeg_reference.h"
#include "imaging/test_tools.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using test_support::Bytes;

// Decodes with djpeg into a PNM and reads it back as the reference.
test_support::Reference DjpegDecode(const std::filesystem::path& jpeg) {
  const std::filesystem::path png = jpeg.string() + ".png";
  test_support::Run("djpeg -pnm '" + jpeg.string() + "' | pnmtopng > '" + png.string() + "'");
  return test_support::ReferenceDecode(png);
}

TEST(JpegDecoder, ColourAndGreyMatchDjpeg) {
  const auto colour = test_support::MakeImage("colour.ppm", "", "67x45");
  const auto colourJpeg = test_support::Scratch("colour.jpg");
  test_support::Run("cjpeg -quality 85 '" + colour.string() + "' > '" + colourJpeg.string() + "'");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(colourJpeg), ImageFormat::Jpeg);
  EXPECT_EQ(image->BitCount(), 24U);
  test_support::ExpectPixelsMatch(*image, DjpegDecode(colourJpeg), 1);

  const auto greyJpeg = test_support::Scratch("grey.jpg");
  test_support::Run("cjpeg -grayscale -progressive '" + colour.string() + "' > '" + greyJpeg.string() + "'");
  const auto grey = test_support::DecodeBytes(test_support::ReadBytes(greyJpeg), ImageFormat::Jpeg);
  EXPECT_EQ(grey->BitCount(), 8U);
  EXPECT_EQ(grey->GetPaletteEntry(255) & 0xFFFFFF, 0xFFFFFFU);
  test_support::ExpectPixelsMatch(*grey, DjpegDecode(greyJpeg), 1);
}

// Asked for a picture of a thumbnail's side, the decoder scales by the largest of libjpeg's
// eighths that keeps that side on both sides of the picture, as djpeg's -scale does.
TEST(JpegDecoder, WantedSideScalesWhileDecoding) {
  const struct {
    const char* size;
    const char* scale;
    std::int32_t width;
    std::int32_t height;
  } cases[] = {
      {"1283x961", "1/8", 161, 121},
      {"700x330", "1/4", 175, 83},
      {"700x90", "1/1", 700, 90},
      {"67x45", "1/1", 67, 45},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const auto picture = test_support::MakeImage(std::string("scaled") + c.size + ".ppm", "", c.size);
    const auto jpeg = test_support::Scratch(std::string("scaled") + c.size + ".jpg");
    const auto png = test_support::Scratch(std::string("scaled") + c.size + ".png");
    test_support::Run("cjpeg -quality 85 '" + picture.string() + "' > '" + jpeg.string() + "'");
    test_support::Run("djpeg -scale " + std::string(c.scale) + " -pnm '" + jpeg.string() + "' | pnmtopng > '" +
                      png.string() + "'");
    CDibImage image(ImageFormat::Jpeg);
    image.SetWantedSide(80);
    const Bytes bytes = test_support::ReadBytes(jpeg);
    MemoryImageFile stream(bytes);
    ASSERT_TRUE(image.DecodeStream(stream, ImageFormat::Jpeg)) << image.LastError();
    EXPECT_EQ(image.Width(), c.width);
    EXPECT_EQ(image.Height(), c.height);
    test_support::ExpectPixelsMatch(image, test_support::ReferenceDecode(png), 1);
  }
}

TEST(JpegDecoder, CmykIsInkTimesBlack) {
  const auto path = test_support::MakeImage("cmyk.jpg", "-colorspace CMYK -quality 95", "16x8");
  const Bytes file = test_support::ReadBytes(path);
  const auto image = test_support::DecodeBytes(file, ImageFormat::Jpeg);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  ASSERT_EQ(image->BitCount(), 24U);
  // The CMYK samples straight from libjpeg, converted by the formula.
  const auto reference = test_support::LibjpegDecode(file);
  ASSERT_EQ(reference.colourSpace, JCS_CMYK);
  ASSERT_EQ(reference.width, static_cast<std::size_t>(image->Width()));
  ASSERT_EQ(reference.height, static_cast<std::size_t>(image->Height()));
  for (std::size_t row = 0; row < reference.height; ++row) {
    const auto y = static_cast<std::int32_t>(reference.height - 1 - row);
    for (std::size_t x = 0; x < reference.width; ++x) {
      const JSAMPLE* cmyk = reference.Pixel(x, row);
      const RgbQuad expected{static_cast<std::uint8_t>(cmyk[2] * cmyk[3] / 255),
                             static_cast<std::uint8_t>(cmyk[1] * cmyk[3] / 255),
                             static_cast<std::uint8_t>(cmyk[0] * cmyk[3] / 255), 0};
      ASSERT_EQ(image->PixelColorAt(static_cast<std::int32_t>(x), y), expected) << x << "," << y;
    }
  }
}

TEST(JpegDecoder, DensityInDotsPerCentimetre) {
  const auto path = test_support::MakeImage("density.jpg", "-units PixelsPerCentimeter -density 38", "8x8");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Jpeg);
  EXPECT_EQ(image->XDpi(), 96);
  EXPECT_EQ(image->YDpi(), 96);
}

TEST(JpegDecoder, EmptyFailsTruncatedStillDecodes) {
  const auto empty = test_support::DecodeBytes({}, ImageFormat::Jpeg);
  EXPECT_EQ(empty->DibBlock(), nullptr);
  EXPECT_STRNE(empty->LastError(), "");
  const auto path = test_support::MakeImage("truncated.jpg", "-quality 90", "64x64");
  Bytes file = test_support::ReadBytes(path);
  file.resize(file.size() * 2 / 3);
  const auto image = test_support::DecodeBytes(file, ImageFormat::Jpeg);
  EXPECT_NE(image->DibBlock(), nullptr) << image->LastError();
  test_support::ExpectDamageHandled(test_support::ReadBytes(path), ImageFormat::Jpeg);
}

}  // namespace
}  // namespace imaging

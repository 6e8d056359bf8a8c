#include "imaging/test_tools.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using testing::Bytes;

TEST(TiffDecoder, MatchesReferenceForPhotometricsDepthsAndByteOrders) {
  const struct {
    const char* name;
    const char* options;
    std::uint32_t depth;
    int tolerance = 0;
  } cases[] = {
      {"rgb.tif", "-type TrueColor -depth 8 -compress LZW", 24},
      {"rgb_msb.tif", "-type TrueColor -depth 8 -endian MSB -compress Zip", 24},
      {"grey.tif", "-colorspace Gray -depth 8 -compress None", 8},
      {"grey_msb.tif", "-colorspace Gray -depth 8 -endian MSB -compress LZW", 8},
      {"grey4.tif", "-colorspace Gray -depth 4", 4},
      {"palette.tif", "-colors 50 -type Palette", 8},
      {"bilevel.tif", "-type Bilevel -compress Group4", 1},
      {"strips.tif", "-colorspace Gray -depth 8 -define tiff:rows-per-strip=3", 8},
      {"cmyk.tif", "-colorspace CMYK -depth 8", 24, 1},
      // High bytes of 16-bit samples; the reference rounds.
      {"grey16.tif", "-colorspace Gray -depth 16", 8, 1},
      {"grey16_msb.tif", "-colorspace Gray -depth 16 -endian MSB", 8, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = testing::MakeImage(c.name, c.options, "31x21");
    const auto image = testing::DecodeBytes(testing::ReadBytes(path), ImageFormat::Tiff);
    ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
    EXPECT_EQ(image->BitCount(), c.depth);
    testing::ExpectPixelsMatch(*image, testing::ReferenceDecode(path), c.tolerance);
  }
}

TEST(TiffDecoder, AlphaChannelFillsTheAlphaPlane) {
  const auto path = testing::MakeImage("rgba.tif", "-alpha set -channel A -fx 'i/w' +channel -depth 8", "31x21");
  const auto image = testing::DecodeBytes(testing::ReadBytes(path), ImageFormat::Tiff);
  ASSERT_NE(image->AlphaPlane(), nullptr);
  const auto reference = testing::ReferenceDecode(path);
  for (std::int32_t y = 0; y < reference.height; ++y) {
    for (std::int32_t x = 0; x < reference.width; ++x) {
      ASSERT_EQ(image->AlphaAt(x, reference.height - 1 - y), reference.At(x, y)[3]) << x << "," << y;
    }
  }
}

TEST(TiffDecoder, MinIsWhiteBilevelHasWhiteFirst) {
  const auto path = testing::Scratch("miniswhite.tif");
  testing::Run("convert -size 8x2 xc:white -fill black -draw 'point 0,0' -type Bilevel -depth 1 -define "
               "quantum:polarity=min-is-white '" + path.string() + "' && tiffinfo '" + path.string() +
               "' | grep -q 'min-is-white'");
  const auto image = testing::DecodeBytes(testing::ReadBytes(path), ImageFormat::Tiff);
  ASSERT_NE(image->DibBlock(), nullptr);
  EXPECT_EQ(image->GetPaletteEntry(0) & 0xFFFFFF, 0xFFFFFFU);
  EXPECT_EQ(image->GetPaletteEntry(1) & 0xFFFFFF, 0U);
  testing::ExpectPixelsMatch(*image, testing::ReferenceDecode(path));
}

TEST(TiffDecoder, PagesAndOrientation) {
  const auto pages = testing::Scratch("pages.tif");
  testing::Run("convert -size 6x4 xc:red xc:lime xc:blue '" + pages.string() + "'");
  const Bytes file = testing::ReadBytes(pages);
  EXPECT_EQ(testing::DecodeBytes(file, ImageFormat::Tiff)->FrameCount(), 3);
  const auto third = testing::DecodeBytes(file, ImageFormat::Tiff, 2);
  EXPECT_EQ(third->PixelColorAt(0, 0), (RgbQuad{255, 0, 0, 0}));
  const auto missing = testing::DecodeBytes(file, ImageFormat::Tiff, 3);
  EXPECT_STREQ(missing->LastError(), "Error: page not present in TIFF file");

  // An RGB page is not turned.
  const auto rgb = testing::MakeImage("rgb_o6.tif", "-type TrueColor", "7x5");
  testing::Run("tiffset -s 274 6 '" + rgb.string() + "'");
  const auto notTurned = testing::DecodeBytes(testing::ReadBytes(rgb), ImageFormat::Tiff);
  EXPECT_EQ(notTurned->Width(), 7);
}

TEST(TiffDecoder, GreyPagesStandAsTheirOrientationSays) {
  // A non-square page, so that a quarter turn the wrong way round cannot match by chance.
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string name = "grey_o" + std::to_string(orientation);
    const auto page = testing::MakeImage(name + ".tif", "-colorspace Gray -depth 8", "7x5");
    testing::Run("tiffset -s 274 " + std::to_string(orientation) + " '" + page.string() + "'");
    const auto upright = testing::Scratch(name + "_upright.png");
    testing::Run("convert '" + page.string() + "' -auto-orient '" + upright.string() + "'");
    const auto image = testing::DecodeBytes(testing::ReadBytes(page), ImageFormat::Tiff);
    testing::ExpectPixelsMatch(*image, testing::ReferenceDecode(upright));
  }
}

TEST(TiffDecoder, DamagedFilesEndCleanly) {
  EXPECT_STREQ(testing::DecodeBytes({'I', 'I'}, ImageFormat::Tiff)->LastError(),
               "Error encountered while opening TIFF file");
  const auto path = testing::MakeImage("damage.tif", "-colorspace Gray -depth 8 -define tiff:rows-per-strip=4");
  testing::ExpectDamageHandled(testing::ReadBytes(path), ImageFormat::Tiff);
}

}  // namespace
}  // namespace imaging

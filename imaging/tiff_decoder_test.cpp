#include "imaging/test_tools.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using test_support::Bytes;

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
      // 16-bit samples narrowed to 8 bits; the reference rounds its own way.
      {"cmyk16.tif", "-colorspace CMYK -depth 16", 24, 1},
      {"cmyk16_msb_lzw.tif", "-colorspace CMYK -depth 16 -endian MSB -compress LZW", 24, 1},
      {"grey16.tif", "-colorspace Gray -depth 16", 8, 1},
      {"grey16_msb.tif", "-colorspace Gray -depth 16 -endian MSB", 8, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = test_support::MakeImage(c.name, c.options, "31x21");
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Tiff);
    ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
    EXPECT_EQ(image->BitCount(), c.depth);
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path), c.tolerance);
  }
}

TEST(TiffDecoder, AlphaChannelFillsTheAlphaPlane) {
  const auto path = test_support::MakeImage("rgba.tif", "-alpha set -channel A -fx 'i/w' +channel -depth 8", "31x21");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Tiff);
  ASSERT_NE(image->AlphaPlane(), nullptr);
  const auto reference = test_support::ReferenceDecode(path);
  for (std::int32_t y = 0; y < reference.height; ++y) {
    for (std::int32_t x = 0; x < reference.width; ++x) {
      ASSERT_EQ(image->AlphaAt(x, reference.height - 1 - y), reference.At(x, y)[3]) << x << "," << y;
    }
  }
}

// Unassociated alpha keeps each pixel's own colour, whatever its alpha.
TEST(TiffDecoder, UnassociatedAlphaKeepsTheColours) {
  const struct {
    const char* name;
    const char* options;
    int tolerance;
  } cases[] = {
      {"unassociated.tif", "-depth 8", 0},
      {"unassociated_lzw_msb.tif", "-depth 8 -compress LZW -endian MSB", 0},
      {"unassociated16.tif", "-depth 16", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = test_support::MakeImage(
        c.name, std::string("-alpha set -channel A -fx 'i/w' +channel -define tiff:alpha=unassociated ") + c.options,
        "31x21");
    test_support::Run("tiffinfo '" + path.string() + "' | grep -q 'unassoc-alpha'");
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Tiff);
    ASSERT_NE(image->AlphaPlane(), nullptr) << image->LastError();
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path), c.tolerance);
  }
  // Tiles go through libtiff's RGBA reader, which premultiplies: with alpha of at least one half
  // the colours come back within one step.
  const auto tiled = test_support::MakeImage("unassociated_tiled.tif",
                                             "-alpha set -channel A -fx '0.5+i/w/2' +channel -define "
                                             "tiff:alpha=unassociated -define tiff:tile-geometry=16x16 -depth 8",
                                             "31x21");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(tiled), ImageFormat::Tiff);
  test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(tiled), 1);
}

TEST(TiffDecoder, MinIsWhiteBilevelHasWhiteFirst) {
  const auto path = test_support::Scratch("miniswhite.tif");
  test_support::Run(
      "convert -size 8x2 xc:white -fill black -draw 'point 0,0' -type Bilevel -depth 1 -define "
      "quantum:polarity=min-is-white '" +
      path.string() + "' && tiffinfo '" + path.string() + "' | grep -q 'min-is-white'");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Tiff);
  ASSERT_NE(image->DibBlock(), nullptr);
  EXPECT_EQ(image->GetPaletteEntry(0) & 0xFFFFFF, 0xFFFFFFU);
  EXPECT_EQ(image->GetPaletteEntry(1) & 0xFFFFFF, 0U);
  test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path));
}

TEST(TiffDecoder, PagesAndOrientation) {
  const auto pages = test_support::Scratch("pages.tif");
  test_support::Run("convert -size 6x4 xc:red xc:lime xc:blue '" + pages.string() + "'");
  const Bytes file = test_support::ReadBytes(pages);
  EXPECT_EQ(test_support::DecodeBytes(file, ImageFormat::Tiff)->FrameCount(), 3);
  const auto third = test_support::DecodeBytes(file, ImageFormat::Tiff, 2);
  EXPECT_EQ(third->PixelColorAt(0, 0), (RgbQuad{255, 0, 0, 0}));
  const auto missing = test_support::DecodeBytes(file, ImageFormat::Tiff, 3);
  EXPECT_STREQ(missing->LastError(), "Error: page not present in TIFF file");

  // An RGB page is not turned.
  const auto rgb = test_support::MakeImage("rgb_o6.tif", "-type TrueColor", "7x5");
  test_support::Run("tiffset -s 274 6 '" + rgb.string() + "'");
  const auto notTurned = test_support::DecodeBytes(test_support::ReadBytes(rgb), ImageFormat::Tiff);
  EXPECT_EQ(notTurned->Width(), 7);
}

TEST(TiffDecoder, GreyPagesStandAsTheirOrientationSays) {
  // A non-square page, so that a quarter turn the wrong way round cannot match by chance.
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string name = "grey_o" + std::to_string(orientation);
    const auto page = test_support::MakeImage(name + ".tif", "-colorspace Gray -depth 8", "7x5");
    test_support::Run("tiffset -s 274 " + std::to_string(orientation) + " '" + page.string() + "'");
    const auto upright = test_support::Scratch(name + "_upright.png");
    test_support::Run("convert '" + page.string() + "' -auto-orient '" + upright.string() + "'");
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(page), ImageFormat::Tiff);
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(upright));
  }
}

TEST(TiffDecoder, DamagedFilesEndCleanly) {
  EXPECT_STREQ(test_support::DecodeBytes({'I', 'I'}, ImageFormat::Tiff)->LastError(),
               "Error encountered while opening TIFF file");
  const auto path = test_support::MakeImage("damage.tif", "-colorspace Gray -depth 8 -define tiff:rows-per-strip=4");
  test_support::ExpectDamageHandled(test_support::ReadBytes(path), ImageFormat::Tiff);
}

}  // namespace
}  // namespace imaging

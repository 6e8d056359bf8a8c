#include "imaging/test_tools.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

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
  // Tiles too keep the colours, though the alpha is at least one half here: the RGBA reader,
  // which premultiplies, would give them back within one step only.
  const auto tiled = test_support::MakeImage("unassociated_tiled.tif",
                                             "-alpha set -channel A -fx '0.5+i/w/2' +channel -define "
                                             "tiff:alpha=unassociated -define tiff:tile-geometry=16x16 -depth 8",
                                             "31x21");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(tiled), ImageFormat::Tiff);
  test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(tiled), 0);
}

struct TiffClose {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using Tiff = std::unique_ptr<TIFF, TiffClose>;

// The page of an interleaved 16-bit CMYK strip file written again in tiles of 16x16 or one plane
// per ink, or both: layouts ImageMagick reads but does not write.
void RewriteCmyk16(const std::filesystem::path& from, const std::filesystem::path& to, bool tiles, bool planes,
                   std::uint16_t compression) {
  const Tiff in(TIFFOpen(from.c_str(), "r"));
  const Tiff out(TIFFOpen(to.c_str(), "w"));
  ASSERT_TRUE(in && out);
  std::uint32_t width = 0, height = 0;
  TIFFGetField(in.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(in.get(), TIFFTAG_IMAGELENGTH, &height);
  constexpr std::uint32_t kInks = 4, kTile = 16;
  std::vector<std::uint16_t> page(std::size_t{width} * height * kInks);
  for (std::uint32_t y = 0; y < height; ++y) {
    ASSERT_EQ(TIFFReadScanline(in.get(), page.data() + std::size_t{y} * width * kInks, y, 0), 1);
  }
  TIFFSetField(out.get(), TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(out.get(), TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(out.get(), TIFFTAG_SAMPLESPERPIXEL, kInks);
  TIFFSetField(out.get(), TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(out.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
  TIFFSetField(out.get(), TIFFTAG_COMPRESSION, compression);
  TIFFSetField(out.get(), TIFFTAG_PLANARCONFIG, planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  if (tiles) {
    TIFFSetField(out.get(), TIFFTAG_TILEWIDTH, kTile);
    TIFFSetField(out.get(), TIFFTAG_TILELENGTH, kTile);
  } else {
    TIFFSetField(out.get(), TIFFTAG_ROWSPERSTRIP, 5);
  }
  const std::uint32_t inksPerUnit = planes ? 1 : kInks;
  const std::uint16_t planeCount = planes ? kInks : 1;
  // One pixel's samples of the unit: all inks, or the plane's own.
  const auto copy = [&](std::uint16_t* samples, std::uint32_t x, std::uint32_t y, std::uint16_t plane) {
    for (std::uint32_t ink = 0; ink < inksPerUnit; ++ink) {
      samples[ink] = page[(std::size_t{y} * width + x) * kInks + (planes ? plane : ink)];
    }
  };
  for (std::uint16_t plane = 0; plane < planeCount; ++plane) {
    if (tiles) {
      std::vector<std::uint16_t> tile(kTile * kTile * inksPerUnit);
      for (std::uint32_t top = 0; top < height; top += kTile) {
        for (std::uint32_t left = 0; left < width; left += kTile) {
          std::fill(tile.begin(), tile.end(), 0);
          for (std::uint32_t y = top; y < std::min(height, top + kTile); ++y) {
            for (std::uint32_t x = left; x < std::min(width, left + kTile); ++x) {
              copy(tile.data() + ((y - top) * kTile + (x - left)) * inksPerUnit, x, y, plane);
            }
          }
          ASSERT_NE(TIFFWriteTile(out.get(), tile.data(), left, top, 0, plane), -1);
        }
      }
    } else {
      std::vector<std::uint16_t> line(std::size_t{width} * inksPerUnit);
      for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) copy(line.data() + std::size_t{x} * inksPerUnit, x, y, plane);
        ASSERT_EQ(TIFFWriteScanline(out.get(), line.data(), y, plane), 1);
      }
    }
  }
}

TEST(TiffDecoder, SixteenBitCmykInPlanesOrTilesMatchesReference) {
  const auto interleaved = test_support::MakeImage("cmyk16_source.tif", "-colorspace CMYK -depth 16", "31x21");
  const struct {
    const char* name;
    bool tiles;
    bool planes;
    std::uint16_t compression;
  } cases[] = {
      {"cmyk16_planes.tif", false, true, COMPRESSION_NONE},
      {"cmyk16_planes_lzw.tif", false, true, COMPRESSION_LZW},
      {"cmyk16_tiles.tif", true, false, COMPRESSION_NONE},
      {"cmyk16_tiles_in_planes_lzw.tif", true, true, COMPRESSION_LZW},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = test_support::Scratch(c.name);
    ASSERT_NO_FATAL_FAILURE(RewriteCmyk16(interleaved, path, c.tiles, c.planes, c.compression));
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Tiff);
    ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path), 1);
  }
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

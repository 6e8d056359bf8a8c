#include "imaging/test_tools.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using test_support::Bytes;

// netpbm's readers as the reference: ImageMagick 6 reads the row order of its own TGA files the
// other way round from the format's origin bit, and reads no 4-plane PCX.
test_support::Reference NetpbmReference(const std::string& reader, const std::filesystem::path& file) {
  const std::filesystem::path png = file.string() + ".png";
  test_support::Run(reader + " '" + file.string() + "' | pnmtopng > '" + png.string() + "'");
  return test_support::ReferenceDecode(png);
}

TEST(TgaDecoder, MatchesReferenceForTypesAndDepths) {
  const struct {
    const char* name;
    const char* options;
  } cases[] = {
      {"rgb.tga", "-type TrueColor"},
      {"rle.tga", "-type TrueColor -compress RLE"},
      {"mapped.tga", "-colors 70 -type Palette"},
      {"mapped_rle.tga", "-colors 70 -type Palette -compress RLE"},
      {"grey.tga", "-colorspace Gray -type Grayscale"},
      {"rgba.tga", "-alpha set -channel A -fx 'i/w' +channel -depth 8"},
      {"rgba_rle.tga", "-alpha set -channel A -fx 'j/h' +channel -depth 8 -compress RLE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = test_support::MakeImage(c.name, c.options, "45x13");
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Tga);
    test_support::ExpectPixelsMatch(*image, NetpbmReference("tgatoppm", path), 0, false);
  }
}

// A 3 x 2 24-bit TGA built by hand, with an identifier field and either row order.
Bytes HandTga(bool topDown, bool runLength) {
  Bytes file = {4, 0,  static_cast<std::uint8_t>(runLength ? 10 : 2), 0,   0,   0,   0,  0, 0, 0, 0, 0, 3, 0, 2,
                0, 24, static_cast<std::uint8_t>(topDown ? 0x20 : 0), 'n', 'a', 'm', 'e'};
  if (runLength) {
    // One packet of 0x82 covers a whole line of three equal pixels; the second runs over two lines' worth.
    file.insert(file.end(), {0x82, 1, 2, 3, 0x02, 10, 11, 12, 20, 21, 22, 30, 31, 32});
  } else {
    for (std::uint8_t i = 0; i < 6; ++i) file.insert(file.end(), {i, static_cast<std::uint8_t>(i + 100), 0});
  }
  return file;
}

TEST(TgaDecoder, IdentifierRowOrderAndRuns) {
  const auto bottomUp = test_support::DecodeBytes(HandTga(false, false), ImageFormat::Tga);
  ASSERT_NE(bottomUp->DibBlock(), nullptr) << bottomUp->LastError();
  EXPECT_EQ(bottomUp->PixelColorAt(0, 0), (RgbQuad{0, 100, 0, 0}));
  EXPECT_EQ(bottomUp->PixelColorAt(0, 1), (RgbQuad{3, 103, 0, 0}));
  const auto topDown = test_support::DecodeBytes(HandTga(true, false), ImageFormat::Tga);
  EXPECT_EQ(topDown->PixelColorAt(0, 1), (RgbQuad{0, 100, 0, 0}));
  const auto runs = test_support::DecodeBytes(HandTga(false, true), ImageFormat::Tga);
  ASSERT_NE(runs->DibBlock(), nullptr) << runs->LastError();
  for (int x = 0; x < 3; ++x) EXPECT_EQ(runs->PixelColorAt(x, 0), (RgbQuad{1, 2, 3, 0}));
  EXPECT_EQ(runs->PixelColorAt(2, 1), (RgbQuad{30, 31, 32, 0}));
  Bytes unknown = HandTga(false, false);
  unknown[2] = 5;
  EXPECT_STREQ(test_support::DecodeBytes(unknown, ImageFormat::Tga)->LastError(), "Unknown TGA image type");
  EXPECT_STREQ(test_support::DecodeBytes({1, 2}, ImageFormat::Tga)->LastError(), "Not a TGA");
  test_support::ExpectDamageHandled(HandTga(false, true), ImageFormat::Tga);
  test_support::ExpectDamageHandled(test_support::ReadBytes(test_support::MakeImage("damage.tga", "-compress RLE")),
                                    ImageFormat::Tga);
}

TEST(PcxDecoder, MatchesReferenceForPlanesAndPackedPixels) {
  const struct {
    const char* name;
    const char* command;
  } cases[] = {
      {"rgb.pcx", "convert -seed 7 -size 35x17 plasma:fractal -type TrueColor"},
      {"pal8.pcx", "convert -seed 7 -size 35x17 plasma:fractal -colors 100 -type Palette"},
      {"mono.pcx", "convert -seed 7 -size 35x17 plasma:fractal -type Bilevel"},
      {"planes16.pcx", "convert -seed 7 -size 35x17 plasma:fractal -colors 16 ppm:- | ppmtopcx >"},
      {"planes8.pcx", "convert -seed 7 -size 35x17 plasma:fractal -colors 8 ppm:- | ppmtopcx -planes=3 >"},
      {"planes4.pcx", "convert -seed 7 -size 35x17 plasma:fractal -colors 4 ppm:- | ppmtopcx -planes=2 >"},
      {"packed4.pcx", "convert -seed 7 -size 35x17 plasma:fractal -colors 16 ppm:- | ppmtopcx -packed >"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = test_support::Scratch(c.name);
    test_support::Run(std::string(c.command) + " '" + path.string() + "'");
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Pcx);
    test_support::ExpectPixelsMatch(*image, NetpbmReference("pcxtoppm", path));
  }
}

TEST(PcxDecoder, FaultsAreNamed) {
  const auto path = test_support::MakeImage("marker.pcx", "-colors 100 -type Palette");
  Bytes file = test_support::ReadBytes(path);
  file[file.size() - 769] = 11;
  EXPECT_STREQ(test_support::DecodeBytes(file, ImageFormat::Pcx)->LastError(), "bad color map signature");
  Bytes header(128, 0);
  EXPECT_STREQ(test_support::DecodeBytes(header, ImageFormat::Pcx)->LastError(), "Error: Not a PCX file");
  header[0] = 10;
  EXPECT_STREQ(test_support::DecodeBytes(header, ImageFormat::Pcx)->LastError(),
               "PCX file has unknown encoding scheme");
  header[2] = 1;
  header[65] = 5;
  EXPECT_STREQ(test_support::DecodeBytes(header, ImageFormat::Pcx)->LastError(),
               "Can't handle image with more than 4 planes");
  EXPECT_STREQ(test_support::DecodeBytes({10}, ImageFormat::Pcx)->LastError(), "Can't read PCX image");
  test_support::ExpectDamageHandled(test_support::ReadBytes(path), ImageFormat::Pcx);
}

TEST(WbmpDecoder, MatchesReferenceIncludingMultiByteSizes) {
  for (const char* size : {"9x5", "130x3"}) {
    SCOPED_TRACE(size);
    const auto path = test_support::MakeImage(std::string("w") + size + ".wbmp", "-type Bilevel", size);
    const Bytes file = test_support::ReadBytes(path);
    const auto image = test_support::DecodeBytes(file, ImageFormat::Wbmp);
    EXPECT_EQ(image->GetPaletteEntry(1) & 0xFFFFFF, 0xFFFFFFU);
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path));
  }
  // Width 9: two bytes a row.
  const auto nine = test_support::DecodeBytes({0, 0, 9, 1, 0xFF, 0x80}, ImageFormat::Wbmp);
  EXPECT_EQ(nine->PixelIndexAt(8, 0), 1);
  EXPECT_STREQ(test_support::DecodeBytes({1, 0, 9, 1}, ImageFormat::Wbmp)->LastError(), "Unsupported WBMP type");
  EXPECT_STREQ(test_support::DecodeBytes({0, 0, 0, 1}, ImageFormat::Wbmp)->LastError(), "Corrupted WBMP");
  EXPECT_STREQ(test_support::DecodeBytes({0}, ImageFormat::Wbmp)->LastError(), "Not a WBMP");
}

TEST(WbmpDecoder, CutFileKeepsItsRows) {
  const auto path = test_support::MakeImage("cut.wbmp", "-type Bilevel", "130x9");
  // Width 130 takes two bytes in the header (0x81 0x02), height one: rows start at byte 5.
  test_support::ExpectCutRowsKept(test_support::ReadBytes(path), ImageFormat::Wbmp, {5, 5, 17, true});
}

}  // namespace
}  // namespace imaging

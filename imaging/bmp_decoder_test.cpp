#include "imaging/test_tools.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using test_support::Bytes;

TEST(BmpDecoder, MatchesReferenceForDepthsHeadersAndCompressions) {
  const struct {
    const char* name;
    const char* options;
    const char* prefix;
    int tolerance = 0;
  } cases[] = {
      {"rgb24.bmp", "-type TrueColor", "BMP3:"},
      {"pal8.bmp", "-colors 200 -type Palette", "BMP3:"},
      {"pal4.bmp", "-colors 16 -type Palette", "BMP3:"},
      {"pal1.bmp", "-colors 2 -type Bilevel", "BMP3:"},
      {"core.bmp", "-colors 100 -type Palette", "BMP2:"},
      {"v5pal.bmp", "-colors 60 -type Palette", "BMP:"},
      {"rle8.bmp", "-colors 30 -type Palette -compress RLE", "BMP3:"},
      // 5 and 6-bit channels are widened by shifting; the reference scales them to 255.
      {"rgb555.bmp", "-define bmp:subtype=RGB555", "BMP:", 7},
      {"rgb565.bmp", "-define bmp:subtype=RGB565", "BMP:", 7},
      {"argb32.bmp", "-alpha set -define bmp:subtype=ARGB32", "BMP:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = test_support::Scratch(c.name);
    test_support::MakeImage(c.name, c.options, "29x17", c.prefix);
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Bmp);
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path), c.tolerance, false);
  }
}

TEST(BmpDecoder, TopDownAndHeaderlessBitmaps) {
  const auto path = test_support::MakeImage("plain.bmp", "-type TrueColor", "9x5", "BMP3:");
  const Bytes file = test_support::ReadBytes(path);
  const auto reference = test_support::ReferenceDecode(path);
  // Without the 14-byte file header the stream starts with the information header.
  const auto headerless = test_support::DecodeBytes(Bytes(file.begin() + 14, file.end()), ImageFormat::Bmp);
  test_support::ExpectPixelsMatch(*headerless, reference);
  // Top-down: negative height and rows in reverse order.
  Bytes topDown(file.begin(), file.begin() + 54);
  topDown[22] = static_cast<std::uint8_t>(-5);
  topDown[23] = topDown[24] = topDown[25] = 0xFF;
  const std::size_t stride = 28;
  for (int row = 4; row >= 0; --row) {
    topDown.insert(topDown.end(), file.begin() + 54 + row * stride, file.begin() + 54 + (row + 1) * stride);
  }
  const auto flipped = test_support::DecodeBytes(topDown, ImageFormat::Bmp);
  test_support::ExpectPixelsMatch(*flipped, reference);
}

// A 4-bit bitmap of 8 x 2 pixels whose first row is run-length coded by hand.
Bytes Rle4Bitmap(const Bytes& codes) {
  Bytes file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54 + 64, 0, 0, 0, 40, 0, 0,
                0,   8,   0, 0, 0, 2, 0, 0, 0, 1, 0,       4, 0, 2, 0,  0, 0};
  file.resize(54 + 64, 0);
  file.insert(file.end(), codes.begin(), codes.end());
  return file;
}

TEST(BmpDecoder, Rle4AbsoluteRunsArePaddedToWords) {
  // Absolute run of 3 pixels (2 bytes, even: no padding), then one of 5 (3 bytes, odd: padded).
  const auto image = test_support::DecodeBytes(Rle4Bitmap({0, 3, 0x12, 0x30, 0, 5, 0x45, 0x67, 0x80, 0x00, 0, 0, 0, 1}),
                                               ImageFormat::Bmp);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  const std::uint8_t expected[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(image->PixelIndexAt(x, 0), expected[x]) << x;
  // A run that starts on an odd pixel still begins with the high nibble's colour.
  const auto odd = test_support::DecodeBytes(Rle4Bitmap({1, 0x90, 3, 0xAB, 0, 1}), ImageFormat::Bmp);
  EXPECT_EQ(odd->PixelIndexAt(1, 0), 0xA);
  EXPECT_EQ(odd->PixelIndexAt(2, 0), 0xB);
  EXPECT_EQ(odd->PixelIndexAt(3, 0), 0xA);
}

TEST(BmpDecoder, TwoBitBitmapIsCreatedButNotRead) {
  Bytes file = Rle4Bitmap({});
  file[28] = 2;
  file[30] = 0;
  const auto image = test_support::DecodeBytes(file, ImageFormat::Bmp);
  ASSERT_NE(image->DibBlock(), nullptr);
  EXPECT_EQ(image->BitCount(), 4U);
}

TEST(BmpDecoder, FaultsAreNamed) {
  EXPECT_STREQ(test_support::DecodeBytes({}, ImageFormat::Bmp)->LastError(), "Not a BMP");
  Bytes file = Rle4Bitmap({});
  file[30] = 7;
  EXPECT_STREQ(test_support::DecodeBytes(file, ImageFormat::Bmp)->LastError(), "compression type not supported");
  file[28] = 24;
  EXPECT_STREQ(test_support::DecodeBytes(file, ImageFormat::Bmp)->LastError(), "unknown compression");
  // A height of -2^31 cannot be made positive.
  file[22] = file[23] = file[24] = 0;
  file[25] = 0x80;
  EXPECT_STREQ(test_support::DecodeBytes(file, ImageFormat::Bmp)->LastError(), "Error reading BMP info");
  const auto path = test_support::MakeImage("damage.bmp", "-colors 30 -compress RLE", "37x23", "BMP3:");
  // Bytes 18 to 25 hold the width and height.
  test_support::ExpectDamageHandled(test_support::ReadBytes(path), ImageFormat::Bmp, true,
                                    [](std::size_t at) { return at >= 18 && at < 26; });
}

TEST(BmpDecoder, CutBitmapKeepsItsRows) {
  for (const bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    // 37 pixels of 3 bytes make rows of 112 bytes with their padding.
    const auto path = test_support::MakeImage("cut.bmp", "-type TrueColor", "37x23", "BMP3:");
    Bytes file = test_support::ReadBytes(path);
    if (topDown) {
      // The same rows stored from the top: negate the height and reverse the row order.
      const std::size_t rows = 23;
      const std::size_t row = 112;
      Bytes flipped(file.begin(), file.begin() + 54);
      for (std::size_t r = rows; r-- > 0;) {
        flipped.insert(flipped.end(), file.begin() + static_cast<std::ptrdiff_t>(54 + r * row),
                       file.begin() + static_cast<std::ptrdiff_t>(54 + (r + 1) * row));
      }
      const std::uint32_t negative = static_cast<std::uint32_t>(-23);
      for (int i = 0; i < 4; ++i) flipped[22 + i] = static_cast<std::uint8_t>(negative >> (8 * i));
      file = flipped;
    }
    test_support::ExpectCutRowsKept(file, ImageFormat::Bmp, {54, 54, 112, topDown});
  }
}

// A damaged header claiming more uncompressed rows than the file or its declared size could
// hold is refused before the picture is made; compressed rows prove nothing and stay allowed.
TEST(BmpDecoder, RowsBeyondTheFileAreRefused) {
  for (const char* options : {"-type TrueColor", "-colors 16 -compress None", "-colors 30 -compress RLE"}) {
    SCOPED_TRACE(options);
    const auto path = test_support::MakeImage("beyond.bmp", options, "37x23", "BMP3:");
    Bytes file = test_support::ReadBytes(path);
    const bool compressed = file[30] != 0;
    const std::uint32_t declared = file[2] | file[3] << 8 | file[4] << 16 | static_cast<std::uint32_t>(file[5]) << 24;
    ASSERT_EQ(declared, file.size());
    for (const std::uint32_t height : {24U, 8323095U}) {
      SCOPED_TRACE(height);
      for (int i = 0; i < 4; ++i) file[22 + i] = static_cast<std::uint8_t>(height >> (8 * i));
      const auto image = test_support::DecodeBytes(file, ImageFormat::Bmp);
      if (compressed) {
        EXPECT_NE(image->DibBlock(), nullptr) << image->LastError();
      } else {
        EXPECT_EQ(image->DibBlock(), nullptr);
        EXPECT_STREQ(image->LastError(), "BMP rows beyond the file");
      }
    }
    // The size the header declares vouches for rows that a file cut short no longer holds.
    for (int i = 0; i < 4; ++i) file[22 + i] = static_cast<std::uint8_t>(23U >> (8 * i));
    file.resize(file.size() / 2);
    EXPECT_NE(test_support::DecodeBytes(file, ImageFormat::Bmp)->DibBlock(), nullptr);
    for (int i = 2; i < 6; ++i) file[i] = 0;
    EXPECT_EQ(test_support::DecodeBytes(file, ImageFormat::Bmp)->DibBlock() != nullptr, compressed);
  }
}

// A 16 x 16 16-colour icon: directory, information header, palette, pixels, then the mask.
Bytes Icon(bool maskSome) {
  Bytes file = {0, 0, 1, 0, 1, 0, 16, 16, 16, 0, 1, 0, 4, 0, 0, 0, 0, 0, 22, 0, 0, 0};
  const Bytes info = {40, 0, 0, 0, 16, 0, 0, 0, 32, 0, 0, 0, 1, 0, 4, 0};
  file.insert(file.end(), info.begin(), info.end());
  file.resize(22 + 40, 0);
  for (int i = 0; i < 16; ++i) file.insert(file.end(), {static_cast<std::uint8_t>(i * 16), 0, 0, 0});
  for (int i = 0; i < 16 * 8; ++i) file.push_back(static_cast<std::uint8_t>(i % 16 * 0x11));
  for (int row = 0; row < 16; ++row)
    file.insert(file.end(), {static_cast<std::uint8_t>(maskSome && row == 3 ? 0x80 : 0), 0, 0, 0});
  return file;
}

TEST(IconDecoder, MaskBecomesAlpha) {
  const auto masked = test_support::DecodeBytes(Icon(true), ImageFormat::Ico);
  ASSERT_NE(masked->DibBlock(), nullptr);
  EXPECT_EQ(masked->FrameCount(), 1);
  EXPECT_EQ(masked->BitCount(), 4U);
  ASSERT_NE(masked->AlphaPlane(), nullptr);
  EXPECT_EQ(masked->AlphaAt(0, 3), 0);
  EXPECT_EQ(masked->AlphaAt(1, 3), 255);
  // Pixel 2 is the high nibble of the second byte, 0x11.
  EXPECT_EQ(masked->PixelIndexAt(2, 0), 1);
  EXPECT_EQ(masked->GetPaletteEntry(1), 16U);
  const auto plain = test_support::DecodeBytes(Icon(false), ImageFormat::Ico);
  ASSERT_NE(plain->DibBlock(), nullptr);
  EXPECT_EQ(plain->AlphaPlane(), nullptr);
  EXPECT_EQ(test_support::DecodeBytes(Icon(true), ImageFormat::Ico, 1)->DibBlock(), nullptr);
  test_support::ExpectDamageHandled(Icon(true), ImageFormat::Ico, false);
}

TEST(IconDecoder, CutIconKeepsItsRows) {
  // Directory, information header and 16 palette entries come before rows of 8 bytes.
  test_support::ExpectCutRowsKept(Icon(true), ImageFormat::Ico, {22, 22 + 40 + 64, 8, false});
}

TEST(IconDecoder, ThirtyTwoBitIconsMatchReference) {
  const auto path = test_support::Scratch("icon.ico");
  test_support::Run("convert -seed 7 -size 24x24 plasma:fractal -alpha set -channel A -fx 'i/w' +channel '" +
                    path.string() + "'");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Ico);
  ASSERT_NE(image->AlphaPlane(), nullptr);
  test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path), 0, false);
}

}  // namespace
}  // namespace imaging

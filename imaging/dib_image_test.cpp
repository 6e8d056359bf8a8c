#include "imaging/dib_image.h"
#include "imaging/memory_image_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace imaging {
namespace {

TEST(DibImageCreate, RoundsDepthAndPadsRows) {
  CDibImage image;
  ASSERT_NE(image.Create(3, 1, 1, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.RowStride(), 4U);
  EXPECT_EQ(image.ColorsUsed(), 2U);
  ASSERT_NE(image.Create(1, 1, 24, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.RowStride(), 4U);
  EXPECT_EQ(image.Palette(), nullptr);
  for (std::uint32_t depth : {16U, 32U}) {
    ASSERT_NE(image.Create(5, 2, depth, ImageFormat::Bmp), nullptr);
    EXPECT_EQ(image.BitCount(), 24U);
    EXPECT_EQ(image.RowStride(), 16U);
  }
  ASSERT_NE(image.Create(5, 2, 2, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.BitCount(), 4U);
  EXPECT_EQ(image.ColorsUsed(), 16U);
  EXPECT_EQ(image.PixelBits(), image.DibBlock() + 40 + 64);
  EXPECT_EQ(image.DibSize(), 40U + 64U + 8U);
  BitmapInfoHeader stored{};
  std::memcpy(&stored, image.DibBlock(), sizeof stored);
  EXPECT_EQ(stored.biWidth, 5);
  EXPECT_EQ(stored.biClrUsed, 16U);
}

TEST(DibImageCreate, RefusesSizesThatWouldWrapOrExhaustMemory) {
  CDibImage image;
  EXPECT_EQ(image.Create(0, 5, 8, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.Create(5, -1, 8, ImageFormat::Bmp), nullptr);
  // 65536 x 65536 x 3 bytes wraps a 32-bit product to a small number.
  EXPECT_EQ(image.Create(65536, 65536, 24, ImageFormat::Bmp), nullptr);
  EXPECT_EQ(image.DibBlock(), nullptr);
}

TEST(DibImagePalette, GreyStepsAndClosestEntry) {
  CDibImage image;
  ASSERT_NE(image.Create(2, 2, 4, ImageFormat::Bmp), nullptr);
  image.FillGrayPalette();
  for (std::uint32_t i = 0; i < 16; ++i) EXPECT_EQ(image.GetPaletteEntry(i) & 0xFF, i * 17);
  image.SetPaletteEntry(3, 10, 20, 30, 0);
  image.SetPaletteEntry(5, 10, 20, 30, 0);
  EXPECT_EQ(image.GetPaletteEntry(3), 30U | 20U << 8 | 10U << 16);
  EXPECT_EQ(image.ClosestPaletteIndex(RgbQuad{31, 21, 11, 0}), 3);
  EXPECT_EQ(image.GetPaletteEntry(16), 0U);
  const std::array<std::uint8_t, 6> triples = {1, 2, 3, 4, 5, 6};
  image.SetPaletteFromTriples(triples.data(), 2);
  EXPECT_EQ(image.GetPaletteEntry(1), 6U | 5U << 8 | 4U << 16);
  const std::array<std::uint8_t, 2> red = {7, 8};
  image.SetPaletteFromPlanes(2, red.data(), nullptr, nullptr);
  EXPECT_EQ(image.GetPaletteEntry(1), 8U | 8U << 8 | 8U << 16);
}

TEST(DibImagePixels, PackingAndOutsideReads) {
  CDibImage image;
  ASSERT_NE(image.Create(9, 2, 1, ImageFormat::Bmp), nullptr);
  image.SetPixelIndexAt(0, 0, 1);
  image.SetPixelIndexAt(8, 1, 1);
  EXPECT_EQ(image.PixelBits()[0], 0x80);
  EXPECT_EQ(image.PixelBits()[image.RowStride() + 1], 0x80);
  EXPECT_EQ(image.PixelIndexAt(-1, 0), 0);
  image.SetBackgroundIndex(1);
  EXPECT_EQ(image.PixelIndexAt(9, 0), 1);
  ASSERT_NE(image.Create(3, 1, 4, ImageFormat::Bmp), nullptr);
  image.SetPixelIndexAt(0, 0, 0xA);
  image.SetPixelIndexAt(1, 0, 0x5);
  EXPECT_EQ(image.PixelBits()[0], 0xA5);
  ASSERT_NE(image.Create(2, 1, 24, ImageFormat::Bmp), nullptr);
  image.SetPixelColorAt(1, 0, 0x00302010U);  // red 0x10, green 0x20, blue 0x30
  EXPECT_EQ(image.PixelBits()[3], 0x30);
  EXPECT_EQ(image.PixelColorAt(1, 0).red, 0x10);
}

TEST(DibImageLife, MoveLeavesSourceEmptyAndCopyDuplicates) {
  CDibImage source;
  ASSERT_NE(source.Create(4, 3, 8, ImageFormat::Png), nullptr);
  source.CreateAlpha();
  source.SetAlphaAt(1, 2, 77);
  source.SetPixelIndexAt(2, 1, 9);
  CDibImage copy(source, true, true);
  EXPECT_EQ(copy.PixelIndexAt(2, 1), 9);
  EXPECT_EQ(copy.AlphaAt(1, 2), 77);
  CDibImage target;
  target.MoveFrom(source);
  EXPECT_EQ(source.DibBlock(), nullptr);
  EXPECT_EQ(source.AlphaPlane(), nullptr);
  EXPECT_EQ(target.AlphaAt(1, 2), 77);
  EXPECT_EQ(target.ImageType(), ImageFormat::Png);
}

TEST(DibImageResolution, DotsPerInchBecomePixelsPerMetre) {
  CDibImage image;
  EXPECT_EQ(image.Header().biXPelsPerMeter, 2835);
  image.SetHorizontalDpi(96);
  EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
  EXPECT_EQ(image.XDpi(), 96);
}

// A 3 x 2 picture of distinct indices, to follow through the geometry operations.
void FillNumbered(CDibImage& image, std::uint32_t depth) {
  ASSERT_NE(image.Create(3, 2, depth, ImageFormat::Bmp), nullptr);
  image.CreateAlpha();
  for (std::int32_t y = 0; y < 2; ++y) {
    for (std::int32_t x = 0; x < 3; ++x) {
      image.SetPixelIndexAt(x, y, static_cast<std::uint8_t>(y * 3 + x));
      image.SetAlphaAt(x, y, static_cast<std::uint8_t>(10 * (y * 3 + x)));
    }
  }
}

TEST(DibImageGeometry, FlipMirrorAndTurnsMovePixelsAndAlpha) {
  for (std::uint32_t depth : {4U, 8U}) {
    CDibImage image;
    FillNumbered(image, depth);
    ASSERT_TRUE(image.FlipVertical());
    EXPECT_EQ(image.PixelIndexAt(0, 0), 3);
    EXPECT_EQ(image.AlphaAt(0, 0), 30);
    ASSERT_TRUE(image.MirrorHorizontal());
    EXPECT_EQ(image.PixelIndexAt(0, 0), 5);
    EXPECT_EQ(image.AlphaAt(0, 1), 20);

    FillNumbered(image, depth);
    ASSERT_TRUE(image.TurnLeft());
    ASSERT_EQ(image.Width(), 2);
    ASSERT_EQ(image.Height(), 3);
    // Counter-clockwise: new (x, y) = old (y, height - 1 - x).
    EXPECT_EQ(image.PixelIndexAt(0, 0), 3);
    EXPECT_EQ(image.PixelIndexAt(1, 2), 2);
    EXPECT_EQ(image.AlphaAt(0, 0), 30);
    ASSERT_TRUE(image.TurnRight());
    EXPECT_EQ(image.PixelIndexAt(0, 0), 0);
    EXPECT_EQ(image.PixelIndexAt(2, 1), 5);
  }
  CDibImage empty;
  EXPECT_FALSE(empty.FlipVertical());
  EXPECT_FALSE(empty.TurnLeft());
}

TEST(DibImageBitfields, SixteenBitLayoutsScaleEachChannel) {
  CDibImage image;
  ASSERT_NE(image.Create(2, 1, 24, ImageFormat::Bmp), nullptr);
  // 5-6-5: pure blue and pure green at full scale.
  std::array<std::uint8_t, 4> source = {0x1F, 0x00, 0xE0, 0x07};
  image.UnpackBitfields(source.data(), 0xF800, 0x07E0, 0x001F, 16);
  EXPECT_EQ(image.PixelColorAt(0, 0), (RgbQuad{0xF8, 0, 0, 0}));
  EXPECT_EQ(image.PixelColorAt(1, 0), (RgbQuad{0, 0xFC, 0, 0}));
  // A blue field wider than the red one keeps all its bits.
  source = {0x3F, 0x00, 0x00, 0x00};
  image.UnpackBitfields(source.data(), 0x0F00, 0x00C0, 0x003F, 16);
  EXPECT_EQ(image.PixelColorAt(0, 0), (RgbQuad{0xFC, 0, 0, 0}));
}

TEST(DibImageInfoHeader, CoreHeaderIsWidened) {
  // 12-byte core header (width 3, height 2, 1 plane, 8 bits) followed by palette bytes.
  std::array<std::uint8_t, 64> bytes{12, 0, 0, 0, 3, 0, 2, 0, 1, 0, 8, 0};
  MemoryImageFile stream(bytes);
  BitmapInfoHeader header{};
  ASSERT_TRUE(CDibImage::ReadInfoHeader(&stream, &header));
  EXPECT_EQ(header.biWidth, 3);
  EXPECT_EQ(header.biHeight, 2);
  EXPECT_EQ(header.biBitCount, 8);
  EXPECT_EQ(header.biClrUsed, 256U);
  EXPECT_EQ(header.biSizeImage, 8U);
  EXPECT_EQ(stream.Tell(), 12);
  MemoryImageFile shortStream(std::span(bytes.data(), 20));
  EXPECT_FALSE(CDibImage::ReadInfoHeader(&shortStream, &header));
}

}  // namespace
}  // namespace imaging

#include "imaging/test_tools.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using test_support::Bytes;

TEST(GifDecoder, MatchesReferenceAcrossTableSizesAndInterlace) {
  const struct {
    const char* name;
    const char* options;
    std::uint32_t depth;
  } cases[] = {
      {"two.gif", "-colors 2", 1},        {"sixteen.gif", "-colors 16", 4},
      {"full.gif", "-colors 256", 8},     {"interlaced.gif", "-colors 200 -interlace GIF", 8},
      {"version87.gif", "-colors 50", 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = test_support::MakeImage(c.name, c.options, "61x47");
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Gif);
    ASSERT_NE(image->DibBlock(), nullptr);
    EXPECT_EQ(image->BitCount(), c.depth);
    EXPECT_EQ(image->FrameCount(), 1);
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path));
  }
}

TEST(GifDecoder, InterlacedImagesOfEveryShortHeightStayInsideTheirRows) {
  for (int height = 1; height <= 9; ++height) {
    SCOPED_TRACE(height);
    const auto path = test_support::MakeImage("short" + std::to_string(height) + ".gif", "-colors 64 -interlace GIF",
                                              "13x" + std::to_string(height));
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Gif);
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path));
  }
}

TEST(GifDecoder, TransparencyAndFrames) {
  const auto path = test_support::Scratch("anim.gif");
  test_support::Run("convert -size 20x10 xc:red xc:blue xc:lime -colors 16 -transparent lime '" + path.string() + "'");
  const Bytes file = test_support::ReadBytes(path);
  const auto first = test_support::DecodeBytes(file, ImageFormat::Gif);
  ASSERT_NE(first->DibBlock(), nullptr);
  EXPECT_EQ(first->FrameCount(), 3);
  const auto third = test_support::DecodeBytes(file, ImageFormat::Gif, 2);
  ASSERT_NE(third->DibBlock(), nullptr);
  ASSERT_NE(third->BackgroundIndex(), -1);
  EXPECT_EQ(third->PixelIndexAt(0, 0), third->BackgroundIndex());
  const auto second = test_support::DecodeBytes(file, ImageFormat::Gif, 1);
  test_support::ExpectPixelsMatch(*second, test_support::ReferenceDecode(path, "", 1), 0, false);
  const auto missing = test_support::DecodeBytes(file, ImageFormat::Gif, 3);
  EXPECT_EQ(missing->DibBlock(), nullptr);
  EXPECT_EQ(missing->FrameCount(), 3);
}

// A file built by hand: screen 4 x 2, no global table, two 2 x 1 images with local tables.
Bytes ComposedGif() {
  Bytes file = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x00, 0, 0};
  auto addImage = [&file](std::uint8_t left, std::uint8_t top, std::uint8_t red) {
    const Bytes image = {0x2C, left, 0, top, 0, 2, 0, 1, 0, 0x80, red, 0, 0, 0, 0, 255,
                         // code size 2; codes (3 bits): clear 4, 0, 1, end 5 -> 0x44 0x0A? packed below
                         2, 2, 0x44, 0x0A, 0};
    file.insert(file.end(), image.begin(), image.end());
  };
  addImage(0, 0, 200);
  addImage(2, 1, 100);
  file.push_back(0x3B);
  return file;
}

TEST(GifDecoder, SmallFirstImageWithoutGlobalTableIsComposedOntoTheScreen) {
  const auto image = test_support::DecodeBytes(ComposedGif(), ImageFormat::Gif);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  EXPECT_EQ(image->Width(), 4);
  EXPECT_EQ(image->Height(), 2);
  EXPECT_EQ(image->BitCount(), 24U);
  // Top picture row is stored row 1: the first image at columns 0-1.
  EXPECT_EQ(image->PixelColorAt(0, 1), (RgbQuad{0, 0, 200, 0}));
  EXPECT_EQ(image->PixelColorAt(1, 1), (RgbQuad{255, 0, 0, 0}));
  EXPECT_EQ(image->PixelColorAt(2, 0), (RgbQuad{0, 0, 100, 0}));
  EXPECT_EQ(image->PixelColorAt(0, 0), (RgbQuad{0, 0, 0, 0}));
}

TEST(GifDecoder, FirstImageSmallerInOneDirectionOnlyIsNotComposed) {
  for (const bool narrower : {true, false}) {
    SCOPED_TRACE(narrower ? "narrower" : "lower");
    Bytes file = ComposedGif();
    // The images are 2 x 1: a screen of 4 x 1 is only wider, one of 2 x 2 only higher.
    file[6] = narrower ? 4 : 2;
    file[8] = narrower ? 1 : 2;
    const auto image = test_support::DecodeBytes(file, ImageFormat::Gif);
    ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
    EXPECT_EQ(image->BitCount(), 1U);
    EXPECT_EQ(image->Width(), 2);
    EXPECT_EQ(image->Height(), 1);
  }
}

TEST(GifDecoder, ComposedImageCutShortLeavesTheScreenUnderIt) {
  Bytes file = ComposedGif();
  // The second image moves over the first and loses its data: code size 2, then no sub-block.
  file[13 + 21 + 1] = 0;
  file[13 + 21 + 3] = 0;
  const std::size_t data = 13 + 21 + 16;
  file.erase(file.begin() + static_cast<std::ptrdiff_t>(data + 1),
             file.begin() + static_cast<std::ptrdiff_t>(data + 4));
  const auto image = test_support::DecodeBytes(file, ImageFormat::Gif);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  EXPECT_EQ(image->PixelColorAt(0, 1), (RgbQuad{0, 0, 200, 0}));
  EXPECT_EQ(image->PixelColorAt(1, 1), (RgbQuad{255, 0, 0, 0}));
}

TEST(GifDecoder, ImagesBeforeTheFrameAskedForAreNotDecoded) {
  // A screen of 2 x 1 with a black and white table; the first image claims 65535 x 65535
  // pixels, more than any picture may have, the second is the screen's 2 x 1.
  Bytes file = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  const Bytes huge = {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x44, 0x0A, 0};
  const Bytes small = {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x44, 0x0A, 0};
  file.insert(file.end(), huge.begin(), huge.end());
  file.insert(file.end(), small.begin(), small.end());
  file.push_back(0x3B);
  struct Limit {
    std::size_t before = ImageSizeLimit();
    Limit() { SetImageSizeLimit(std::size_t{64} << 20); }
    ~Limit() { SetImageSizeLimit(before); }
  } limit;
  EXPECT_EQ(test_support::DecodeBytes(file, ImageFormat::Gif)->DibBlock(), nullptr);
  const auto second = test_support::DecodeBytes(file, ImageFormat::Gif, 1);
  ASSERT_NE(second->DibBlock(), nullptr) << second->LastError();
  EXPECT_EQ(second->FrameCount(), 2);
  EXPECT_EQ(second->PixelIndexAt(0, 0), 0);
  EXPECT_EQ(second->PixelIndexAt(1, 0), 1);
}

TEST(GifDecoder, CodeSizeOutOfRangeLeavesTheImageUndecoded) {
  Bytes file = ComposedGif();
  file[6] = 2;  // screen as large as the images: no composition
  file[8] = 1;
  file[13 + 10 + 6] = 10;  // first image's code size
  const auto image = test_support::DecodeBytes(file, ImageFormat::Gif);
  ASSERT_NE(image->DibBlock(), nullptr);
  EXPECT_EQ(image->PixelIndexAt(0, 0), 0);
  EXPECT_EQ(image->PixelIndexAt(1, 0), 0);
}

TEST(GifDecoder, DamagedFilesEndCleanly) {
  const auto path = test_support::MakeImage("damage.gif", "-colors 100 -interlace GIF");
  test_support::ExpectDamageHandled(test_support::ReadBytes(path), ImageFormat::Gif, false);
}

}  // namespace
}  // namespace imaging

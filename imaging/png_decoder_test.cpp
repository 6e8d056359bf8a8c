#include "imaging/test_tools.h"

#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <optional>

namespace imaging {
namespace {

using test_support::Bytes;

constexpr std::size_t kHeaderChunkEnd = 8 + 12 + 13;  // the signature, then IHDR

// A chunk of the given type around data, with its CRC; claimedLength stands in for a damaged
// length.
Bytes Chunk(const char* type, const Bytes& data, std::optional<std::uint32_t> claimedLength = std::nullopt) {
  Bytes chunk(8);
  win::WriteBe32(chunk, 0, claimedLength.value_or(static_cast<std::uint32_t>(data.size())));
  std::copy_n(type, 4, chunk.begin() + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  const auto crc = crc32(crc32(0, nullptr, 0), chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  chunk.resize(chunk.size() + 4);
  win::WriteBe32(chunk, chunk.size() - 4, static_cast<std::uint32_t>(crc));
  return chunk;
}

Bytes WithChunkAfterHeader(Bytes file, const Bytes& chunk) {
  file.insert(file.begin() + kHeaderChunkEnd, chunk.begin(), chunk.end());
  return file;
}

TEST(PngDecoder, MatchesReferenceForEachPixelLayout) {
  const struct {
    const char* name;
    const char* options;
    std::uint32_t depth;
  } cases[] = {
      {"rgb.png", "-define png:color-type=2", 24},
      {"rgb16.png", "-depth 16 -define png:color-type=2", 24},
      {"grey.png", "-colorspace Gray -define png:color-type=0", 8},
      {"grey16.png", "-colorspace Gray -depth 16 -define png:color-type=0", 8},
      {"grey4.png", "-colorspace Gray -depth 4 -define png:color-type=0 -define png:bit-depth=4", 4},
      {"palette.png", "-colors 40 -define png:color-type=3", 8},
      {"interlaced.png", "-interlace PNG -define png:color-type=2", 24},
      {"rgba.png", "-alpha set -channel A -fx 'i/w' +channel -depth 8 -define png:color-type=6", 24},
      {"rgba_interlaced.png",
       "-alpha set -channel A -fx 'j/h' +channel -depth 8 -interlace PNG -define png:color-type=6", 24},
      {"greyalpha16.png",
       "-colorspace Gray -alpha set -channel A -fx 'i/w' +channel -depth 16 -define png:color-type=4", 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = test_support::MakeImage(c.name, c.options, "33x19");
    const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Png);
    ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
    EXPECT_EQ(image->BitCount(), c.depth);
    // 16-bit samples are narrowed by dropping the low byte; the reference rounds: one step apart.
    test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path), 1);
  }
}

TEST(PngDecoder, TwoBitGreyWidensToFourBits) {
  const auto path = test_support::MakeImage(
      "grey2.png", "-colorspace Gray -depth 2 -define png:color-type=0 -define png:bit-depth=2");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Png);
  ASSERT_EQ(image->BitCount(), 4U);
  EXPECT_EQ(image->GetPaletteEntry(1) & 0xFF, 85U);
  EXPECT_EQ(image->GetPaletteEntry(3) & 0xFF, 255U);
  test_support::ExpectPixelsMatch(*image, test_support::ReferenceDecode(path));
}

TEST(PngDecoder, PaletteTransparencyAndAlpha) {
  const auto path = test_support::Scratch("trns.png");
  test_support::Run("convert -size 4x4 xc:none -fill red -draw 'point 1,1' PNG8:'" + path.string() + "'");
  const auto image = test_support::DecodeBytes(test_support::ReadBytes(path), ImageFormat::Png);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  EXPECT_EQ(image->AlphaPlane(), nullptr);
  const std::uint8_t transparent = image->PixelIndexAt(0, 0);
  EXPECT_EQ(image->GetPaletteEntry(transparent) >> 24, 0U);
  // One transparency value of 0: its entry is the background, no other entry gets an alpha.
  EXPECT_EQ(image->BackgroundIndex(), 0);
  EXPECT_EQ(transparent, 0);
  EXPECT_EQ(image->GetPaletteEntry(image->PixelIndexAt(1, 2)) & 0xFFFFFF, 0xFF0000U);
}

TEST(PngDecoder, TruncatedFailsWithReadError) {
  const auto path = test_support::MakeImage("cut.png", "-define png:color-type=2");
  Bytes file = test_support::ReadBytes(path);
  file.resize(file.size() / 2);
  const auto image = test_support::DecodeBytes(file, ImageFormat::Png);
  EXPECT_EQ(image->DibBlock(), nullptr);
  EXPECT_STREQ(image->LastError(), "Read Error");
  test_support::ExpectDamageHandled(test_support::ReadBytes(path), ImageFormat::Png);
}

// A large text chunk the file really holds, and a faulty chunk that only describes the colours,
// cost nothing of the picture: it decodes as the file without them does.
TEST(PngDecoder, LargeOrFaultyAncillaryChunksKeepThePicture) {
  const Bytes file = test_support::ReadBytes(test_support::MakeImage("plain.png", "-define png:color-type=2"));
  const auto plain = test_support::DecodeBytes(file, ImageFormat::Png);
  ASSERT_NE(plain->DibBlock(), nullptr) << plain->LastError();
  const Bytes plainDib(plain->DibBlock(), plain->DibBlock() + plain->DibSize());
  Bytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
  text.resize(std::size_t{9} << 20, 'x');
  for (const Bytes& chunk : {Chunk("tEXt", text), Chunk("sRGB", {0, 0})}) {
    const auto image = test_support::DecodeBytes(WithChunkAfterHeader(file, chunk), ImageFormat::Png);
    ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
    EXPECT_EQ(Bytes(image->DibBlock(), image->DibBlock() + image->DibSize()), plainDib);
  }
}

// A damaged length is refused before libpng reserves anything for it.
TEST(PngDecoder, AChunkRunningPastTheFileIsRefused) {
  const Bytes file = test_support::ReadBytes(test_support::MakeImage("long-text.png", "-define png:color-type=2"));
  const auto image =
      test_support::DecodeBytes(WithChunkAfterHeader(file, Chunk("tEXt", {'a', 0}, 0x65000025)), ImageFormat::Png);
  EXPECT_EQ(image->DibBlock(), nullptr);
  EXPECT_STREQ(image->LastError(), "chunk runs past the end of the file");
}

}  // namespace
}  // namespace imaging

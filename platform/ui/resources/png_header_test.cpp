// The PNG header is read only from bytes that hold the signature and a whole IHDR chunk.
#include "platform/ui/resources/png_header.h"

#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

// The signature and the IHDR chunk of a 4 x 2 image of 2 bits per pixel with a palette, CRC
// left zero.
std::vector<BYTE> PalettedHeader() {
  std::vector<BYTE> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png.resize(8 + 8 + 13 + 4);
  win::WriteBe32(png, 8, 13);
  png[12] = 'I';
  png[13] = 'H';
  png[14] = 'D';
  png[15] = 'R';
  win::WriteBe32(png, 16, 4);
  win::WriteBe32(png, 20, 2);
  png[24] = 2;
  png[25] = kPngPaletteType;
  return png;
}

TEST(PngHeader, GivesTheBitDepthAndColourType) {
  const auto header = ReadPngHeader(PalettedHeader());
  ASSERT_TRUE(header);
  EXPECT_EQ(header->bitDepth, 2);
  EXPECT_EQ(header->colourType, kPngPaletteType);
}

TEST(PngHeader, BytesCutShortOfTheHeaderChunkGiveNothing) {
  const std::vector<BYTE> whole = PalettedHeader();
  // The chunk's 13 bytes of data end at 29; its CRC is not the header's business.
  for (std::size_t size = 0; size < 29; ++size) {
    EXPECT_FALSE(ReadPngHeader(std::span(whole.data(), size))) << size;
  }
  EXPECT_TRUE(ReadPngHeader(std::span(whole.data(), 29)));
}

TEST(PngHeader, AnotherSignatureOrFirstChunkGivesNothing) {
  for (std::size_t at = 0; at < 8; ++at) {
    std::vector<BYTE> png = PalettedHeader();
    png[at] ^= 0x20;
    EXPECT_FALSE(ReadPngHeader(png)) << "signature byte " << at;
  }
  std::vector<BYTE> palette = PalettedHeader();
  palette[12] = 'P';
  palette[13] = 'L';
  palette[14] = 'T';
  palette[15] = 'E';
  EXPECT_FALSE(ReadPngHeader(palette));
  std::vector<BYTE> shortChunk = PalettedHeader();
  win::WriteBe32(shortChunk, 8, 12);
  EXPECT_FALSE(ReadPngHeader(shortChunk));
}

}  // namespace
}  // namespace ui

// Camera files among photographs: a camera file whose end is known keeps its embedded preview,
// one whose end never comes gives way to the photographs after it, and the Kodak mark of one
// file does not name the next.
#include "recovery/testing/engine_harness.h"

#include <gtest/gtest.h>

namespace recovery::test_support {
namespace {

// A JFIF photograph: SOI, an APP0 segment, the start of scan, scan data and EOI.
Bytes Jfif(std::size_t scanBytes, std::uint32_t seed) {
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  jpeg = Concat(jpeg, Bytes{0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 0x3F, 0});
  return Concat(Concat(jpeg, Filler(scanBytes, seed)), Bytes{0xFF, 0xD9});
}

// An Exif photograph (APP1 first) and a bare one (a quantisation table first).
Bytes Exif(std::size_t bytes, std::uint32_t seed) {
  const Bytes head = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x20, 'E', 'x', 'i', 'f', 0, 0};
  return Concat(Concat(head, Filler(bytes, seed)), Bytes{0xFF, 0xD9});
}
Bytes BareJpeg(std::size_t bytes, std::uint32_t seed) {
  return Concat(Concat(Bytes{0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43}, Filler(bytes, seed)), Bytes{0xFF, 0xD9});
}

TEST(CameraFiles, ACameraFileWithoutAnEndGivesWayToThePhotographsAfterIt) {
  Harness harness("camera-truncated");
  // A CRW whose root directory never comes, then a JFIF and an Exif photograph.
  const Bytes crw = Concat(Concat(TextBytes("II"), Le32Bytes(26)), Concat(TextBytes("HEAPCCDR"), Filler(3000, 1)));
  const Bytes jfif = Jfif(2000, 2);
  const Bytes exif = Exif(3000, 3);
  // A Sigma file whose directory never comes, then a bare JPEG.
  const Bytes x3f = Concat(TextBytes("FOVb"), Filler(1500, 4));
  const Bytes bare = BareJpeg(1200, 5);
  harness.ScanMemory(Sectors({{10, crw}, {20, jfif}, {300, exif}, {320, x3f}, {330, bare}}, 340), harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(jfif));
  EXPECT_TRUE(harness.HasExactCopy(exif));
  EXPECT_TRUE(harness.HasExactCopy(bare));
  EXPECT_EQ(harness.state.filesOfType[kJpg], 3);
  // The camera files, never finished, are not kept.
  EXPECT_EQ(harness.state.filesOfType[kCrw], 0);
  EXPECT_EQ(harness.state.filesOfType[kX3f], 0);
}

TEST(CameraFiles, APreviewInsideAFujiFileOfKnownLengthIsPartOfIt) {
  Harness harness("camera-preview");
  Bytes raf = HandMadeSamples(1)[19].bytes;
  ASSERT_EQ(std::string(raf.begin(), raf.begin() + 15), "FUJIFILMCCD-RAW");
  ASSERT_GT(raf.size(), 3u * 512u);
  // Its embedded preview starts at the second and third sectors.
  const Bytes preview = Jfif(400, 6);
  std::copy(preview.begin(), preview.end(), raf.begin() + 512);
  const Bytes exif = Exif(300, 7);
  std::copy(exif.begin(), exif.end(), raf.begin() + 1024);
  harness.ScanMemory(Sectors({{0, raf}}, raf.size() / 512 + 4), harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(raf));
  EXPECT_EQ(harness.state.filesOfType[kRaf], 1);
  EXPECT_EQ(harness.state.filesOfType[kJpg], 0);
}

// A big-endian Kodak TIFF: IFD0 at 8, uncompressed, with Make "KODAK" and one strip; "Kodak DC" at byte 470
// marks the DC cameras' files, which are KDC rather than DCR.
Bytes KodakDc(std::uint32_t seed) {
  const auto be16 = [](std::uint32_t v) { return Bytes{std::uint8_t(v >> 8), std::uint8_t(v)}; };
  const auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::uint32_t value) {
    return Concat(Concat(be16(tag), be16(type)), Concat(Be32Bytes(count), Be32Bytes(value)));
  };
  const std::uint32_t makeAt = 8 + 2 + 4 * 12 + 4;
  const std::uint32_t stripAt = makeAt + 6;
  const std::uint32_t stripBytes = 2000;
  Bytes tiff = Concat(Concat(TextBytes("MM"), Bytes{0, 42}), Be32Bytes(8));
  tiff = Concat(tiff, be16(4));
  tiff = Concat(tiff, entry(259, 3, 1, 1u << 16));
  tiff = Concat(tiff, entry(271, 2, 6, makeAt));
  tiff = Concat(tiff, entry(273, 4, 1, stripAt));
  tiff = Concat(tiff, entry(279, 4, 1, stripBytes));
  tiff = Concat(Concat(tiff, Be32Bytes(0)), Concat(TextBytes("KODAK"), Bytes{0}));
  tiff = Concat(tiff, Filler(stripBytes, seed));
  std::copy_n("Kodak DC", 8, tiff.begin() + 470);
  return tiff;
}

TEST(CameraFiles, TheKodakMarkNamesOnlyTheFileWhoseHeaderHoldsIt) {
  Harness harness("kodak");
  const Bytes kdc = KodakDc(8);
  // A little-endian Kodak file without the mark, as the DCR cameras write it.
  Bytes dcr = HandMadeSamples(2)[7].bytes;
  const std::string nikon = "NIKON CORPORATION";
  const auto make = std::search(dcr.begin(), dcr.end(), nikon.begin(), nikon.end());
  ASSERT_NE(make, dcr.end());
  std::copy_n("KODAK", 5, make);
  harness.ScanMemory(Sectors({{0, kdc}, {10, dcr}}, 20), harness.Settings());
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("00001.KDC"));
  EXPECT_EQ(outputs.at("00001.KDC"), kdc);
  ASSERT_TRUE(outputs.count("00001.DCR"));
  EXPECT_EQ(outputs.at("00001.DCR"), dcr);
  EXPECT_EQ(harness.state.filesOfType[kKdc], 1);
  EXPECT_EQ(harness.state.filesOfType[kDcr], 1);
}

}  // namespace
}  // namespace recovery::test_support

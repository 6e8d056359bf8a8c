// Header tests at their edges, and the copy of the files the card still shows.
#include "platform/win/files/paths.h"
#include "recovery/testing/engine_harness.h"
#include "recovery/visible_copy.h"

#include <gtest/gtest.h>

namespace recovery::test_support {
namespace {

Bytes Sector(const Bytes& start, std::uint32_t seed) {
  Bytes s = Concat(start, Filler(512 - start.size(), seed));
  return s;
}

TEST(HeaderEdges, ZeroSizedRiffAndZeroWidthIconsOpenNothing) {
  Harness harness("edges");
  Bytes image = Sector(Concat(TextBytes("RIFF"), Concat(Bytes(4, 0), TextBytes("WAVEfmt "))), 1);
  image = Concat(image, Sector(Bytes{0, 0, 1, 0, 1, 0, 0, 16, 0, 0, 1, 0, 32, 0, 100, 0, 0, 0, 22, 0, 0, 0}, 2));
  image = Concat(image, Bytes(1024, 0));
  harness.ScanMemory(image, harness.Settings());
  EXPECT_TRUE(harness.Outputs().empty());
}

TEST(HeaderEdges, AnOlympusJpegIsAnOrfOnlyWhenOrfIsSelected) {
  const Bytes orfJpeg = Sector(Concat(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x38, 0x45}, TextBytes("Exif")), 3);
  Bytes image = Concat(orfJpeg, Bytes(2048, 0));
  Harness orf("orf-on");
  orf.ScanMemory(image, orf.Settings(TypeBit(kTif) | TypeBit(kOrf)));
  ASSERT_EQ(orf.state.filesOfType[kOrf], 1);
  EXPECT_TRUE(orf.Outputs().count("00001.ORF"));
  Harness tif("orf-off");
  tif.ScanMemory(image, tif.Settings(TypeBit(kTif) | TypeBit(kJpg)));
  EXPECT_TRUE(tif.Outputs().empty());
}

TEST(HeaderEdges, WithTheDefaultSelectionTheLaterTypesOpenNoFileButCompoundDocumentsDo) {
  Harness harness("default-mask");
  const std::vector<SampleFile> samples = HandMadeSamples(8);
  std::vector<SampleFile> chosen;
  for (const SampleFile& file : samples)
    if (file.extension == "WMF" || file.extension == "WMV" || file.extension == "X3F" || file.kind.starts_with("PPT"))
      chosen.push_back(file);
  Bytes image;
  LayOut(chosen, image, 2, false, 1);
  harness.ScanMemory(image, harness.Settings(kDefaultTypeSelection));
  const auto outputs = harness.Outputs();
  ASSERT_EQ(outputs.size(), 1u);
  EXPECT_EQ(outputs.begin()->first, "00001.PPT");
}

TEST(VisibleCopy, TheTreeIsCopiedWithFreeNamesCountsAndThumbnails) {
  Harness harness("visible");
  const std::filesystem::path card = harness.folder / "card";
  std::filesystem::create_directories(card / "DCIM");
  const std::vector<SampleFile> samples = HandMadeSamples(9);
  WriteFile((card / "PHOTO.JPG").string(), samples[0].bytes);
  WriteFile((card / "MP3LIST.TXT").string(), TextBytes("a list"));
  WriteFile((card / "DCIM" / "PICTURE.BMP").string(), samples[2].bytes);
  std::filesystem::create_directories(harness.output);
  WriteFile((harness.output / "PHOTO.JPG").string(), {1});
  WriteFile((harness.output / "PHOTO1.JPG").string(), {2});
  harness.state.BeginRun(harness.Settings(), &harness.observer, nullptr);
  CopyVisibleFiles(harness.state, win::WindowsPathOfHost(card) + "\\*.*", harness.state.settings.outputFolder);
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("PHOTO2.JPG"));
  EXPECT_EQ(outputs.at("PHOTO2.JPG"), samples[0].bytes);
  EXPECT_EQ(outputs.at((std::filesystem::path("DCIM") / "PICTURE.BMP").string()), samples[2].bytes);
  EXPECT_EQ(harness.state.filesOfType[kMp3], 1);
  EXPECT_EQ(harness.state.filesOfType[kBmp], 1);
  EXPECT_EQ(harness.state.recoveredCount, 3);
  // Pictures get a thumbnail entry (a placeholder when they do not decode).
  EXPECT_EQ(harness.observer.thumbnails.size(), 2u);
}

}  // namespace
}  // namespace recovery::test_support

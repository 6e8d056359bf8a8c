// What a run must never do: write onto the card it recovers, trust a card's names, read outside
// what it holds, carry one file's state into the next, keep the wrong file on cancel, or count a
// failure as a recovered file.
#include "platform/win/files/volumes.h"
#include "recovery/safe_names.h"
#include "recovery/testing/engine_harness.h"
#include "recovery/testing/fat16_card.h"
#include "recovery/testing/memory_source.h"

#include <gtest/gtest.h>

namespace recovery::test_support {
namespace {

TEST(OutputFolder, AFolderOnTheCardsDriveIsRefusedInAnySpelling) {
  for (const char* folder : {"E:\\Recovered", "e:\\x", "E:/photos/", "\\\\?\\E:\\out", "\\\\.\\e:\\out", " E:\\a"})
    EXPECT_TRUE(PathIsOnDrive(folder, 'E')) << folder;
  for (const char* folder : {"C:\\Recovered", "/tmp/out", "Z:\\E\\"})
    EXPECT_FALSE(PathIsOnDrive(folder, 'e')) << folder;

  Harness harness("onthecard");
  RecoverySettings settings = harness.Settings();
  settings.outputFolder = "e:\\Recovered";
  CardFacts card;
  card.driveLetter = 'E';
  const RunSummary summary = harness.RunOver(Bytes(64 * 512, 0), settings, card);
  EXPECT_EQ(summary.end, RunEnd::OutputOnCard);
}

TEST(CardNames, NamesFromTheCardBecomePlainFileNamesAndNeverReplaceAFile) {
  EXPECT_EQ(SafeFileName("PHOTO   ", "JPG"), "PHOTO.JPG");
  EXPECT_EQ(SafeFileName("..\\..\\AB", "JPG"), ".._.._AB.JPG");
  EXPECT_EQ(SafeFileName("A/B:C   ", "TXT"), "A_B_C.TXT");
  EXPECT_FALSE(SafeFileName("..      ", "   ").has_value());
  EXPECT_FALSE(SafeFileName("CON     ", "JPG").has_value());
  EXPECT_FALSE(SafeFileName("com1    ", "   ").has_value());
  EXPECT_FALSE(SafeFileName("        ", "JPG").has_value());

  Harness harness("unique");
  std::filesystem::create_directories(harness.output);
  const std::string folder = harness.output.string() + "/";
  WriteFile(folder + "PHOTO.JPG", {1});
  WriteFile(folder + "PHOTO1.JPG", {2});
  EXPECT_EQ(FreeTargetPath(folder, "PHOTO.JPG"), folder + "PHOTO2.JPG");
}

// A FAT16 volume of 4096 sectors, one sector a cluster, with these root entries.
Bytes Fat16Volume(const std::vector<Bytes>& rootEntries) {
  Fat16Card card;
  card.SetRootEntries(rootEntries);
  return card.image;
}

TEST(CardNames, HostileDeletedEntriesStayInsideTheOutputFolder) {
  Harness harness("hostile-names");
  // Deleted entries named with separators and dots, one whose data lies past the card, and two
  // with the same name.
  Bytes volume = Fat16Volume({DirEntry("\xE5.\\..\\ABJPG", 0x20, 2, 100), DirEntry("\xE5/ETC/PWJPG", 0x20, 3, 100),
                              DirEntry("\xE5IGHT   JPG", 0x20, 60000, 0xFFFFFF00),
                              DirEntry("\xE5SAME   JPG", 0x20, 4, 10), DirEntry("\xE5SAME   JPG", 0x20, 5, 10)});
  const RunSummary summary = harness.RunOver(volume, harness.Settings());
  EXPECT_EQ(summary.end, RunEnd::Completed);
  for (const auto& entry : std::filesystem::directory_iterator(harness.folder))
    EXPECT_TRUE(entry.path().filename() == "out" || entry.path().filename() == "card.img") << entry.path();
  const auto outputs = harness.Outputs();
  EXPECT_TRUE(outputs.count("_SAME.JPG"));
  EXPECT_TRUE(outputs.count("_SAME1.JPG"));
  EXPECT_FALSE(outputs.count("_IGHT.JPG"));
  for (const auto& [name, bytes] : outputs) EXPECT_EQ(name.find('/'), std::string::npos) << name;
  EXPECT_NE(harness.observer.log.find("outside the card"), std::string::npos);
}

TEST(HostileBytes, HugeLengthsCyclicDocumentsAndCutFilesNeitherCrashNorStray) {
  Harness harness("hostile");
  Bytes ole(512, 0);
  const Bytes signature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(signature.begin(), signature.end(), ole.begin());
  std::copy_n(Le32Bytes(0xFFFFFFFF).begin(), 4, ole.begin() + 44);  // FAT sectors
  std::copy_n(Le32Bytes(0x7FFFFFFF).begin(), 4, ole.begin() + 68);  // a DIFAT sector far past the card
  Bytes icon = Concat(Bytes{0, 0, 1, 0, 0xFF, 0xFF}, Bytes(16, 1));  // 65535 entries, most past the sector
  Bytes tiff = Concat(Bytes{'I', 'I', 42, 0}, Le32Bytes(0xFFFFFFF0));
  Bytes tiffLoop = Concat(Concat(TextBytes("MM"), Bytes{0, 42}),
                          Bytes{0, 0, 0, 8, 0, 1, 0x87, 0x69, 0, 4, 0, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0, 8});
  Bytes bmp = Concat(TextBytes("BM"), Le32Bytes(0xFFFFFFFF));
  Bytes mrw = Concat(Concat(Bytes{0}, TextBytes("MRM")), Concat(Le32Bytes(0x100), Le32Bytes(0xFFFFFFF0)));
  Bytes x3f = Concat(TextBytes("FOVb"), Bytes(500, 1));
  x3f = Concat(Concat(x3f, TextBytes("SECd")), Concat(Le32Bytes(1), Le32Bytes(0xFFFFFFFF)));
  Bytes jpegCut = {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 'J', 'F', 'I', 'F'};
  Bytes zipCut = TextBytes("PK\x03\x04truncated");
  const Bytes image = Sectors(
      {{0, ole}, {2, icon}, {3, tiff}, {4, tiffLoop}, {6, bmp}, {7, mrw}, {8, x3f}, {10, jpegCut}, {12, zipCut}}, 13);
  harness.ScanMemory(image, harness.Settings());
  for (const auto& entry : std::filesystem::directory_iterator(harness.folder))
    EXPECT_EQ(entry.path().filename(), "out") << entry.path();
  // Nothing whose end was never found is kept.
  EXPECT_EQ(harness.state.recoveredCount, static_cast<int>(harness.Outputs().size()));
  for (const auto& [name, bytes] : harness.Outputs()) EXPECT_LE(bytes.size(), 13u * 512u) << name;
  EXPECT_EQ(harness.state.filesOfType[kX3f], 0);
  EXPECT_FALSE(harness.state.insideZip);
}

TEST(StateBetweenFiles, AnUnfinishedZipDoesNotHideTheHeadersAfterIt) {
  Harness harness("zip-stuck");
  Bytes bmp = Concat(Concat(TextBytes("BM"), Le32Bytes(700)), Bytes(4, 0));
  bmp = Concat(bmp, Filler(700 - bmp.size(), 1));
  const Bytes closer = Concat(Concat(TextBytes("!BDN"), Filler(164, 2)), Le32Bytes(100));
  // A ZIP that never ends, a mail store header that closes it, then a bitmap.
  const Bytes image = Sectors(
      {{0, Concat(TextBytes("PK\x03\x04"), Filler(600, 3))}, {3, Concat(closer, Bytes(512 - 172, 0))}, {5, bmp}}, 8);
  harness.ScanMemory(image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(bmp));
}

TEST(StateBetweenFiles, APreviewJpegInsideACameraFileDoesNotEndIt) {
  Harness harness("preview");
  // A TIFF whose strip (sector 1 on) starts with an embedded JPEG.
  Bytes tiff = Concat(Bytes{'I', 'I', 42, 0}, Le32Bytes(8));
  tiff = Concat(tiff, Bytes{4, 0});
  const auto entry = [](std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
    return Concat(Concat(Bytes{std::uint8_t(tag), std::uint8_t(tag >> 8), std::uint8_t(type), std::uint8_t(type >> 8)},
                         Le32Bytes(count)),
                  Le32Bytes(value));
  };
  tiff = Concat(tiff, entry(256, 3, 1, 10));
  tiff = Concat(tiff, entry(259, 3, 1, 1));
  tiff = Concat(tiff, entry(273, 4, 1, 512));
  tiff = Concat(tiff, entry(279, 4, 1, 1536));
  tiff = Concat(tiff, Le32Bytes(0));
  tiff.resize(512, 0);
  Bytes strip = Concat(Bytes{0xFF, 0xD8, 0xFF, 0xDB, 0, 4, 0, 0}, Filler(1000, 1));
  strip = Concat(strip, Bytes{0xFF, 0xD9});
  strip = Concat(strip, Filler(1536 - strip.size(), 2));
  const Bytes file = Concat(tiff, strip);
  harness.ScanMemory(Sectors({{0, file}}, 8), harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(file));
  EXPECT_EQ(harness.state.filesOfType[kJpg], 0);
}

TEST(Cancel, TheOpenFileIsKeptCutToItsEndOrDeletedAndEarlierFilesAreLeftAlone) {
  const Bytes gif = Concat(Concat(TextBytes("GIF89a"), Filler(300, 1)), Bytes{0x00, 0x3B});
  const Bytes open = Concat(TextBytes("GIF89a"), Filler(600, 2));
  {
    Harness harness("cancel-keep");
    harness.observer.cancelAfterReads = 1;
    // The first read holds a whole GIF and the start of one whose end marker comes later.
    Bytes ended = Concat(Concat(TextBytes("GIF89a"), Filler(100, 3)), Bytes{0x00, 0x3B});
    ended = Concat(ended, Filler(200, 4));
    const Bytes image = Sectors({{0, gif}, {1, Concat(TextBytes("!BDN"), Filler(508, 5))}, {3, ended}}, 12);
    harness.ScanMemory(image, harness.Settings(), 4);
    EXPECT_TRUE(harness.HasExactCopy(Bytes(ended.begin(), ended.begin() + 108)));
  }
  {
    Harness harness("cancel-delete");
    harness.observer.cancelAfterReads = 1;
    const Bytes image = Sectors({{0, gif}, {1, Concat(TextBytes("!BDN"), Filler(508, 5))}, {3, open}}, 12);
    harness.ScanMemory(image, harness.Settings(), 4);
    ASSERT_EQ(harness.Outputs().size(), 1u);
    EXPECT_TRUE(harness.HasExactCopy(gif));
  }
}

TEST(Counting, ADiskFullStopsTheRunAndTheFileItCutIsNotCounted) {
  Harness harness("diskfull");
  std::filesystem::create_directories(harness.output);
  Bytes small = Concat(Concat(TextBytes("BM"), Le32Bytes(900)), Bytes(4, 0));
  small = Concat(small, Filler(900 - small.size(), 1));
  Bytes large = Concat(Concat(TextBytes("BM"), Le32Bytes(3 << 20)), Bytes(4, 0));
  large = Concat(large, Filler((3 << 20) - large.size(), 2));
  Bytes image = Sectors({{0, small}}, 4);
  image = Concat(image, large);
  win::SetInjectedHostFreeSpace(std::uint64_t{1} << 20);
  const RunEnd end = harness.ScanMemory(image, harness.Settings());
  win::SetInjectedHostFreeSpace(std::nullopt);
  EXPECT_EQ(end, RunEnd::DiskFull);
  EXPECT_EQ(harness.observer.diskFull, 1);
  EXPECT_EQ(harness.state.recoveredCount, 1);
  EXPECT_EQ(harness.state.filesOfType[kBmp], 1);
  EXPECT_TRUE(harness.HasExactCopy(small));
}

TEST(Counting, AnOutputFileIsNeverCreatedOverAnExistingOne) {
  Harness harness("exists");
  std::filesystem::create_directories(harness.output);
  const std::string path = harness.output.string() + "/a.bin";
  CarveOutput out;
  ASSERT_TRUE(out.Create(path));
  CarveOutput second;
  EXPECT_FALSE(second.Create(path));
}

TEST(Reads, AFailedSectorIsScannedAsEmptyAndTheGoodSectorsOfItsReadAreKept) {
  class Answering : public RecordingObserver {
   public:
    ReadFailureAnswer OnReadFailure(std::uint32_t sector) override {
      failed.push_back(sector);
      return answer;
    }
    std::vector<std::uint32_t> failed;
    ReadFailureAnswer answer = ReadFailureAnswer::Ignore;
  };
  Bytes bmp = Concat(Concat(TextBytes("BM"), Le32Bytes(600)), Bytes(4, 0));
  bmp = Concat(bmp, Filler(600 - bmp.size(), 1));
  // A BMP in the first read and one in the second read (sectors 4..7), whose sector 4 fails:
  // left as it was, it would still hold the first BMP's header.
  Bytes image = Sectors({{0, bmp}, {6, bmp}}, 8);
  MemorySectorSource source(image);
  source.failing.insert(4);
  Harness harness("stale");
  Answering observer;
  std::filesystem::create_directories(harness.output);
  harness.state.BeginRun(harness.Settings(), &observer, &source);
  RecoveryEngine engine(harness.state, source, observer);
  EXPECT_EQ(engine.RawScan(ScanRange{0, 8}, 4), RunEnd::Completed);
  EXPECT_EQ(observer.failed, std::vector<std::uint32_t>{4});
  // Both BMPs, and no third one replayed from the first read's sectors.
  EXPECT_EQ(harness.state.filesOfType[kBmp], 2);
  EXPECT_TRUE(harness.HasExactCopy(bmp));

  observer.answer = ReadFailureAnswer::Abort;
  harness.state.BeginRun(harness.Settings(), &observer, &source);
  EXPECT_EQ(engine.RawScan(ScanRange{0, 8}, 4), RunEnd::Aborted);
}

}  // namespace
}  // namespace recovery::test_support

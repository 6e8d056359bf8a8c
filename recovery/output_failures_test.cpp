// What the engine does when the output disk fills up or a deleted file cannot be read: the
// person is told, and nothing incomplete is counted or shown as recovered.
#include "platform/win/files/volumes.h"
#include "platform/win/system/last_error.h"
#include "recovery/testing/engine_harness.h"
#include "platform/win/files/paths.h"
#include "recovery/visible_copy.h"
#include "recovery/testing/memory_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace recovery::test_support {
namespace {

bool Shell(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

// A card that notes, for each read, which file the deleted-entry copy was on at the time.
class CopyWatchingSource : public MemorySectorSource {
 public:
  CopyWatchingSource(Bytes image, const RecordingObserver& observer)
      : MemorySectorSource(std::move(image)), observer_(observer) {}
  bool Read(std::uint64_t first, std::span<std::uint8_t> buffer) override {
    if (!observer_.copying.empty()) sectorsReadDuring[observer_.copying.back()] += buffer.size() / BytesPerSector();
    return MemorySectorSource::Read(first, buffer);
  }
  std::map<std::string, std::uint64_t> sectorsReadDuring;

 private:
  const RecordingObserver& observer_;
};

class OutputFailures : public ::testing::Test {
 protected:
  void TearDown() override {
    win::SetInjectedHostFreeSpace(std::nullopt);
    win::SetInjectedHostWriteError(std::nullopt);
  }

  // A FAT16 card from mkfs.fat and mtools with these files copied to its root and deleted.
  static Bytes DeletedFilesCard(const Harness& harness, const std::vector<std::pair<std::string, Bytes>>& files,
                                int kibibytes = 8192) {
    const std::string dir = harness.folder.string() + "/";
    const std::string image = dir + "card.img";
    const std::string m = "MTOOLS_SKIP_CHECK=1 ";
    EXPECT_TRUE(Shell("mkfs.fat -C -F 16 -s 2 " + image + " " + std::to_string(kibibytes)));
    for (const auto& [name, bytes] : files) {
      WriteFile(dir + name, bytes);
      EXPECT_TRUE(Shell(m + "mcopy -i " + image + " " + dir + name + " ::" + name));
    }
    for (const auto& [name, bytes] : files) EXPECT_TRUE(Shell(m + "mdel -i " + image + " ::" + name));
    return ReadWholeFile(image);
  }

  static std::uint64_t SectorOf(const Bytes& image, const Bytes& file) {
    const auto found = std::search(image.begin(), image.end(), file.begin(), file.end());
    EXPECT_NE(found, image.end());
    return static_cast<std::uint64_t>(found - image.begin()) / 512;
  }

  static RunSummary RunOverMemory(Harness& harness, MemorySectorSource& source) {
    RecoveryEngine engine(harness.state, source, harness.observer);
    return engine.Run(harness.Settings(), {});
  }
};

TEST_F(OutputFailures, ACarvedPictureCutShortByAFullDiskIsNeitherCountedNorShown) {
  Harness harness("carve-full");
  const SampleFile bmp = HandMadeSamples(3)[2];
  ASSERT_EQ(bmp.extension, "BMP");
  Bytes image;
  LayOut({bmp}, image, 8, false, 1);
  std::filesystem::create_directories(harness.output);
  win::SetInjectedHostFreeSpace(1000);
  EXPECT_EQ(harness.ScanMemory(image, harness.Settings()), RunEnd::DiskFull);
  EXPECT_EQ(harness.observer.diskFull, 1);
  EXPECT_EQ(harness.state.recoveredCount, 0);
  EXPECT_TRUE(harness.observer.recovered.empty());
  EXPECT_TRUE(harness.observer.thumbnails.empty());
  // The file stays on the disk as far as it was written.
  const auto outputs = harness.Outputs();
  ASSERT_EQ(outputs.size(), 1u);
  EXPECT_LT(outputs.begin()->second.size(), bmp.bytes.size());
}

TEST_F(OutputFailures, TheDeletedEntryCopyOnAFullDiskSaysSoAndCountsNothingCutShort) {
  if (!Shell("command -v mkfs.fat && command -v mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  Harness harness("copy-full");
  const SampleFile bmp = HandMadeSamples(4, 60000)[2];
  MemorySectorSource source(DeletedFilesCard(harness, {{"PICTURE.BMP", bmp.bytes}}));
  std::filesystem::create_directories(harness.output);
  win::SetInjectedHostFreeSpace(20000);
  const RunSummary summary = RunOverMemory(harness, source);
  EXPECT_EQ(summary.end, RunEnd::DiskFull);
  EXPECT_EQ(harness.observer.diskFull, 1);
  EXPECT_TRUE(harness.observer.recovered.empty());
  EXPECT_TRUE(harness.observer.thumbnails.empty());
  EXPECT_NE(harness.observer.log.find("_ICTURE.BMP\r\nError Message :"), std::string::npos) << harness.observer.log;
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("_ICTURE.BMP"));
  EXPECT_LT(outputs.at("_ICTURE.BMP").size(), bmp.bytes.size());
}

TEST_F(OutputFailures, TheCopyOfTheVisibleFilesOnAFullDiskSaysSoAndStops) {
  Harness harness("visible-full");
  const std::filesystem::path card = harness.folder / "card";
  std::filesystem::create_directories(card);
  std::filesystem::create_directories(harness.output);
  const std::vector<SampleFile> samples = HandMadeSamples(9, 6000);
  WriteFile((card / "A.BMP").string(), samples[2].bytes);
  WriteFile((card / "B.BMP").string(), samples[2].bytes);
  harness.state.BeginRun(harness.Settings(), &harness.observer, nullptr);
  win::SetInjectedHostFreeSpace(4000);
  CopyVisibleFiles(harness.state, win::WindowsPathOfHost(card) + "\\*.*", harness.Settings().outputFolder);
  EXPECT_EQ(harness.observer.diskFull, 1);
  EXPECT_TRUE(harness.observer.recovered.empty());
  EXPECT_EQ(harness.state.recoveredCount, 0);
  EXPECT_TRUE(harness.state.recoveryStop);
  const std::string& log = harness.observer.log;
  EXPECT_EQ(log.find("Failed to copy"), log.rfind("Failed to copy"))
      << "the copy stops at the first full write: " << log;
}

TEST_F(OutputFailures, AWriteFailureOtherThanAFullDiskIsLoggedAndTheCopyGoesOn) {
  if (!Shell("command -v mkfs.fat && command -v mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  Harness harness("copy-write-fails");
  const std::vector<SampleFile> samples = HandMadeSamples(8);
  MemorySectorSource source(
      DeletedFilesCard(harness, {{"FIRST.BMP", samples[2].bytes}, {"NEXT.MP3", samples[5].bytes}}));
  std::filesystem::create_directories(harness.output);
  win::SetInjectedHostWriteError(win::ERROR_IO_DEVICE);
  const RunSummary summary = RunOverMemory(harness, source);
  win::SetInjectedHostWriteError(std::nullopt);
  EXPECT_NE(summary.end, RunEnd::DiskFull);
  EXPECT_EQ(harness.observer.diskFull, 0);
  // Both files are named in the log: the copy went on after the first.
  EXPECT_NE(harness.observer.log.find("_IRST.BMP\r\nError Message :"), std::string::npos) << harness.observer.log;
  EXPECT_NE(harness.observer.log.find("_EXT.MP3\r\nError Message :"), std::string::npos) << harness.observer.log;
  EXPECT_NE(harness.observer.log.find("End of File Copy"), std::string::npos);
  EXPECT_TRUE(harness.observer.recovered.empty()) << "a file not written whole was counted";
}

TEST_F(OutputFailures, AFailedWriteEndsThatFileWithOneLineAndTheCopyGoesOnWithTheNext) {
  if (!Shell("command -v mkfs.fat && command -v mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  Harness harness("copy-write-ends-file");
  // Long enough for the output to be written out several times before its end.
  const Bytes large = Filler(3'000'000, 11);
  const Bytes card = DeletedFilesCard(harness, {{"FIRST.BMP", large}, {"NEXT.MP3", Filler(5000, 12)}}, 16384);
  CopyWatchingSource source(card, harness.observer);
  std::filesystem::create_directories(harness.output);
  win::SetInjectedHostWriteError(win::ERROR_IO_DEVICE);
  const RunSummary summary = RunOverMemory(harness, source);
  win::SetInjectedHostWriteError(std::nullopt);
  EXPECT_NE(summary.end, RunEnd::DiskFull);
  const std::string& log = harness.observer.log;
  const std::string first = "_IRST.BMP\r\nError Message :";
  ASSERT_NE(log.find(first), std::string::npos) << log;
  EXPECT_EQ(log.find(first), log.rfind(first)) << "the failed file was reported more than once: " << log;
  EXPECT_NE(log.find("_EXT.MP3\r\nError Message :"), std::string::npos) << "the copy did not go on: " << log;
  EXPECT_NE(log.find("End of File Copy"), std::string::npos);
  ASSERT_EQ(harness.observer.copying, (std::vector<std::string>{"_IRST.BMP", "_EXT.MP3"}));
  const std::uint64_t fileSectors = (large.size() + 511) / 512;
  EXPECT_GT(source.sectorsReadDuring["_IRST.BMP"], 0u);
  EXPECT_LT(source.sectorsReadDuring["_IRST.BMP"], fileSectors) << "the file was read on after its write failed";
  EXPECT_TRUE(harness.observer.recovered.empty());
}

TEST_F(OutputFailures, AnUnreadableDeletedFileIsLoggedNotWrittenAndTheNextOneComesBack) {
  if (!Shell("command -v mkfs.fat && command -v mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  Harness harness("copy-unreadable");
  const std::vector<SampleFile> samples = HandMadeSamples(7, 2000);
  const Bytes& lost = samples[2].bytes;
  const Bytes& kept = samples[5].bytes;
  const Bytes card = DeletedFilesCard(harness, {{"LOST.BMP", lost}, {"KEPT.MP3", kept}});
  MemorySectorSource source(card);
  source.failing = {SectorOf(card, lost) + 2};
  std::filesystem::create_directories(harness.output);
  RunOverMemory(harness, source);
  const auto outputs = harness.Outputs();
  EXPECT_FALSE(outputs.count("_OST.BMP")) << "a stand-in was written for the unreadable file";
  for (const auto& [path, code] : harness.observer.recovered)
    EXPECT_EQ(path.find("_OST.BMP"), std::string::npos) << "the unreadable file was counted";
  EXPECT_NE(harness.observer.log.find("_OST.BMP\r\nError Message :Unable to read from the drive."), std::string::npos)
      << harness.observer.log;
  ASSERT_TRUE(outputs.count("_EPT.MP3"));
  EXPECT_EQ(outputs.at("_EPT.MP3"), kept);
}

}  // namespace
}  // namespace recovery::test_support

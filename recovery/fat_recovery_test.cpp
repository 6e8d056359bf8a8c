// FAT12, FAT16 and FAT32 images made by mkfs.fat and mtools: deleted files come back under their
// names through the deleted-entry pass, and the free part is scanned.
#include "recovery/testing/engine_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace recovery::test_support {
namespace {

bool Shell(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

struct FatCase {
  const char* name;
  int fatBits;
  int megabytes;
  FileSystem expected;
};

class FatRecovery : public ::testing::TestWithParam<FatCase> {};

TEST_P(FatRecovery, DeletedFilesComeBackUnderTheirNames) {
  if (!Shell("command -v mkfs.fat && command -v mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  const FatCase& fat = GetParam();
  Harness harness(fat.name);
  const std::string image = (harness.folder / "card.img").string();
  const std::vector<SampleFile> samples = HandMadeSamples(5);
  const SampleFile& bmp = samples[2];
  const SampleFile& mp3 = samples[5];
  const SampleFile& wav = samples.back();
  const SampleFile& pdf = samples[13];
  const std::string dir = harness.folder.string() + "/";
  WriteFile(dir + "PICTURE.BMP", bmp.bytes);
  WriteFile(dir + "SONG.MP3", mp3.bytes);
  WriteFile(dir + "voice-memo.wav", wav.bytes);
  WriteFile(dir + "KEEP.PDF", pdf.bytes);
  const std::string m = "MTOOLS_SKIP_CHECK=1 ";
  ASSERT_TRUE(Shell("mkfs.fat -C -F " + std::to_string(fat.fatBits) + (fat.fatBits == 32 ? " -s 1" : "") + " " + image +
                    " " + std::to_string(fat.megabytes * 1024)));
  ASSERT_TRUE(Shell(m + "mmd -i " + image + " ::DCIM"));
  ASSERT_TRUE(Shell(m + "mcopy -i " + image + " " + dir + "KEEP.PDF ::KEEP.PDF"));
  ASSERT_TRUE(Shell(m + "mcopy -i " + image + " " + dir + "PICTURE.BMP ::PICTURE.BMP"));
  ASSERT_TRUE(Shell(m + "mcopy -i " + image + " " + dir + "SONG.MP3 ::DCIM/SONG.MP3"));
  ASSERT_TRUE(Shell(m + "mcopy -i " + image + " " + dir + "voice-memo.wav ::DCIM/voice-memo.wav"));
  ASSERT_TRUE(Shell(m + "mdel -i " + image + " ::PICTURE.BMP ::DCIM/SONG.MP3 ::DCIM/voice-memo.wav"));

  const RunSummary summary = harness.RunOverFile(image, harness.Settings());
  ASSERT_EQ(summary.end, RunEnd::Completed);
  EXPECT_EQ(summary.boot.fileSystem, fat.expected);
  const auto outputs = harness.Outputs();
  // The first letter of a deleted short name is gone: it comes back as '_', or from the long name.
  ASSERT_TRUE(outputs.count("_ICTURE.BMP")) << harness.observer.log;
  EXPECT_EQ(outputs.at("_ICTURE.BMP"), bmp.bytes);
  ASSERT_TRUE(outputs.count("_ONG.MP3"));
  EXPECT_EQ(outputs.at("_ONG.MP3"), mp3.bytes);
  ASSERT_TRUE(outputs.count("vOICE-~1.WAV"));
  EXPECT_EQ(outputs.at("vOICE-~1.WAV"), wav.bytes);
  // The file still on the card is not a deleted one.
  EXPECT_FALSE(outputs.count("_EEP.PDF"));
  EXPECT_NE(harness.observer.log.find("End of File Copy"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Fat, FatRecovery,
                         ::testing::Values(FatCase{"fat12", 12, 2, FileSystem::Fat12},
                                           FatCase{"fat16", 16, 20, FileSystem::Fat16},
                                           FatCase{"fat32", 32, 40, FileSystem::Fat32}),
                         [](const ::testing::TestParamInfo<FatCase>& param) { return std::string(param.param.name); });

TEST(FatRecoveryNames, TheFirstLetterComesOnlyFromTheFilesOwnLongName) {
  if (!Shell("command -v mkfs.fat && command -v mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  Harness harness("fatnames");
  const std::string image = (harness.folder / "card.img").string();
  const std::string dir = harness.folder.string() + "/";
  // The volume label, a file with a short name only, one with a long name that stays, a short
  // one behind it, and one with a long name of its own.
  const std::vector<std::string> names = {"PHOTO1.JPG", "Test long name.jpg", "IMG_0003.JPG", "holiday-photo.jpg"};
  std::map<std::string, Bytes> originals;
  std::uint32_t seed = 40;
  for (const std::string& name : names) {
    originals[name] = Concat(Bytes{0xFF, 0xD8, 0xFF, 0xE0}, Filler(3000 + seed, seed));
    WriteFile(dir + name, originals[name]);
    ++seed;
  }
  const std::string m = "MTOOLS_SKIP_CHECK=1 ";
  ASSERT_TRUE(Shell("mkfs.fat -C -F 12 -n CARD " + image + " 2048"));
  for (const std::string& name : names) ASSERT_TRUE(Shell(m + "mcopy -i " + image + " '" + dir + name + "' ::"));
  ASSERT_TRUE(Shell(m + "mdel -i " + image + " ::PHOTO1.JPG ::IMG_0003.JPG ::holiday-photo.jpg"));

  ASSERT_EQ(harness.RunOverFile(image, harness.Settings()).end, RunEnd::Completed);
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("_HOTO1.JPG"));
  EXPECT_EQ(outputs.at("_HOTO1.JPG"), originals["PHOTO1.JPG"]);
  ASSERT_TRUE(outputs.count("_MG_0003.JPG"));
  EXPECT_EQ(outputs.at("_MG_0003.JPG"), originals["IMG_0003.JPG"]);
  ASSERT_TRUE(outputs.count("hOLIDA~1.JPG"));
  EXPECT_EQ(outputs.at("hOLIDA~1.JPG"), originals["holiday-photo.jpg"]);
}

TEST(FatRecoveryScan, FreeSpaceAfterTheDeletedFilesIsCarved) {
  if (!Shell("command -v mkfs.fat && command -v mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  Harness harness("fatscan");
  const std::string image = (harness.folder / "card.img").string();
  ASSERT_TRUE(Shell("mkfs.fat -C -F 16 " + image + " 20480"));
  // Files written raw into the free data area, far behind anything the file system uses.
  Bytes bytes = ReadWholeFile(image);
  const std::vector<SampleFile> samples = HandMadeSamples(6);
  Bytes area;
  LayOut({samples[2], samples[10]}, area, 4, false, 1);
  const std::size_t at = bytes.size() / 2 / 512 * 512;
  std::copy(area.begin(), area.end(), bytes.begin() + static_cast<long>(at));
  WriteFile(image, bytes);
  const RunSummary summary = harness.RunOverFile(image, harness.Settings());
  ASSERT_TRUE(summary.scanned.has_value());
  EXPECT_TRUE(harness.HasExactCopy(samples[2].bytes));
  EXPECT_TRUE(harness.HasExactCopy(samples[10].bytes));
}

}  // namespace
}  // namespace recovery::test_support

// Files of every kind laid sector-aligned on a raw card image with gaps: each one whose end rule
// can know its end must come back byte for byte.
#include "recovery/testing/engine_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

namespace recovery::test_support {
namespace {

std::string Report(const std::vector<SampleFile>& files, const Harness& harness, int& exact) {
  std::string text;
  exact = 0;
  for (const SampleFile& file : files) {
    const bool back = harness.HasExactCopy(file.bytes);
    exact += back;
    text += (back ? "  exact  " : "  differs ") + file.kind + " (" + std::to_string(file.bytes.size()) + " bytes)\n";
  }
  return text;
}

TEST(CarveCorpus, EveryKindWithAKnowableEndComesBackByteExact) {
  Harness harness("corpus");
  std::vector<SampleFile> files = HandMadeSamples(1);
  for (SampleFile& tool : ToolMadeSamples(harness.folder.string(), 1)) files.push_back(std::move(tool));
  Bytes image;
  LayOut(files, image, 3, false, 7);
  const RunSummary summary = harness.RunOver(image, harness.Settings());
  ASSERT_EQ(summary.end, RunEnd::Completed);
  int exact = 0;
  std::cout << "Raw image corpus:\n" << Report(files, harness, exact);
  for (const SampleFile& file : files) {
    if (file.exactExpected) {
      EXPECT_TRUE(harness.HasExactCopy(file.bytes)) << file.kind;
    }
  }
  // Only kept files are counted, and each once.
  EXPECT_EQ(summary.recoveredCount, static_cast<int>(harness.Outputs().size()));
}

TEST(CarveCorpus, ExtensionsFollowTheTypeFoundInsideTheFile) {
  Harness harness("names");
  const std::vector<SampleFile> files = HandMadeSamples(2);
  Bytes image;
  LayOut(files, image, 2, false, 3);
  harness.RunOver(image, harness.Settings());
  const auto outputs = harness.Outputs();
  for (const SampleFile& file : files) {
    if (!file.exactExpected) continue;
    const auto found =
        std::find_if(outputs.begin(), outputs.end(), [&](const auto& out) { return out.second == file.bytes; });
    ASSERT_NE(found, outputs.end()) << file.kind;
    EXPECT_EQ(found->first.substr(found->first.size() - 3), file.extension) << file.kind;
  }
}

TEST(CarveCorpus, OnlySelectedTypesAreWrittenAndAnUnselectedHeaderStillEndsTheOpenFile) {
  Harness harness("selection");
  const std::vector<SampleFile> files = HandMadeSamples(3);
  Bytes image;
  LayOut(files, image, 1, false, 5);
  harness.RunOver(image, harness.Settings(TypeBit(kBmp) | TypeBit(kMp3)));
  for (const auto& [name, contents] : harness.Outputs()) {
    const std::string ext = name.substr(name.size() - 3);
    EXPECT_TRUE(ext == "BMP" || ext == "MP3") << name;
  }
  EXPECT_EQ(harness.Outputs().size(), 2u);
}

TEST(CarveCorpus, RandomGapsNeverCrashAndKeepLengthRuledFilesExact) {
  Harness harness("random");
  const std::vector<SampleFile> files = HandMadeSamples(4);
  Bytes image;
  LayOut(files, image, 5, true, 11);
  const RunSummary summary = harness.RunOver(image, harness.Settings());
  EXPECT_EQ(summary.end, RunEnd::Completed);
  for (const SampleFile& file : files) {
    if (file.extension == "BMP" || file.extension == "WAV" || file.extension == "PST" || file.extension == "MP3") {
      EXPECT_TRUE(harness.HasExactCopy(file.bytes)) << file.kind;
    }
  }
}

}  // namespace
}  // namespace recovery::test_support

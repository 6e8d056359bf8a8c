// The driver against mkfs.fat, mtools and fsck.fat on every FAT type, with and without a
// partition table.
#include "platform/machine/fat/fat_volume.h"

#include "platform/machine/testing/fat_images.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace machine {
namespace {

using test_support::FatKind;

struct Layout {
  FatKind kind;
  bool partitioned;
};

std::string LayoutName(const ::testing::TestParamInfo<Layout>& info) {
  const char* kinds[] = {"Floppy12", "Fat16", "Fat32"};
  return std::string(kinds[static_cast<int>(info.param.kind)]) + (info.param.partitioned ? "Partitioned" : "Whole");
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::set<std::string> NamesOf(const std::vector<FatFileInfo>& infos) {
  std::set<std::string> names;
  for (const auto& info : infos) names.insert(info.name);
  return names;
}

class FatVolumeTest : public ::testing::TestWithParam<Layout> {
 protected:
  void SetUp() override { image_ = test_support::MakeImage("card.img", GetParam().kind, GetParam().partitioned); }

  std::filesystem::path HostFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const auto path = tarnlok::test_support::TestDataHome() / name;
    test_support::WriteHostFile(path, bytes);
    return path;
  }

  void ExpectFsckClean() {
    const auto fsck = test_support::CheckWithFsck(image_);
    EXPECT_EQ(fsck.status, 0) << fsck.output;
    EXPECT_EQ(fsck.output.find("\n  "), std::string::npos) << fsck.output;
  }

  void ExpectFreeSpaceAsMtools(FatVolume& volume) {
    auto info = volume.Info();
    ASSERT_TRUE(info.ok()) << info.error();
    EXPECT_EQ(std::uint64_t{info->freeClusters} * info->sectorsPerCluster * 512, test_support::MtoolsFreeBytes(image_));
  }

  test_support::TestImage image_;
};

TEST_P(FatVolumeTest, RecognisesTheVolumeAsFormatted) {
  auto open = test_support::Open(image_);
  ASSERT_TRUE(open.volume);
  auto info = open.volume->Info();
  ASSERT_TRUE(info.ok()) << info.error();
  EXPECT_EQ(info->type, GetParam().kind == FatKind::Floppy12 ? FatType::Fat12
                        : GetParam().kind == FatKind::Fat16  ? FatType::Fat16
                                                             : FatType::Fat32);
  EXPECT_EQ(info->label, "TESTVOL");
  EXPECT_EQ(info->serial, 0x1234ABCDu);
  EXPECT_EQ(info->bytesPerSector, 512u);
  ExpectFreeSpaceAsMtools(*open.volume);
  // fsck.fat's summary ("n files, used/total clusters") counts the clusters independently.
  const auto fsck = test_support::CheckWithFsck(image_);
  EXPECT_NE(fsck.output.find("/" + std::to_string(info->totalClusters) + " clusters"), std::string::npos)
      << fsck.output;
}

TEST_P(FatVolumeTest, ReadsWhatMtoolsWrote) {
  const auto photo = test_support::Pattern(5000, 1);
  const auto large = test_support::Pattern(300 * 1024, 2);
  const auto note = std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'};
  ASSERT_EQ(
      test_support::RunTool("mmd -i " + test_support::Quote(image_.MtoolsTarget()) + " ::/DCIM ::/DCIM/100TEST").status,
      0);
  test_support::PutWithMtools(image_, HostFile("photo", photo), "::/DCIM/100TEST/IMG_0001.JPG");
  test_support::PutWithMtools(image_, HostFile("large", large), "::/DCIM/100TEST/A long file name, with spaces.jpeg");
  test_support::PutWithMtools(image_, HostFile("note", note), "::/readme.txt");
  test_support::PutWithMtools(image_, HostFile("empty", {}), "::/EMPTY.TXT");

  auto open = test_support::Open(image_);
  ASSERT_TRUE(open.volume);
  FatVolume& volume = *open.volume;
  auto root = volume.List("\\");
  ASSERT_TRUE(root.ok()) << root.error();
  EXPECT_EQ(NamesOf(*root), (std::set<std::string>{"DCIM", "readme.txt", "EMPTY.TXT"}));
  auto folder = volume.List("\\DCIM\\100TEST");
  ASSERT_TRUE(folder.ok()) << folder.error();
  EXPECT_EQ(NamesOf(*folder), (std::set<std::string>{".", "..", "IMG_0001.JPG", "A long file name, with spaces.jpeg"}));
  EXPECT_EQ(test_support::ReadWhole(volume, "DCIM\\100TEST\\IMG_0001.JPG"), photo);
  EXPECT_EQ(test_support::ReadWhole(volume, "dcim/100test/a LONG file name, with spaces.JPEG"), large);
  EXPECT_EQ(test_support::ReadWhole(volume, "README.TXT"), note);
  EXPECT_TRUE(test_support::ReadWhole(volume, "empty.txt").empty());

  auto longOne = volume.Stat("DCIM\\100TEST\\A long file name, with spaces.jpeg");
  ASSERT_TRUE(longOne.ok());
  EXPECT_EQ(longOne->shortName.find('~') != std::string::npos, true) << longOne->shortName;
  EXPECT_EQ(volume.Stat("DCIM\\100TEST\\" + longOne->shortName)->size, large.size());

  // A read from the middle of a file, across cluster boundaries.
  std::vector<std::uint8_t> middle(7000);
  auto read = volume.Read(longOne->place, 100000, middle);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(*read, middle.size());
  EXPECT_TRUE(std::equal(middle.begin(), middle.end(), large.begin() + 100000));
  ExpectFreeSpaceAsMtools(volume);
}

TEST_P(FatVolumeTest, MtoolsAndFsckAcceptWhatWeWrote) {
  auto open = test_support::Open(image_);
  ASSERT_TRUE(open.volume);
  FatVolume& volume = *open.volume;
  const auto big = test_support::Pattern(150 * 1024 + 77, 3);
  ASSERT_TRUE(volume.MakeDirectory("Pictures from the trip").ok());
  auto file = volume.CreateFile("Pictures from the trip\\Day one at the lake.jpeg");
  ASSERT_TRUE(file.ok()) << file.error();
  // Written in uneven pieces, so that writes start and end inside sectors and clusters.
  for (std::size_t at = 0; at < big.size(); at += 1777) {
    const std::size_t piece = std::min<std::size_t>(1777, big.size() - at);
    ASSERT_TRUE(volume.Write(file->place, at, std::span(big).subspan(at, piece)).ok());
  }
  // Enough long names to make the folder grow past its first cluster.
  for (int i = 0; i < 40; ++i) {
    auto extra = volume.CreateFile("Pictures from the trip\\Another picture number " + std::to_string(i) + ".jpeg");
    ASSERT_TRUE(extra.ok()) << i << ": " << extra.error();
    const std::string text = "picture " + std::to_string(i);
    ASSERT_TRUE(
        volume.Write(extra->place, 0, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())).ok());
  }
  ASSERT_TRUE(volume.DeleteFile("Pictures from the trip\\Another picture number 7.jpeg").ok());
  ASSERT_TRUE(volume.Rename("Pictures from the trip\\Another picture number 8.jpeg", "Moved to the root.txt").ok());
  ASSERT_TRUE(volume.MakeDirectory("empty").ok());
  ASSERT_TRUE(volume.MakeDirectory("Gone soon").ok());
  ASSERT_TRUE(volume.RemoveDirectory("Gone soon").ok());
  auto shrunk = volume.Stat("Pictures from the trip\\Another picture number 9.jpeg");
  ASSERT_TRUE(shrunk.ok());
  ASSERT_TRUE(volume.SetSize(shrunk->place, 3).ok());
  ASSERT_TRUE(volume.Rename("Pictures from the trip", "Trip").ok());

  EXPECT_EQ(test_support::ReadWithMtools(image_, "::/Trip/Day one at the lake.jpeg"), Text(big));
  EXPECT_EQ(test_support::ReadWithMtools(image_, "::/Moved to the root.txt"), "picture 8");
  EXPECT_EQ(test_support::ReadWithMtools(image_, "::/Trip/Another picture number 9.jpeg"), "pic");
  EXPECT_EQ(test_support::ReadWithMtools(image_, "::/Trip/Another picture number 39.jpeg"), "picture 39");
  const auto listing = test_support::RunTool("mdir -i " + test_support::Quote(image_.MtoolsTarget()) + " ::/Trip");
  EXPECT_EQ(listing.output.find("number 7.jpeg"), std::string::npos) << listing.output;
  EXPECT_NE(listing.output.find("Another picture number 38.jpeg"), std::string::npos) << listing.output;
  const auto rootListing = test_support::RunTool("mdir -i " + test_support::Quote(image_.MtoolsTarget()) + " ::/");
  EXPECT_NE(rootListing.output.find("empty"), std::string::npos) << rootListing.output;
  EXPECT_EQ(rootListing.output.find("Gone soon"), std::string::npos) << rootListing.output;
  ExpectFsckClean();
  ExpectFreeSpaceAsMtools(volume);
}

INSTANTIATE_TEST_SUITE_P(Layouts, FatVolumeTest,
                         ::testing::Values(Layout{FatKind::Floppy12, false}, Layout{FatKind::Floppy12, true},
                                           Layout{FatKind::Fat16, false}, Layout{FatKind::Fat16, true},
                                           Layout{FatKind::Fat32, false}, Layout{FatKind::Fat32, true}),
                         LayoutName);

}  // namespace
}  // namespace machine

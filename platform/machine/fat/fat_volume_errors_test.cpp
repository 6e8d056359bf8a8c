// The Windows error numbers of the driver's services, their limits, and what they leave behind.
#include "platform/machine/fat/fat_volume.h"

#include "platform/machine/cards/memory_sector_device.h"
#include "platform/machine/testing/fat_images.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

class FatVolumeErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = test_support::MakeImage("floppy.img", test_support::FatKind::Floppy12, false);
    open_ = test_support::Open(image_);
    ASSERT_TRUE(open_.volume);
  }
  FatVolume& Volume() { return *open_.volume; }

  test_support::TestImage image_;
  test_support::OpenVolume open_;
};

TEST_F(FatVolumeErrorsTest, NamesAndPaths) {
  ASSERT_TRUE(Volume().MakeDirectory("DIR").ok());
  ASSERT_TRUE(Volume().CreateFile("DIR\\file.txt").ok());
  EXPECT_EQ(Volume().Stat("DIR\\missing").error(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Volume().Stat("NODIR\\file.txt").error(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Volume().Stat("DIR\\file.txt\\x").error(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Volume().CreateFile("dir\\FILE.TXT").error(), win::ERROR_FILE_EXISTS);
  EXPECT_EQ(Volume().MakeDirectory("dir").error(), win::ERROR_ALREADY_EXISTS);
  EXPECT_EQ(Volume().CreateFile("DIR\\a|b").error(), win::ERROR_INVALID_NAME);
  EXPECT_EQ(Volume().CreateFile("DIR\\" + std::string(256, 'x')).error(), win::ERROR_FILENAME_EXCED_RANGE);
  // Trailing periods and spaces are dropped, as Windows drops them.
  ASSERT_TRUE(Volume().CreateFile("DIR\\trailing. . ").ok());
  EXPECT_EQ(Volume().Stat("DIR\\trailing")->name, "trailing");
}

TEST_F(FatVolumeErrorsTest, DeletingAndRemoving) {
  ASSERT_TRUE(Volume().MakeDirectory("DIR").ok());
  ASSERT_TRUE(Volume().MakeDirectory("DIR\\SUB").ok());
  ASSERT_TRUE(Volume().CreateFile("locked.txt", kAttrReadOnly).ok());
  EXPECT_EQ(Volume().RemoveDirectory("DIR").error(), win::ERROR_DIR_NOT_EMPTY);
  EXPECT_EQ(Volume().RemoveDirectory("locked.txt").error(), win::ERROR_DIRECTORY);
  EXPECT_EQ(Volume().RemoveDirectory("\\").error(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Volume().DeleteFile("DIR").error(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Volume().DeleteFile("locked.txt").error(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Volume().DeleteFile("nothing.txt").error(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Volume().Rename("DIR", "DIR\\SUB\\DIR").error(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Volume().Rename("DIR\\SUB", "locked.txt").error(), win::ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(Volume().SetAttributes("locked.txt", 0).ok());
  ASSERT_TRUE(Volume().DeleteFile("locked.txt").ok());
  // A directory moved to the root points its ".." at the root.
  ASSERT_TRUE(Volume().Rename("DIR\\SUB", "Moved folder").ok());
  const auto fsck = test_support::CheckWithFsck(image_);
  EXPECT_EQ(fsck.status, 0) << fsck.output;
}

TEST_F(FatVolumeErrorsTest, OpenFilesThatAreDeletedBecomeInvalid) {
  auto file = Volume().CreateFile("gone.txt");
  ASSERT_TRUE(file.ok());
  ASSERT_TRUE(Volume().DeleteFile("gone.txt").ok());
  std::vector<std::uint8_t> buffer(10);
  EXPECT_EQ(Volume().Read(file->place, 0, buffer).error(), win::ERROR_FILE_INVALID);
  EXPECT_EQ(Volume().Write(file->place, 0, buffer).error(), win::ERROR_FILE_INVALID);
}

TEST_F(FatVolumeErrorsTest, FullRootAndFullDisk) {
  // The floppy's fixed root holds 224 entries and cannot grow.
  win::DWORD error = win::ERROR_SUCCESS;
  int made = 0;
  for (; made < 300 && error == win::ERROR_SUCCESS; ++made) {
    error = Volume().CreateFile("F" + std::to_string(made) + ".TXT").error();
  }
  EXPECT_EQ(error, win::ERROR_CANNOT_MAKE);
  EXPECT_EQ(made - 1, 223);  // one entry is the volume label
  auto before = Volume().Info();
  ASSERT_TRUE(before.ok());
  const auto file = Volume().Stat("F0.TXT");
  const std::vector<std::uint8_t> tooBig(2 * 1024 * 1024, 7);
  EXPECT_EQ(Volume().Write(file->place, 0, tooBig).error(), win::ERROR_DISK_FULL);
  EXPECT_EQ(Volume().Info()->freeClusters, before->freeClusters);
  EXPECT_EQ(Volume().Stat("F0.TXT")->size, 0u);
  const auto fsck = test_support::CheckWithFsck(image_);
  EXPECT_EQ(fsck.status, 0) << fsck.output;
}

TEST_F(FatVolumeErrorsTest, WriteProtectedCard) {
  auto device = ImageFileDevice::Open(image_.path, true);
  ASSERT_TRUE(device.ok());
  FatVolume volume(**device, test_support::FixedTime);
  EXPECT_TRUE(volume.Info().ok());
  EXPECT_EQ(volume.CreateFile("NEW.TXT").error(), win::ERROR_WRITE_PROTECT);
  EXPECT_EQ(volume.MakeDirectory("NEW").error(), win::ERROR_WRITE_PROTECT);
}

TEST_F(FatVolumeErrorsTest, ChangesMadeBehindTheDriverAreSeenAtOnce) {
  ASSERT_TRUE(Volume().CreateFile("ours.txt").ok());
  const auto source = image_.path.parent_path() / "theirs";
  test_support::WriteHostFile(source, {'x', 'y'});
  test_support::PutWithMtools(image_, source, "::/theirs.txt");
  EXPECT_EQ(test_support::ReadWhole(Volume(), "theirs.txt"), (std::vector<std::uint8_t>{'x', 'y'}));
  // A fresh format under the driver's feet leaves nothing of the old volume.
  ASSERT_EQ(test_support::RunTool("mformat -i " + test_support::Quote(image_.MtoolsTarget()) + " -v OTHER ::").status,
            0);
  EXPECT_EQ(Volume().Stat("ours.txt").error(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Volume().Info()->label, "OTHER");
}

TEST_F(FatVolumeErrorsTest, ImagesAreReproducibleWithAFixedClock) {
  const auto run = [](const test_support::TestImage& image) {
    auto open = test_support::Open(image);
    EXPECT_TRUE(open.volume->MakeDirectory("A folder with a long name").ok());
    auto file = open.volume->CreateFile("A folder with a long name\\Some file.txt");
    EXPECT_TRUE(open.volume->Write(file->place, 0, test_support::Pattern(3000, 4)).ok());
    EXPECT_TRUE(open.volume->Rename("A folder with a long name\\Some file.txt", "Top.txt").ok());
    auto stamp = open.volume->Stat("Top.txt");
    EXPECT_EQ(stamp->written, test_support::FixedTime());
  };
  const auto other = test_support::MakeImage("other.img", test_support::FatKind::Floppy12, false);
  run(image_);
  run(other);
  EXPECT_EQ(test_support::ReadHostFile(image_.path), test_support::ReadHostFile(other.path));
}

}  // namespace
}  // namespace machine

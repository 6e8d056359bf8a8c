// Corrupt volumes, built here from a clean floppy, give Windows errors and never crash.
#include "platform/machine/fat/fat_partition.h"
#include "platform/machine/fat/fat_table.h"
#include "platform/machine/fat/fat_tree_walk.h"
#include "platform/machine/fat/fat_volume.h"
#include "platform/machine/cards/memory_sector_device.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/machine/testing/fat_images.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

class FatCorruptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto image = test_support::MakeImage("floppy.img", test_support::FatKind::Floppy12, false);
    const auto host = tarnlok::test_support::TestDataHome() / "data";
    ASSERT_EQ(test_support::RunTool("mmd -i " + test_support::Quote(image.MtoolsTarget()) + " ::/DIR").status, 0);
    test_support::WriteHostFile(host, test_support::Pattern(1536, 1));
    test_support::PutWithMtools(image, host, "::/DIR/FILE.BIN");
    test_support::WriteHostFile(host, test_support::Pattern(1024, 2));
    test_support::PutWithMtools(image, host, "::/DIR/OTHER.BIN");
    device_ = std::make_unique<MemorySectorDevice>(test_support::ReadHostFile(image.path));
    volume_ = std::make_unique<FatVolume>(*device_, test_support::FixedTime);
    geometry_ = *ReadGeometry(*device_);
  }

  std::uint32_t FirstCluster(const std::string& path) { return volume_->Stat(path)->firstCluster; }

  void SetFat(std::uint32_t cluster, std::uint32_t value) {
    FatTable table(*device_, geometry_);
    ASSERT_TRUE(table.Set(cluster, value).ok());
  }

  // Rewrites a 16- or 32-bit field of a file's short entry.
  void PatchEntry(const std::string& path, std::size_t field, std::size_t width, std::uint32_t value) {
    const EntryPlace place = volume_->Stat(path)->place;
    std::vector<std::uint8_t> sector(512);
    ASSERT_TRUE(device_->ReadSectors(place.sector, sector).ok());
    test_support::PatchLe(sector, place.offset + field, width, value);
    ASSERT_TRUE(device_->WriteSectors(place.sector, sector).ok());
  }

  win::DWORD ReadError(const std::string& path) {
    auto info = volume_->Stat(path);
    if (!info) return info.error();
    std::vector<std::uint8_t> buffer(info->size);
    return volume_->Read(info->place, 0, buffer).error();
  }

  std::unique_ptr<MemorySectorDevice> device_;
  std::unique_ptr<FatVolume> volume_;
  FatGeometry geometry_;
};

constexpr std::size_t kClusterLowField = 26;
constexpr std::size_t kSizeField = 28;

TEST_F(FatCorruptTest, CircularChainIsCorrupt) {
  const std::uint32_t first = FirstCluster("DIR\\FILE.BIN");
  SetFat(first + 1, first);
  EXPECT_EQ(ReadError("DIR\\FILE.BIN"), win::ERROR_DISK_CORRUPT);
  EXPECT_EQ(volume_->DeleteFile("DIR\\FILE.BIN").error(), win::ERROR_DISK_CORRUPT);
  const std::vector<std::uint8_t> more(600, 1);
  EXPECT_EQ(volume_->Write(volume_->Stat("DIR\\FILE.BIN")->place, 1536, more).error(), win::ERROR_DISK_CORRUPT);
  // The refused delete changed nothing: the other file still reads.
  EXPECT_EQ(ReadError("DIR\\OTHER.BIN"), win::ERROR_SUCCESS);
}

TEST_F(FatCorruptTest, ClustersOutOfRangeAreCorrupt) {
  SetFat(FirstCluster("DIR\\FILE.BIN"), 0xFF0);
  EXPECT_EQ(ReadError("DIR\\FILE.BIN"), win::ERROR_DISK_CORRUPT);
  PatchEntry("DIR\\OTHER.BIN", kClusterLowField, 2, 0x0FFF);
  EXPECT_EQ(ReadError("DIR\\OTHER.BIN"), win::ERROR_DISK_CORRUPT);
  EXPECT_EQ(volume_->DeleteFile("DIR\\OTHER.BIN").error(), win::ERROR_DISK_CORRUPT);
}

TEST_F(FatCorruptTest, SizeBeyondTheChainIsCorrupt) {
  PatchEntry("DIR\\FILE.BIN", kSizeField, 4, 100000);
  EXPECT_EQ(ReadError("DIR\\FILE.BIN"), win::ERROR_DISK_CORRUPT);
  // Reading inside the clusters that do exist still works.
  std::vector<std::uint8_t> head(100);
  auto read = volume_->Read(volume_->Stat("DIR\\FILE.BIN")->place, 0, head);
  ASSERT_TRUE(read.ok());
  const auto written = test_support::Pattern(1536, 1);
  EXPECT_EQ(head, std::vector<std::uint8_t>(written.begin(), written.begin() + 100));
}

TEST_F(FatCorruptTest, CrossLinkedFilesReadUntilTheSharedChainIsFreed) {
  PatchEntry("DIR\\OTHER.BIN", kClusterLowField, 2, FirstCluster("DIR\\FILE.BIN"));
  EXPECT_EQ(ReadError("DIR\\OTHER.BIN"), win::ERROR_SUCCESS);
  ASSERT_TRUE(volume_->DeleteFile("DIR\\FILE.BIN").ok());
  EXPECT_EQ(ReadError("DIR\\OTHER.BIN"), win::ERROR_DISK_CORRUPT);
}

TEST_F(FatCorruptTest, DirectoryLoopsEndWalksWithAnError) {
  ASSERT_TRUE(volume_->MakeDirectory("DIR\\LOOP").ok());
  PatchEntry("DIR\\LOOP", kClusterLowField, 2, FirstCluster("DIR"));
  std::size_t visited = 0;
  EXPECT_EQ(WalkFatTree(*device_, [&](const std::string&, const FatFileInfo&) { ++visited; }).error(),
            win::ERROR_DISK_CORRUPT);
  EXPECT_LT(visited, 10u);
  EXPECT_EQ(volume_->RemoveDirectory("DIR\\LOOP").error(), win::ERROR_DIR_NOT_EMPTY);
  EXPECT_TRUE(volume_->Stat("DIR\\LOOP\\LOOP\\LOOP\\FILE.BIN").ok());
}

TEST_F(FatCorruptTest, DirectoryChainThatLoopsIsCorrupt) {
  const std::uint32_t dir = FirstCluster("DIR");
  SetFat(dir, dir);
  EXPECT_EQ(volume_->List("DIR").error(), win::ERROR_DISK_CORRUPT);
  EXPECT_EQ(volume_->CreateFile("DIR\\NEW.TXT").error(), win::ERROR_DISK_CORRUPT);
  EXPECT_EQ(WalkFatTree(*device_, [](const std::string&, const FatFileInfo&) {}).error(), win::ERROR_DISK_CORRUPT);
}

TEST_F(FatCorruptTest, ZeroedBootSectorIsUnrecognized) {
  const std::vector<std::uint8_t> zeros(512, 0);
  ASSERT_TRUE(device_->WriteSectors(0, zeros).ok());
  EXPECT_EQ(volume_->Info().error(), win::ERROR_UNRECOGNIZED_VOLUME);
  EXPECT_EQ(volume_->Stat("DIR").error(), win::ERROR_UNRECOGNIZED_VOLUME);
  EXPECT_EQ(volume_->CreateFile("NEW.TXT").error(), win::ERROR_UNRECOGNIZED_VOLUME);
  EXPECT_EQ(FindFatVolume(*device_).error(), win::ERROR_UNRECOGNIZED_VOLUME);
}

TEST_F(FatCorruptTest, TruncatedImageIsUnrecognized) {
  const auto path = tarnlok::test_support::TestDataHome() / "truncated.img";
  auto bytes = device_->Bytes();
  bytes.resize(700 * 1024);
  test_support::WriteHostFile(path, bytes);
  auto device = ImageFileDevice::Open(path, true);
  ASSERT_TRUE(device.ok());
  FatVolume volume(**device, test_support::FixedTime);
  EXPECT_EQ(volume.Info().error(), win::ERROR_UNRECOGNIZED_VOLUME);
  EXPECT_EQ(volume.List("\\").error(), win::ERROR_UNRECOGNIZED_VOLUME);
}

// A device whose sectors from `failFrom` on fail to read, as a damaged card does.
class FailingDevice final : public SectorDevice {
 public:
  FailingDevice(SectorDevice& base, std::uint64_t failFrom) : base_(base), failFrom_(failFrom) {}
  std::uint64_t SectorCount() const override { return base_.SectorCount(); }
  IoStatus ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) override {
    if (first + buffer.size() / kSectorSize > failFrom_) return IoError{win::ERROR_CRC};
    return base_.ReadSectors(first, buffer);
  }
  IoStatus WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) override {
    return base_.WriteSectors(first, data);
  }

 private:
  SectorDevice& base_;
  std::uint64_t failFrom_;
};

TEST_F(FatCorruptTest, DeviceErrorsArePassedOn) {
  FailingDevice failing(*device_, geometry_.firstDataSector);
  FatVolume volume(failing, test_support::FixedTime);
  EXPECT_TRUE(volume.List("\\").ok());
  EXPECT_EQ(volume.List("DIR").error(), win::ERROR_CRC);
  EXPECT_EQ(volume.Stat("DIR\\FILE.BIN").error(), win::ERROR_CRC);
}

}  // namespace
}  // namespace machine

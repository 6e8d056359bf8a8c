// The default machine on a first start: its description written, its cards made and filled
// as a camera leaves them, judged through the file services, exiftool and fsck.fat.
#include "platform/machine/machine.h"
#include "platform/win/layouts/identify_layout.h"

#include "platform/machine/fat/fat_boot_sector.h"
#include "platform/machine/fat/fat_partition.h"
#include "platform/machine/cards/image_file_device.h"
#include "platform/machine/testing/fat_images.h"
#include "platform/machine/testing/flash_images.h"
#include "platform/win/host/data_folder.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace machine {
namespace {

using test_support::Quote;
using test_support::RunTool;

std::set<std::string> Names(const std::string& pattern) {
  std::set<std::string> names;
  win::WIN32_FIND_DATAA found{};
  const auto search = win::FindFirstFileA(pattern.c_str(), &found);
  if (search == win::INVALID_HANDLE_VALUE) return names;
  do {
    names.insert(found.cFileName);
  } while (win::FindNextFileA(search, &found));
  win::FindClose(search);
  return names;
}

std::vector<std::uint8_t> ReadCardFile(const std::string& path) {
  const auto file =
      win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, win::INVALID_HANDLE_VALUE) << path << ": " << win::GetLastError();
  std::vector<std::uint8_t> bytes(1 << 20);
  win::DWORD got = 0;
  EXPECT_TRUE(win::ReadFile(file, bytes.data(), static_cast<win::DWORD>(bytes.size()), &got, nullptr));
  win::CloseHandle(file);
  bytes.resize(got);
  return bytes;
}

std::string Exif(const std::filesystem::path& photo, const std::string& tags) {
  const auto result = RunTool("exiftool -s -s -s " + tags + " " + Quote(photo.string()));
  EXPECT_EQ(result.status, 0) << result.output;
  return result.output;
}

// The image as fsck.fat and mtools reach its volume.
test_support::TestImage VolumeOf(const std::filesystem::path& image) {
  auto device = ImageFileDevice::Open(image, true);
  EXPECT_TRUE(device.ok());
  const auto extent = FindFatVolume(**device);
  EXPECT_TRUE(extent.ok());
  return {image, extent.ok() ? extent->firstSector * 512 : 0, test_support::FatKind::Fat16};
}

class DefaultMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("TARNLOK_MACHINE");
    ASSERT_FALSE(std::filesystem::exists(win::DataFolder() / "machine.json"));
    machine_ = Machine::Load();
    machine_->Install();
  }

  std::unique_ptr<Machine> machine_;
};

TEST_F(DefaultMachine, FirstStartWritesTheDescriptionAndSoundCards) {
  EXPECT_TRUE(std::filesystem::exists(win::DataFolder() / "machine.json"));
  ASSERT_EQ(machine_->Description().readers.size(), 6U);
  EXPECT_EQ(machine_->Description().windows, win::WindowsVersion::Xp);
  for (const char* name : {"cf.img", "pcmcia.img", "sd.img", "a.img"}) {
    SCOPED_TRACE(name);
    const auto image = VolumeOf(win::DataFolder() / "cards" / name);
    const auto fsck = test_support::CheckWithFsck(image);
    EXPECT_EQ(fsck.status, 0) << fsck.output;
  }
  // The raw flash cards as their readers show them.
  for (const std::size_t reader : {1U, 2U}) {
    const auto& card = machine_->Description().readers[reader].card;
    SCOPED_TRACE(card.image.string());
    const auto fsck = test_support::CheckWithFsck(test_support::LogicalVolumeImage(card, "logical.img"));
    EXPECT_EQ(fsck.status, 0) << fsck.output;
  }
  EXPECT_EQ(std::filesystem::file_size(win::DataFolder() / "cards" / "sd.img"), 256U << 20);
  EXPECT_EQ(std::filesystem::file_size(win::DataFolder() / "cards" / "pcmcia.img"), 32U << 20);
  // A second start uses the cards as they are.
  const auto written = std::filesystem::last_write_time(win::DataFolder() / "cards" / "cf.img");
  machine_.reset();
  machine_ = Machine::Load();
  EXPECT_EQ(std::filesystem::last_write_time(win::DataFolder() / "cards" / "cf.img"), written);
}

TEST_F(DefaultMachine, CardsHoldACameraRollOthersFilesAndDeletedPhotographs) {
  EXPECT_EQ(Names("E:\\DCIM\\100KESTR\\*.JPG"),
            (std::set<std::string>{"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0004.JPG", "IMG_0005.JPG"}));
  EXPECT_EQ(Names("G:\\DCIM\\100KESTR\\*"),
            (std::set<std::string>{".", "..", "IMG_0101.JPG", "IMG_0103.JPG", "IMG_0104.JPG"}));
  EXPECT_EQ(Names("E:\\*"), (std::set<std::string>{"DCIM", "MISC", "Trip notes.txt"}));
  EXPECT_EQ(Names("G:\\Shopping list.txt").size(), 1U);
  EXPECT_EQ(Names("I:\\*"), (std::set<std::string>{"DCIM", "MISC", "Trip notes.txt"})) << "the PCMCIA slot's card";
  EXPECT_EQ(Names("A:\\*"), (std::set<std::string>{"README.TXT", "Letter to Anna.txt"}));
  EXPECT_EQ(Names("F:\\DCIM\\100KESTR\\*.JPG"),
            (std::set<std::string>{"IMG_0201.JPG", "IMG_0202.JPG", "IMG_0203.JPG", "IMG_0205.JPG"}));
  EXPECT_EQ(Names("H:\\*"), (std::set<std::string>{"DCIM", "MISC", "MEMO.TXT"}));
  EXPECT_EQ(Names("H:\\DCIM\\100KESTR\\*.JPG"),
            (std::set<std::string>{"IMG_0302.JPG", "IMG_0303.JPG", "IMG_0304.JPG"}));
  const auto order = ReadCardFile("E:\\MISC\\AUTPRINT.MRK");
  EXPECT_NE(std::string(order.begin(), order.end()).find("IMG_1.JPG"), std::string::npos);

  // The deleted photograph's entry is marked free, its data still where its cluster was.
  const auto image = win::DataFolder() / "cards" / "cf.img";
  const auto bytes = test_support::ReadHostFile(image);
  const std::vector<std::uint8_t> deletedName{0xE5, 'M', 'G', '_', '0', '0', '0', '3', 'J', 'P', 'G'};
  const auto entry = std::search(bytes.begin(), bytes.end(), deletedName.begin(), deletedName.end());
  ASSERT_NE(entry, bytes.end());
  const auto at = static_cast<std::size_t>(entry - bytes.begin());
  const std::uint32_t cluster = bytes[at + 26] | (bytes[at + 27] << 8);
  auto device = ImageFileDevice::Open(image, true);
  ASSERT_TRUE(device.ok());
  const auto extent = FindFatVolume(**device);
  ASSERT_TRUE(extent.ok());
  SectorWindow window(**device, extent->firstSector, extent->sectorCount);
  const auto geometry = ReadGeometry(window);
  ASSERT_TRUE(geometry.ok());
  const std::size_t data = (extent->firstSector + geometry->ClusterSector(cluster)) * 512;
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(data),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(data) + 4),
            (std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xE1}));
}

TEST_F(DefaultMachine, PcmciaSlotAnswersAsAnAtaDevice) {
  const auto slot =
      win::CreateFileA("\\\\.\\I:", win::GENERIC_READ | win::GENERIC_WRITE,
                       win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(slot, win::INVALID_HANDLE_VALUE);
  std::vector<std::uint8_t> record(12 + 512, 0);
  record[1] = 1;
  record[5] = 0xA0;
  record[6] = 0xEC;
  record[8] = 0x00;
  record[9] = 0x02;  // 512 bytes of data
  win::DWORD returned = 0;
  ASSERT_TRUE(win::DeviceIoControl(slot, win::IOCTL_IDE_PASS_THROUGH, record.data(), 12 + 512, record.data(), 12 + 512,
                                   &returned, nullptr));
  win::CloseHandle(slot);
  namespace layout = win::identify_layout;
  const auto identify = std::span(record).subspan(12, layout::kSize);
  EXPECT_EQ(layout::ReadDoubleWord(identify, layout::kTotalSectors), 65536U) << "a 32 MB card";
  EXPECT_EQ(layout::ReadDoubleWord(identify, layout::kCardFlags), 0x600100U) << "CompactFlash in a PCMCIA slot";
}

TEST_F(DefaultMachine, PhotographsCarryExifAndAThumbnailThatExiftoolReads) {
  const auto photo = tarnlok::test_support::TestDataHome() / "IMG_0001.JPG";
  test_support::WriteHostFile(photo, ReadCardFile("E:\\DCIM\\100KESTR\\IMG_0001.JPG"));
  EXPECT_EQ(Exif(photo, "-Make -Model -DateTimeOriginal -ExifImageWidth -ExifImageHeight -ImageSize -ExifByteOrder"),
            "Kestro\nKestro Snap 310\n2005:07:14 10:21:04\n640\n480\n640x480\nLittle-endian (Intel, II)\n");
  const auto thumbnail = tarnlok::test_support::TestDataHome() / "thumb.jpg";
  ASSERT_EQ(RunTool("exiftool -b -ThumbnailImage " + Quote(photo.string()) + " > " + Quote(thumbnail.string())).status,
            0);
  EXPECT_EQ(Exif(thumbnail, "-ImageSize"), "160x120\n");
  const auto decoded = RunTool("djpeg " + Quote(photo.string()) + " > /dev/null");
  EXPECT_EQ(decoded.status, 0) << decoded.output;

  const auto other = tarnlok::test_support::TestDataHome() / "IMG_0103.JPG";
  test_support::WriteHostFile(other, ReadCardFile("G:\\DCIM\\100KESTR\\IMG_0103.JPG"));
  EXPECT_EQ(Exif(other, "-Make -ExifByteOrder -ModifyDate"),
            "Orvana\nBig-endian (Motorola, MM)\n2006:03:02 15:54:30\n");
  const auto warnings = RunTool("exiftool -validate -warning -a " + Quote(other.string()));
  EXPECT_EQ(warnings.output.find("Warning"), std::string::npos) << warnings.output;

  const auto flashPhoto = tarnlok::test_support::TestDataHome() / "IMG_0304.JPG";
  test_support::WriteHostFile(flashPhoto, ReadCardFile("H:\\DCIM\\100KESTR\\IMG_0304.JPG"));
  EXPECT_EQ(Exif(flashPhoto, "-Make -Model -ImageSize"), "Orvana\nOrvana M2\n640x480\n");
  const auto flashDecoded = RunTool("djpeg " + Quote(flashPhoto.string()) + " > /dev/null");
  EXPECT_EQ(flashDecoded.status, 0) << flashDecoded.output;
}

}  // namespace
}  // namespace machine

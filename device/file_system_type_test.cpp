#include "device/file_system_type.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/testing/card_images.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnlok {
namespace {

using test_support::FormattedVolume;
using test_support::NumberedImage;
using test_support::Partitioned;

struct Found {
  int result = -1;
  win::BYTE notFormatted = 0, isMbr = 0, fileSystem = 0;
  win::DWORD volumeStart = 0;
  std::vector<win::BYTE> sector0 = std::vector<win::BYTE>(512, 0xCC);
  std::vector<win::BYTE> boot = std::vector<win::BYTE>(512, 0xCC);
};

// Each examined image is the card of one of the maker's USB readers on E: of a fresh machine; an
// empty image leaves the reader empty.
class FileSystemType : public test_support::MachineDeviceTest {
 protected:
  Found Examine(const std::vector<win::BYTE>& image) {
    Stop();
    const std::string name = "fs" + std::to_string(images_++) + ".img";
    test_support::WriteImage(name, image);
    const std::string card = image.empty() ? R"({ "kind": "none" })"
                                           : R"({ "kind": "cf", "image": ")" + name + R"(", "sectors": )" +
                                                 std::to_string(image.size() / 512) + " }";
    Start(R"({ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E", "card": )" +
              card + " } ] }",
          kOsWindowsXp);
    entry.driveLetter = 'E';
    entry.busKind = kBusUsb;
    DriveHandle handle = OpenCardVolume('E');
    Found f;
    f.result = GetFileSystemType(handle.get(), &entry, 512, &f.notFormatted, f.sector0.data(), &f.isMbr, f.boot.data(),
                                 &f.volumeStart, &f.fileSystem);
    return f;
  }
  DeviceEntry entry;

 private:
  int images_ = 0;
};

TEST_F(FileSystemType, VolumesWrittenByMkfsFat) {
  const Found fat12 = Examine(FormattedVolume(12, 2880));
  EXPECT_EQ(fat12.result, 1);
  EXPECT_EQ(fat12.fileSystem, kFat12);
  EXPECT_EQ(fat12.isMbr, 0);

  const Found fat32 = Examine(Partitioned(FormattedVolume(32, 70000), 63));
  EXPECT_EQ(fat32.result, 1);
  EXPECT_EQ(fat32.fileSystem, kFat32);
  EXPECT_EQ(fat32.isMbr, 1);
  EXPECT_EQ(fat32.volumeStart, 63u);
  EXPECT_EQ(fat32.boot[0], 0xEB) << "the volume's boot sector was read";
  EXPECT_EQ(std::string(fat32.boot.begin() + 82, fat32.boot.begin() + 90), "FAT32   ");
}

TEST_F(FileSystemType, UnformattedCardAsksWhetherToCopyEverything) {
  prompter.AnswerMessageBox(ui::IDYES);
  const Found yes = Examine(NumberedImage(8));
  EXPECT_EQ(yes.result, 0);
  EXPECT_EQ(yes.notFormatted, 1);
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].text,
            "This media NOT formatted.\nDo you want to proceed by copying all the contents (both used and unused) ?");
  EXPECT_EQ(prompter.Asked()[0].type, ui::MB_YESNO | ui::MB_ICONQUESTION);
  EXPECT_EQ(prompter.Asked()[0].caption, "Tarnlok V2");
  EXPECT_EQ(MessageText, prompter.Asked()[0].text);

  prompter.AnswerMessageBox(ui::IDNO);
  const Found no = Examine(NumberedImage(8));
  EXPECT_EQ(no.result, 0);
  EXPECT_EQ(no.notFormatted, 0);
}

TEST_F(FileSystemType, HalfASignatureIsEnough) {
  std::vector<win::BYTE> image = NumberedImage(8);
  image[510] = 0x55;
  const std::string text = "FAT16   ";
  std::copy(text.begin(), text.end(), image.begin() + 54);
  const Found found = Examine(image);
  EXPECT_EQ(found.result, 1);
  EXPECT_EQ(found.fileSystem, kFat16);
}

TEST_F(FileSystemType, NtfsAndEmptyPartitionTablesGiveNothingWithoutAQuestion) {
  std::vector<win::BYTE> ntfs = NumberedImage(8);
  const std::string text = "NTFS    ";
  std::copy(text.begin(), text.end(), ntfs.begin() + 3);
  win::WriteLe16(ntfs, 510, 0xAA55);
  EXPECT_EQ(Examine(ntfs).result, 0);

  std::vector<win::BYTE> emptyTable(8 * 512, 0);
  win::WriteLe16(emptyTable, 510, 0xAA55);
  const Found found = Examine(emptyTable);
  EXPECT_EQ(found.result, 0);
  EXPECT_EQ(found.isMbr, 1);
  EXPECT_EQ(found.boot[0], 0xCC) << "no second sector was read";
}

TEST_F(FileSystemType, CorruptSectorsFailCleanly) {
  std::vector<win::BYTE> noZero(8 * 512, 'A');
  win::WriteLe16(noZero, 510, 0xAA55);
  win::WriteLe32(noZero, 454, 0x7FFFFFFF);
  OperationBusy = 1;
  EXPECT_EQ(Examine(noZero).result, 0) << "text without an end and a partition beyond the card";
  OperationBusy = 0;
  prompter.AnswerMessageBox(ui::IDNO);
  EXPECT_EQ(Examine(noZero).result, 0) << "outside a run the failed read reads as zeroes";
  EXPECT_EQ(prompter.Asked().size(), 1u);

  std::vector<win::BYTE> partitionUnformatted = Partitioned(std::vector<win::BYTE>(4 * 512, 0), 2);
  prompter.AnswerMessageBox(ui::IDNO);
  EXPECT_EQ(Examine(partitionUnformatted).result, 0);
  EXPECT_EQ(prompter.Asked().size(), 2u) << "the partition's boot sector gets the question too";

  OperationBusy = 1;
  EXPECT_EQ(Examine(NumberedImage(0)).result, 0) << "no card, during a run";
  Found big;
  EXPECT_EQ(GetFileSystemType(nullptr, &entry, 1024, &big.notFormatted, big.sector0.data(), &big.isMbr, big.boot.data(),
                              &big.volumeStart, &big.fileSystem),
            0)
      << "more than a sector would overrun the buffers";
}

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

// Windows NT4 has no vwin32: a floppy's sectors come through its volume handle, as on 2000 and
// XP, or a used-space backup of A: finds no file system.
class FloppyFileSystemNt4 : public test_support::MachineDeviceTest {};

TEST_F(FloppyFileSystemNt4, ReadThroughTheVolumeHandle) {
  test_support::WriteImage("fs-nt4-floppy.img", test_support::FormattedVolume(12, 2880));
  Start(R"({ "version": 1, "windows": "nt4", "readers": [ { "bus": "floppy", "letter": "A", "card":
          { "kind": "floppy", "image": "fs-nt4-floppy.img" } } ] })",
        kOsWindowsNt4);
  DeviceEntry entry;
  entry.driveLetter = 'A';
  entry.busKind = kBusFloppy;
  DriveHandle handle = OpenCardVolume('A');
  ASSERT_TRUE(handle.IsOpen());
  std::vector<win::BYTE> sector0(512, 0), boot(512, 0);
  win::BYTE notFormatted = 0, isMbr = 0, fileSystem = 0;
  win::DWORD volumeStart = 0;
  EXPECT_EQ(GetFileSystemType(handle.get(), &entry, 512, &notFormatted, sector0.data(), &isMbr, boot.data(),
                              &volumeStart, &fileSystem),
            1);
  EXPECT_EQ(fileSystem, kFat12);
}

}  // namespace
}  // namespace tarnlok

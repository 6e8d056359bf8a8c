// Volume and physical-drive handles: addressing, the partition table read again at dismount,
// unlock and last close, sharing and lock conflicts, the disk queries and their errors.
#include "platform/machine/testing/machine_testing.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using test_support::OpenDevice;
using test_support::SectorMark;
using test_support::SendScsi;

constexpr std::uint32_t kSectors = 4096;
constexpr std::uint32_t kPartitionStart = 32;
const win::DWORD kReadWrite = win::GENERIC_READ | win::GENERIC_WRITE;
const win::DWORD kShareAll = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

class CardHandleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = test_support::WriteNumberedImage("cf.img", kSectors);
    test_support::WriteMbr(image_, kPartitionStart, kSectors - kPartitionStart);
    test_support::WriteNumberedImage("a.img", 2880);
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"readers":[
      {"maker":true,"letter":"E","card":{"kind":"cf","image":"cf.img","sectors":4096,
                                          "faults":[{"op":"read","sector":100,"times":"always"}]}},
      {"maker":true,"letter":"F"},
      {"bus":"floppy","letter":"A","card":{"kind":"floppy","image":"a.img"}}]})"));
    machine_->Install();
  }

  // Reads sectors at a byte offset through ReadFile; the last error stays for the caller.
  static bool ReadAt(win::HANDLE handle, std::uint64_t offset, std::vector<std::uint8_t>& data) {
    win::LONG high = static_cast<win::LONG>(offset >> 32);
    win::SetFilePointer(handle, static_cast<win::LONG>(offset & 0xFFFFFFFF), &high, win::FILE_BEGIN);
    win::DWORD moved = 0;
    return win::ReadFile(handle, data.data(), static_cast<win::DWORD>(data.size()), &moved, nullptr) != win::FALSE &&
           moved == data.size();
  }

  static std::uint32_t MarkAt(win::HANDLE handle, std::uint64_t sector) {
    std::vector<std::uint8_t> data(512);
    EXPECT_TRUE(ReadAt(handle, sector * 512, data));
    return SectorMark(data);
  }

  static bool Control(win::HANDLE handle, win::DWORD code, std::vector<std::uint8_t>& output,
                      std::vector<std::uint8_t> input = {}) {
    win::DWORD returned = 0;
    const bool ok =
        win::DeviceIoControl(handle, code, input.empty() ? nullptr : input.data(),
                             static_cast<win::DWORD>(input.size()), output.empty() ? nullptr : output.data(),
                             static_cast<win::DWORD>(output.size()), &returned, nullptr) != win::FALSE;
    output.resize(ok ? returned : output.size());
    return ok;
  }

  static bool Fsctl(win::HANDLE handle, win::DWORD code) {
    std::vector<std::uint8_t> none;
    return Control(handle, code, none);
  }

  std::filesystem::path image_;
  std::unique_ptr<Machine> machine_;
};

TEST_F(CardHandleTest, VolumeCountsFromThePartitionAndTheDriveFromTheCard) {
  const auto volume = OpenDevice("E:");
  const auto drive = OpenDevice("PhysicalDrive1");
  ASSERT_NE(drive, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(MarkAt(volume, 0), kPartitionStart);
  EXPECT_EQ(MarkAt(volume, 7), kPartitionStart + 7);
  EXPECT_EQ(MarkAt(drive, 7), 7U);
  // READ(10) on the volume handle addresses the card, as the disk below it does.
  EXPECT_EQ(SectorMark(SendScsi(volume, {0x28, 0, 0, 0, 0, 7, 0, 0, 1, 0}, 512).data), 7U);

  std::vector<std::uint8_t> sector(512, 0x3C);
  win::SetFilePointer(volume, 512, nullptr, win::FILE_BEGIN);
  win::DWORD moved = 0;
  ASSERT_TRUE(win::WriteFile(volume, sector.data(), 512, &moved, nullptr));
  EXPECT_EQ(SendScsi(drive, {0x28, 0, 0, 0, 0, kPartitionStart + 1, 0, 0, 1, 0}, 512).data, sector);
  win::CloseHandle(volume);
  win::CloseHandle(drive);
}

TEST_F(CardHandleTest, SuperfloppyAndUnpartitionedCardsStartAtSectorZero) {
  std::vector<std::uint8_t> boot(512, 0);
  boot[0] = 0xEB;
  boot[1] = 0x3C;
  boot[2] = 0x90;
  win::WriteLe16(boot, 11, 512);
  boot[13] = 4;
  win::WriteLe16(boot, 14, 1);
  boot[16] = 2;
  win::WriteLe16(boot, 510, 0xAA55);
  std::fstream(image_, std::ios::binary | std::ios::in | std::ios::out)
      .write(reinterpret_cast<const char*>(boot.data()), 512);
  const auto volume = OpenDevice("E:");
  ASSERT_TRUE(Fsctl(volume, win::FSCTL_DISMOUNT_VOLUME));
  EXPECT_EQ(MarkAt(volume, 5), 5U);
  std::vector<std::uint8_t> number(12);
  ASSERT_TRUE(Control(volume, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, number));
  EXPECT_EQ(win::ReadLe32(number, 8), 0U);  // no partition

  std::fill(boot.begin(), boot.end(), 0);  // neither boot sector nor partition table
  std::fstream(image_, std::ios::binary | std::ios::in | std::ios::out)
      .write(reinterpret_cast<const char*>(boot.data()), 512);
  ASSERT_TRUE(Fsctl(volume, win::FSCTL_DISMOUNT_VOLUME));
  EXPECT_EQ(MarkAt(volume, 5), 5U);
  std::vector<std::uint8_t> partition(32);
  ASSERT_TRUE(Control(volume, win::IOCTL_DISK_GET_PARTITION_INFO, partition));
  EXPECT_EQ(win::ReadLe32(partition, 8), kSectors * 512);
  win::CloseHandle(volume);
}

TEST_F(CardHandleTest, TransfersMustBeWholeSectorsInsideTheVolume) {
  const auto volume = OpenDevice("E:");
  std::vector<std::uint8_t> data(512);
  EXPECT_FALSE(ReadAt(volume, 100, data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
  std::vector<std::uint8_t> odd(100);
  EXPECT_FALSE(ReadAt(volume, 0, odd));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(ReadAt(volume, std::uint64_t{kSectors - kPartitionStart} * 512, data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_SECTOR_NOT_FOUND);
  EXPECT_FALSE(ReadAt(volume, (100 - kPartitionStart) * 512, data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_CRC);
  win::DWORD moved = 7;
  EXPECT_TRUE(win::ReadFile(volume, data.data(), 0, &moved, nullptr));
  EXPECT_EQ(moved, 0U);
  win::CloseHandle(volume);
}

TEST_F(CardHandleTest, PartitionTableIsReadAgainOnlyAtDismountUnlockAndLastClose) {
  const auto volume = OpenDevice("E:");
  ASSERT_TRUE(Fsctl(volume, win::FSCTL_LOCK_VOLUME));
  test_support::WriteMbr(image_, 64, kSectors - 64);
  EXPECT_EQ(MarkAt(volume, 0), kPartitionStart);  // the system has not looked yet
  EXPECT_TRUE(Fsctl(volume, win::FSCTL_DISMOUNT_VOLUME));
  EXPECT_EQ(MarkAt(volume, 0), 64U);
  test_support::WriteMbr(image_, 128, kSectors - 128);
  EXPECT_TRUE(Fsctl(volume, win::FSCTL_UNLOCK_VOLUME));
  EXPECT_EQ(MarkAt(volume, 0), 128U);
  test_support::WriteMbr(image_, 256, kSectors - 256);
  EXPECT_EQ(MarkAt(volume, 0), 128U);
  win::CloseHandle(volume);
  const auto again = OpenDevice("E:");
  EXPECT_EQ(MarkAt(again, 0), 256U);
  win::CloseHandle(again);
}

TEST_F(CardHandleTest, LockNeedsTheOnlyHandleAndShutsOthersOut) {
  const auto first = OpenDevice("E:");
  const auto second = OpenDevice("E:");
  EXPECT_FALSE(Fsctl(first, win::FSCTL_LOCK_VOLUME));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  win::CloseHandle(second);
  const auto query = OpenDevice("E:", 0);  // a handle for queries only does not stand in the way
  ASSERT_TRUE(Fsctl(first, win::FSCTL_LOCK_VOLUME));
  EXPECT_FALSE(Fsctl(first, win::FSCTL_LOCK_VOLUME));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);

  EXPECT_EQ(OpenDevice("E:"), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(Fsctl(query, win::FSCTL_UNLOCK_VOLUME));
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOT_LOCKED);
  EXPECT_FALSE(Fsctl(query, win::FSCTL_DISMOUNT_VOLUME));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  // The physical drive is a device object of its own.
  const auto drive = OpenDevice("PhysicalDrive1");
  EXPECT_NE(drive, win::INVALID_HANDLE_VALUE);
  win::CloseHandle(drive);

  win::CloseHandle(first);  // closing the locking handle gives the lock back
  const auto next = OpenDevice("E:");
  EXPECT_TRUE(Fsctl(query, win::FSCTL_UNLOCK_VOLUME) == false);
  win::CloseHandle(query);
  EXPECT_TRUE(Fsctl(next, win::FSCTL_LOCK_VOLUME));
  win::CloseHandle(next);
}

TEST_F(CardHandleTest, SharingFollowsTheOpenHandles) {
  const auto exclusive = OpenDevice("E:", kReadWrite, win::FILE_SHARE_READ);
  EXPECT_EQ(OpenDevice("E:", kReadWrite, kShareAll), win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_SHARING_VIOLATION);
  const auto reader = OpenDevice("E:", win::GENERIC_READ, kShareAll);
  EXPECT_NE(reader, win::INVALID_HANDLE_VALUE);
  win::CloseHandle(reader);
  win::CloseHandle(exclusive);
}

TEST_F(CardHandleTest, AccessRightsDecideReadsWritesAndQueries) {
  const auto writeOnly = OpenDevice("E:", win::GENERIC_WRITE);
  std::vector<std::uint8_t> data(512);
  EXPECT_FALSE(ReadAt(writeOnly, 0, data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  std::vector<std::uint8_t> partition(32);
  EXPECT_FALSE(Control(writeOnly, win::IOCTL_DISK_GET_PARTITION_INFO, partition));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  std::vector<std::uint8_t> geometry(24);
  EXPECT_TRUE(Control(writeOnly, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, geometry));
  win::CloseHandle(writeOnly);

  machine_->SetWriteProtected('E', true);
  const auto volume = OpenDevice("E:");
  win::DWORD moved = 0;
  EXPECT_FALSE(win::WriteFile(volume, data.data(), 512, &moved, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_WRITE_PROTECT);
  win::CloseHandle(volume);
}

TEST_F(CardHandleTest, EmptyReaderOpensButHasNoMedium) {
  const auto empty = OpenDevice("F:");
  ASSERT_NE(empty, win::INVALID_HANDLE_VALUE);
  std::vector<std::uint8_t> data(512);
  EXPECT_FALSE(ReadAt(empty, 0, data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOT_READY);
  std::vector<std::uint8_t> geometry(24);
  EXPECT_FALSE(Control(empty, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, geometry));
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOT_READY);
  std::vector<std::uint8_t> number(12);
  EXPECT_TRUE(Control(empty, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, number));
  EXPECT_EQ(win::ReadLe32(number, 4), 2U);
  win::CloseHandle(empty);
}

TEST_F(CardHandleTest, DeviceNumberLeadsToThePhysicalDrive) {
  const auto volume = OpenDevice("E:");
  std::vector<std::uint8_t> number(12);
  ASSERT_TRUE(Control(volume, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, number));
  EXPECT_EQ(win::ReadLe32(number, 0), 7U);  // FILE_DEVICE_DISK
  EXPECT_EQ(win::ReadLe32(number, 8), 1U);  // the first partition
  const auto drive = OpenDevice("PhysicalDrive" + std::to_string(win::ReadLe32(number, 4)));
  std::vector<std::uint8_t> driveNumber(12);
  ASSERT_TRUE(Control(drive, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, driveNumber));
  EXPECT_EQ(win::ReadLe32(driveNumber, 4), win::ReadLe32(number, 4));
  EXPECT_EQ(win::ReadLe32(driveNumber, 8), 0U);
  std::vector<std::uint8_t> tooSmall(8);
  EXPECT_FALSE(Control(volume, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, tooSmall));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  const auto floppy = OpenDevice("A:");
  EXPECT_FALSE(Control(floppy, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, number));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_FUNCTION);
  for (const auto handle : {volume, drive, floppy}) win::CloseHandle(handle);
}

TEST_F(CardHandleTest, GeometryAndPartitionInformation) {
  const auto volume = OpenDevice("E:");
  std::vector<std::uint8_t> geometry(24);
  ASSERT_TRUE(Control(volume, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, geometry));
  EXPECT_EQ(win::ReadLe32(geometry, 0), kSectors / (255 * 63));
  EXPECT_EQ(win::ReadLe32(geometry, 8), 11U);  // RemovableMedia
  EXPECT_EQ(win::ReadLe32(geometry, 12), 255U);
  EXPECT_EQ(win::ReadLe32(geometry, 16), 63U);
  EXPECT_EQ(win::ReadLe32(geometry, 20), 512U);

  std::vector<std::uint8_t> partition(32);
  ASSERT_TRUE(Control(volume, win::IOCTL_DISK_GET_PARTITION_INFO, partition));
  EXPECT_EQ(win::ReadLe32(partition, 0), kPartitionStart * 512);
  EXPECT_EQ(win::ReadLe32(partition, 8), (kSectors - kPartitionStart) * 512);
  EXPECT_EQ(win::ReadLe32(partition, 16), kPartitionStart);
  EXPECT_EQ(partition[24], 0x06);
  const auto drive = OpenDevice("PhysicalDrive1");
  std::vector<std::uint8_t> whole(32);
  ASSERT_TRUE(Control(drive, win::IOCTL_DISK_GET_PARTITION_INFO, whole));
  EXPECT_EQ(win::ReadLe32(whole, 0), 0U);
  EXPECT_EQ(win::ReadLe32(whole, 8), kSectors * 512);

  const auto floppy = OpenDevice("A:");
  ASSERT_TRUE(Control(floppy, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, geometry));
  EXPECT_EQ(win::ReadLe32(geometry, 0), 80U);
  EXPECT_EQ(win::ReadLe32(geometry, 8), 2U);  // F3_1Pt44_512
  EXPECT_EQ(win::ReadLe32(geometry, 12), 2U);
  EXPECT_EQ(win::ReadLe32(geometry, 16), 18U);
  for (const auto handle : {volume, drive, floppy}) win::CloseHandle(handle);
}

// A disk's size is taken from its cylinders: every sector of an LS-120 disk must lie in one.
class DiskDriveGeometry : public CardHandleTest {
 protected:
  void SetUp() override {
    test_support::WriteNumberedImage("ls.img", 65536);
    test_support::WriteNumberedImage("small.img", 2880);
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"readers":[
      {"bus":"ls120","letter":"A","card":{"kind":"floppy","image":"ls.img","sectors":65536}},
      {"bus":"ls120","letter":"B","card":{"kind":"floppy","image":"small.img","sectors":2880}}]})"));
    machine_->Install();
  }
};

TEST_F(DiskDriveGeometry, CoversEveryLs120Sector) {
  std::vector<std::uint8_t> geometry(24);
  const auto ls120 = OpenDevice("A:");
  ASSERT_TRUE(Control(ls120, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, geometry));
  const std::uint64_t cylinders = win::ReadLe32(geometry, 0);
  EXPECT_EQ(cylinders * win::ReadLe32(geometry, 12) * win::ReadLe32(geometry, 16), 65536U);
  const auto floppy = OpenDevice("B:");
  ASSERT_TRUE(Control(floppy, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, geometry));
  EXPECT_EQ(win::ReadLe32(geometry, 0), 80U);
  EXPECT_EQ(win::ReadLe32(geometry, 8), 2U);  // F3_1Pt44_512
  EXPECT_EQ(win::ReadLe32(geometry, 12), 2U);
  EXPECT_EQ(win::ReadLe32(geometry, 16), 18U);
  for (const auto handle : {ls120, floppy}) win::CloseHandle(handle);
}

TEST_F(CardHandleTest, StorageQueryGivesBusTypeAndTexts) {
  const auto volume = OpenDevice("E:", 0);
  std::vector<std::uint8_t> query(12, 0);
  std::vector<std::uint8_t> descriptor(76);
  ASSERT_TRUE(Control(volume, win::IOCTL_STORAGE_QUERY_PROPERTY, descriptor, query));
  ASSERT_EQ(descriptor.size(), 76U);
  EXPECT_GT(win::ReadLe32(descriptor, 4), 76U);  // the whole descriptor is longer
  EXPECT_EQ(descriptor[10], 1);  // removable
  EXPECT_EQ(win::ReadLe32(descriptor, 28), 7U);  // BusTypeUsb
  EXPECT_EQ(std::string(descriptor.begin() + 44, descriptor.begin() + 52), "Kestro  ");
  EXPECT_EQ(std::string(descriptor.begin() + 52, descriptor.begin() + 55), "CF ");

  std::vector<std::uint8_t> whole(512);
  ASSERT_TRUE(Control(volume, win::IOCTL_STORAGE_QUERY_PROPERTY, whole, query));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&whole[win::ReadLe32(whole, 12)])), "Kestro  ");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&whole[win::ReadLe32(whole, 20)])), "1.00");

  std::vector<std::uint8_t> header(4);
  EXPECT_FALSE(Control(volume, win::IOCTL_STORAGE_QUERY_PROPERTY, header, query));
  EXPECT_EQ(win::GetLastError(), win::ERROR_BAD_LENGTH);
  std::vector<std::uint8_t> exists(0);
  EXPECT_TRUE(Control(volume, win::IOCTL_STORAGE_QUERY_PROPERTY, exists, {0, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_FALSE(Control(volume, win::IOCTL_STORAGE_QUERY_PROPERTY, descriptor, {1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(Control(volume, win::IOCTL_STORAGE_QUERY_PROPERTY, descriptor, {0, 0, 0}));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);

  win::SetWindowsVersion(win::WindowsVersion::Nt4);
  EXPECT_FALSE(Control(volume, win::IOCTL_STORAGE_QUERY_PROPERTY, descriptor, query));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_FUNCTION);
  win::CloseHandle(volume);
}

TEST_F(CardHandleTest, CardPulledMidRunAndPutBack) {
  const auto volume = OpenDevice("E:");
  EXPECT_EQ(MarkAt(volume, 3), kPartitionStart + 3);
  machine_->RemoveCard('E');
  std::vector<std::uint8_t> data(512);
  EXPECT_FALSE(ReadAt(volume, 3 * 512, data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOT_READY);
  EXPECT_EQ(SendScsi(volume, {0, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED).SenseKey(), 0x02);
  CardDescription card = machine_->Description().readers[0].card;
  card.faults.clear();
  machine_->InsertCard('E', card);
  EXPECT_EQ(MarkAt(volume, 3), kPartitionStart + 3);
  win::CloseHandle(volume);
}

}  // namespace
}  // namespace machine

// Sector transfers on the NT family's device handles and through vwin32 on Windows 9x, against
// the card image itself.
#include "formatlib/fat/sector_transfer.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/os_platform_class.h"
#include "formatlib/testing/fat_checks.h"
#include "formatlib/testing/flash_machine.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <array>

namespace pradvik {
namespace {

using test_support::InstalledMachine;
using test_support::PlainCard;
using test_support::PlainCardMachine;
using test_support::ReadCardSector;

win::HANDLE OpenDevice(const char* path) {
  return win::CreateFileA(path, win::GENERIC_READ | win::GENERIC_WRITE, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                          nullptr, win::OPEN_EXISTING, 0, nullptr);
}

std::array<std::uint8_t, 1024> Pattern() {
  std::array<std::uint8_t, 1024> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

TEST(SectorTransferTest, SectorsBeyondFourGibibytesReachTheirPlace) {
  constexpr std::uint32_t kFar = 8388650;  // past 8388607: the byte offset needs 64 bits
  PlainCard card{"cf", 8388700};
  card.maker = false;
  InstalledMachine machine(PlainCardMachine(card, "far.img"));
  GetOsPlatformClass();
  const win::HANDLE drive = OpenDevice("\\\\.\\PhysicalDrive1");
  ASSERT_NE(drive, win::INVALID_HANDLE_VALUE);
  auto written = Pattern();
  EXPECT_EQ(TransferSectors({drive, kFar, 2, written.data(), kTransferWrite}), 0u);
  std::array<std::uint8_t, 1024> read{};
  EXPECT_EQ(TransferSectors({drive, kFar, 2, read.data(), kTransferRead}), 0u);
  EXPECT_EQ(read, written);
  const auto onCard = ReadCardSector("far.img", kFar + 1);
  EXPECT_TRUE(std::equal(onCard.begin(), onCard.end(), written.begin() + 512));
  // Nothing moved is a failure, and so is a handle that names nothing.
  EXPECT_EQ(TransferSectors({drive, kFar, 0, read.data(), kTransferRead}), 1u);
  EXPECT_EQ(TransferSectors({nullptr, 0, 1, read.data(), kTransferRead}), 1u);
  EXPECT_EQ(TransferSectors({win::INVALID_HANDLE_VALUE, 0, 1, read.data(), kTransferRead}), 1u);
  win::CloseHandle(drive);
}

TEST(SectorTransferTest, Windows9xGoesThroughVwin32ForTheStoredDrive) {
  PlainCard card{"floppy", 2880, "floppy"};
  card.windows = "98";
  InstalledMachine machine(PlainCardMachine(card, "vwin32.img"));
  GetOsPlatformClass();
  LibraryState().driveIndex = 0;
  const win::HANDLE vwin32 =
      win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, win::OPEN_EXISTING, win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(vwin32, win::INVALID_HANDLE_VALUE);
  auto written = Pattern();
  EXPECT_EQ(TransferSectors({vwin32, 100, 2, written.data(), kTransferWrite}), 0u);
  const auto onCard = ReadCardSector("vwin32.img", 100);
  EXPECT_TRUE(std::equal(onCard.begin(), onCard.end(), written.begin()));
  std::array<std::uint8_t, 1024> read{};
  EXPECT_EQ(TransferSectors({vwin32, 100, 2, read.data(), kTransferRead}), 0u);
  EXPECT_EQ(read, written);
  // A drive with no reader behind it (Q:).
  LibraryState().driveIndex = 'Q' - 'A';
  EXPECT_EQ(TransferSectors({vwin32, 100, 1, read.data(), kTransferRead}), 1u);
  win::CloseHandle(vwin32);
}

}  // namespace
}  // namespace pradvik

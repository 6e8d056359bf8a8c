// The command layer on the machine: the OS kind, the block forms, the prompt answers in force,
// and the failures that must not pass for success.
#include "formatlib/command/ata_command.h"
#include "formatlib/command/explorer_windows.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/os_platform_class.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/vendor_block.h"
#include "formatlib/command/volume_handle.h"
#include "formatlib/testing/flash_machine.h"

#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/registry/registry.h"

#include <gtest/gtest.h>

#include <array>

namespace pradvik {
namespace {

std::string OneReader(const std::string& windows, const std::string& bus = "usb") {
  return R"({"version":1,"windows":")" + windows + R"(","readers":[{"maker":true,"firmware":"newer","bus":")" + bus +
         R"(","letter":"F","card":{"kind":"sm","image":"c-)" + windows + bus + R"(.img","deviceCode":115}}]})";
}

TEST(CommandLayer, TheLibraryKindFollowsTheWindowsVersion) {
  const std::pair<const char*, std::uint8_t> kinds[] = {{"95", 1},  {"95osr2", 2}, {"98", 3}, {"me", 4},
                                                        {"nt4", 5}, {"2000", 6},   {"xp", 6}};
  for (const auto& [windows, kind] : kinds) {
    test_support::InstalledMachine machine(OneReader(windows));
    EXPECT_EQ(GetOsPlatformClass(), kind) << windows;
    EXPECT_EQ(LibraryState().osKind, kind);
  }
}

TEST(CommandLayer, TwelveByteBlocksCarryTheCommandInByteNine) {
  const VendorBlock newer{0x20, 0x83, 1, 2, 3, 4, 5, 6};
  std::array<std::uint8_t, 12> extended{};
  extended[8] = 6;
  ToExtendedCdb(extended, newer);
  EXPECT_EQ(extended, (std::array<std::uint8_t, 12>{0x20, 0, 1, 2, 3, 4, 5, 6, 6, 0x83, 0, 0}));
  EXPECT_EQ(SimpleVendorBlock(kKindSmartMedia, 0x84, 4), (VendorBlock{4, 0, 0, 0, 0, 0xB0, 0, 0x84}));
  EXPECT_EQ(SimpleVendorBlock(kKindNewerMemoryStick, 0x80), (VendorBlock{0x20, 0x80, 0, 0, 0, 0, 0, 0}));
}

TEST(CommandLayer, TaskFilesPackTheirAddresses) {
  const TaskFile lba = LbaTaskFile(0x10, 0x85, 0x0ABCDEF1, 1024, 0);
  EXPECT_EQ(lba.sectorCount, 2);
  EXPECT_EQ(lba.sectorNumber, 0xF1);
  EXPECT_EQ(lba.cylinderLow, 0xDE);
  EXPECT_EQ(lba.cylinderHigh, 0xBC);
  EXPECT_EQ(lba.driveHead, 0x40 | 0x0A | 0x10);
  // The write announcement keeps every bit of the logical block and the mark flag.
  const TaskFile announce = LbaTaskFile(0, 0x86, 64, 0, 0x4000 | 0x3E7);
  EXPECT_EQ(announce.features, 0xE7);
  EXPECT_EQ(announce.sectorCount, 0x43);
  const TaskFile stick = ChsTaskFile(0, 0x86, 0x1ABC, 0, 0x0123, 5);
  EXPECT_EQ(stick.features, 0xBC);
  EXPECT_EQ(stick.sectorNumber, 0x23);
  EXPECT_EQ(stick.cylinderLow, static_cast<std::uint8_t>(0x01 | ((0x1A & 0xF8) << 3)));
  EXPECT_EQ(stick.cylinderHigh, static_cast<std::uint8_t>(5 | (0x1A << 5)));
  const TaskFile erase = ChsTaskFile(0, 0x83, 8190, 0, 0x0102, 0x40);
  EXPECT_EQ(erase.sectorCount, 0x40);
  EXPECT_EQ(erase.cylinderLow, 0xFE);
  EXPECT_EQ(erase.cylinderHigh, 0x1F);
  EXPECT_EQ(erase.features, 0x02);
  EXPECT_EQ(erase.sectorNumber, 0x01);
}

class PromptAnswersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LibraryState().promptAnswer = kAnswerNone;
    LibraryState().preparedErrorText.clear();
  }
  void TearDown() override { LibraryState().promptAnswer = kAnswerNone; }
  test_support::InstalledMachine machine_{OneReader("xp")};
  ui::TestDriver driver_{[](const std::string& what) { ADD_FAILURE() << what; }};
};

// A vendor block the newer reader refuses (a sub-command below 0x80) fails as a command.
constexpr std::array<std::uint8_t, 8> kRefused{0x20, 0x10, 0, 0, 0, 0, 0, 0};

TEST_F(PromptAnswersTest, AnIgnoreAllInForceAnswersFailuresWithoutAPrompt) {
  const OwnedVolume volume(OpenVolume('F' - 'A'));
  ASSERT_TRUE(volume.IsOpen());
  std::array<std::uint8_t, 4> reply{};
  // No prepared text: the failure stands and nobody is asked.
  EXPECT_EQ(SendScsiCommand(volume.Get(), kRefused, reply.data(), 4, kDataIn), 0);
  LibraryState().preparedErrorText = "Write failed.";
  LibraryState().promptAnswer = kAnswerIgnoreAll;
  EXPECT_EQ(SendScsiCommand(volume.Get(), kRefused, reply.data(), 4, kDataIn), kAnswerIgnoreAll);
  const VendorBlock status = SimpleVendorBlock(kKindNewerSmartMedia, 0x80);
  EXPECT_EQ(SendScsiCommand(volume.Get(), status, reply.data(), 4, kDataIn), 1);
  EXPECT_EQ(driver_.Started().size(), 0U);
}

TEST_F(PromptAnswersTest, EscapeKeepsTheEarlierAnswer) {
  const OwnedVolume volume(OpenVolume('F' - 'A'));
  std::array<std::uint8_t, 4> reply{};
  LibraryState().preparedErrorText = "Write failed.";
  LibraryState().promptAnswer = kAnswerIgnore;
  driver_.OnDialog(1000, [this](ui::HWND) { driver_.Escape(); });
  EXPECT_EQ(SendScsiCommand(volume.Get(), kRefused, reply.data(), 4, kDataIn), kAnswerIgnore);
  EXPECT_EQ(driver_.Started(), (std::vector<int>{1000}));
}

TEST_F(PromptAnswersTest, AtaCommandsFailOnAnInvalidHandleAndRetryFailsThroughIde) {
  GetOsPlatformClass();
  EXPECT_EQ(SendAtaCommand(win::INVALID_HANDLE_VALUE, LbaTaskFile(0, 0x80, 0, 512, 0), nullptr, 0, kDataIn,
                           AtaPrompt::Silent),
            0);
  // A USB reader has no IDE road: the call fails, whatever its command byte says.
  const OwnedVolume volume(OpenVolume('F' - 'A'));
  std::array<std::uint8_t, 512> data{};
  EXPECT_EQ(
      SendIdeTaskFile(volume.Get(), LbaTaskFile(0, 0x80, 0, 512, 0), data.data(), 512, kDataIn, AtaPrompt::Silent), 0);
  LibraryState().preparedErrorText = "Read failed.";
  driver_.OnDialog(1000, [this](ui::HWND dialog) { driver_.Click(dialog, 1001); });
  EXPECT_EQ(SendIdeTaskFile(volume.Get(), LbaTaskFile(0, 0x80, 0, 512, 0), data.data(), 512, kDataIn, AtaPrompt::Ask),
            0);
  EXPECT_EQ(driver_.Started(), (std::vector<int>{1000}));
}

TEST(ExplorerWindows, MyComputerComesFromTheRegistryOrTheDefault) {
  test_support::InstalledMachine machine(OneReader("xp"));
  win::HKEY key = nullptr;
  ASSERT_EQ(
      win::RegCreateKeyExA(win::HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}",
                           0, nullptr, 0, win::KEY_ALL_ACCESS, nullptr, &key, nullptr),
      win::ERROR_SUCCESS);
  const char name[] = "Desk Computer";
  win::RegSetValueExA(key, nullptr, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(name), sizeof(name));
  win::RegCloseKey(key);
  GetMyComputerName();
  EXPECT_STREQ(LibraryState().myComputerName.data(), "Desk Computer");
  LookUpExplorerWindows(nullptr);
  EXPECT_EQ(LibraryState().pumpWindows[1], nullptr);
  EXPECT_EQ(LibraryState().pumpWindows[2], nullptr);
}

// A run steps once per sector written; the percent window hears of each new figure once.
struct PercentWindow {
  static ui::LRESULT Count(ui::HWND hwnd, ui::UINT message, ui::WPARAM wParam, ui::LPARAM lParam) {
    if (message == ui::WM_SETTEXT) ++settings;
    return reinterpret_cast<ui::WNDPROC>(staticProc)(hwnd, message, wParam, lParam);
  }
  static inline int settings = 0;
  static inline std::intptr_t staticProc = 0;
};

TEST(Progress, ThePercentTextIsSetOncePerFigure) {
  const ui::HWND percent = ui::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 40, 10, nullptr, nullptr, nullptr, nullptr);
  PercentWindow::staticProc = ui::GetWindowLongPtrA(percent, ui::GWLP_WNDPROC);
  ui::SetWindowLongPtrA(percent, ui::GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&PercentWindow::Count));
  LibraryState().progressPosition = 0;
  LibraryState().progressRange = 5000;
  for (int step = 0; step < 5000; ++step) StepProgress(nullptr, percent);
  std::array<char, 16> text{};
  ui::GetWindowTextA(percent, text.data(), static_cast<int>(text.size()));
  EXPECT_STREQ(text.data(), "100 %");
  EXPECT_EQ(PercentWindow::settings, 101) << "0 % to 100 %";
  ui::DestroyWindow(percent);
}

}  // namespace
}  // namespace pradvik

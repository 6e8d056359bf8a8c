// The program's start-up roads and its main window, run headless on described machines.
#include "device/device_state.h"
#include "device/testing/card_images.h"
#include "device/testing/device_test_support.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/dialogs/dialog_template.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/file_mapping.h"
#include "platform/win/files/paths.h"
#include "platform/win/registry/registry.h"
#include "platform/win/system/shell_launch.h"
#include "controls/control_ids.h"
#include "shell/main_app.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "controls/settings_key.h"
#include "controls/shell_state.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace tarnlok {
namespace {

std::string NoReaders() { return R"({ "version": 1, "windows": "xp", "readers": [] })"; }

std::optional<int> StartByte() {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath().c_str(), 0, win::KEY_ALL_ACCESS, &key) != 0) {
    return std::nullopt;
  }
  win::BYTE start = 0xEE;
  win::DWORD size = 1;
  const bool found = win::RegQueryValueExA(key, kStartValue, nullptr, nullptr, &start, &size) == 0;
  win::RegCloseKey(key);
  if (!found) return std::nullopt;
  return start;
}

using Startup = test_support::ProgramTest;
using test_support::HideNotes;
using test_support::ItemText;

TEST_F(Startup, ASecondCopyEndsSilentlyWithoutAnyWindow) {
  Start(test_support::TwoReaders("xp"));
  const win::HANDLE other =
      win::CreateFileMappingA(win::INVALID_HANDLE_VALUE, nullptr, win::PAGE_READWRITE, 0, 4, "Tarnlok V2");
  auto* counter = static_cast<win::DWORD*>(win::MapViewOfFile(other, win::FILE_MAP_WRITE, 0, 0, 4));
  *counter = 1;
  Run();
  EXPECT_TRUE(driver.Started().empty()) << "no notes, no main window";
  EXPECT_TRUE(prompter.Asked().empty());
  EXPECT_EQ(InstanceMapping, nullptr);
  win::UnmapViewOfFile(counter);
  win::CloseHandle(other);
}

TEST_F(Startup, NotesShowWithoutTheStartValueAndContinueStoresTheCheckBox) {
  Start(NoReaders());
  prompter.AnswerMessageBox(ui::IDOK, "No device connected in the system.");
  driver.OnDialog(kStartupNotesTemplate, [&](ui::HWND notes) {
    EXPECT_EQ(ItemText(notes, startup_notes::kHideCheck), "Hide this dialog during next start up");
    driver.SetCheck(notes, startup_notes::kHideCheck, true);
    driver.Click(notes, ui::IDOK);
  });
  Run();
  EXPECT_EQ(driver.Started(), std::vector<int>{kStartupNotesTemplate});
  EXPECT_EQ(StartByte(), 1);
}

// The pointer lights the link on its way to a click; the link cannot be opened, its message is
// answered, and the next click on Continue continues instead of going to the link again.
TEST_F(Startup, AfterTheLinksMessageContinueContinues) {
  Start(NoReaders());
  win::SetShellLauncher([](const win::ShellLaunch&) { return false; });
  prompter.AnswerMessageBox(ui::IDOK, "Can't open link");
  prompter.AnswerMessageBox(ui::IDOK, "No device connected in the system.");
  driver.OnDialog(kStartupNotesTemplate, [&](ui::HWND notes) {
    ui::RECT link{};
    ui::GetWindowRect(ui::GetDlgItem(notes, startup_notes::kWebLink), &link);
    ui::POINT over{(link.left + link.right) / 2, (link.top + link.bottom) / 2};
    ui::ScreenToClient(notes, &over);
    ui::RouteMouse(notes, ui::WM_MOUSEMOVE, over, 0);
    EXPECT_TRUE(driver.Click(notes, startup_notes::kWebLink));
    driver.WhenIdle([&, notes] { EXPECT_TRUE(driver.Click(notes, ui::IDOK)); });
  });
  Run();
  win::SetShellLauncher({});
  EXPECT_EQ(StartByte(), 0) << "Continue stored the unchecked box";
  EXPECT_EQ(prompter.Unanswered(), 0U);
}

TEST_F(Startup, ContinueUncheckedStoresZeroAndEscapeStoresNothing) {
  Start(NoReaders());
  prompter.AnswerMessageBox(ui::IDOK, "No device connected");
  driver.OnDialog(kStartupNotesTemplate, [&](ui::HWND notes) { driver.Click(notes, ui::IDOK); });
  Run();
  EXPECT_EQ(StartByte(), 0);
}

TEST_F(Startup, EscapeOnTheNotesTouchesNoRegistry) {
  Start(NoReaders());
  prompter.AnswerMessageBox(ui::IDOK, "No device connected");
  driver.OnDialog(kStartupNotesTemplate, [&](ui::HWND) { driver.Escape(); });
  Run();
  EXPECT_EQ(StartByte(), std::nullopt);
}

TEST_F(Startup, NoDeviceGivesMessage108AndNoMainWindow) {
  Start(NoReaders());
  HideNotes();
  prompter.AnswerMessageBox(ui::IDOK, "No device connected in the system.");
  Run();
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].type & ui::MB_ICONMASK, ui::MB_ICONINFORMATION);
  EXPECT_TRUE(driver.Started().empty());
}

TEST_F(Startup, AMissingFormatLibraryGives57430AndReleasesTheGuard) {
  Start(test_support::TwoReaders("xp"));
  HideNotes();
  const auto library = win::HostPathOf("C:\\Program Files\\Tarnlok\\libPradvik2k.so");
  ASSERT_TRUE(library.has_value());
  std::filesystem::remove(*library);
  prompter.AnswerMessageBox(ui::IDOK, "Format Dll load failed. Quiting the application.");
  Run();
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].type & ui::MB_ICONMASK, ui::MB_ICONERROR);
  EXPECT_EQ(InstanceMapping, nullptr);
}

// Start-up on Windows 98 ends with one message when the card driver is missing
// (kStringDriverMissing), when its device chain request fails (kStringDriverCallFailed) and when
// it reports no device (kStringNoDeviceConnected).
class StartupOn98 : public Startup, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(StartupOn98, EndsWithTheDriversMessage) {
  const auto [driverState, message] = GetParam();
  Start(std::string(R"({ "version": 1, "windows": "98", "cardDriver": ")") + driverState + R"(", "readers": [] })");
  HideNotes();
  prompter.AnswerMessageBox(ui::IDOK, message);
  Run();
  EXPECT_EQ(prompter.Asked().size(), 1u);
  EXPECT_TRUE(driver.Started().empty());
}

INSTANTIATE_TEST_SUITE_P(CardDriver, StartupOn98,
                         ::testing::Values(std::pair{"missing", "Unable to load TARNLOK.VXD"},
                                           std::pair{"failing", "Device Control Call failed."},
                                           std::pair{"installed", "No device connected in the system."}));

TEST_F(Startup, MainWindowListsTheDevicesAndShowsTheSelectedOnesDetails) {
  Start(test_support::TwoReaders("xp"));
  HideNotes();
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    const ui::HWND list = ui::GetDlgItem(main, kDeviceListControl);
    ASSERT_EQ(ui::SendMessage(list, ui::LVM_GETITEMCOUNT, 0, 0), 2);
    ASSERT_NE(ActivePageHwnd, nullptr);
    EXPECT_EQ(CurrentPageCode, kInformationPageCode);
    EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kDrive), " E:\\");
    EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kDeviceName), " " + std::string(CurrentDevice->product));
    EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kLowLevelSupport), " No");
    EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kDeviceNameLabel), "Device Name:");
    driver.Select(main, kDeviceListControl, 1);
    driver.WhenIdle([&] {
      EXPECT_EQ(CurrentDevice->driveLetter, 'G');
      EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kDrive), " G:\\");
      EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kDeviceName), " " + std::string(CurrentDevice->product));
      driver.Escape();
    });
  });
  Run();
  EXPECT_EQ(driver.Started(), std::vector<int>{kMainTemplate});
}

// The splash window is 335 x 186 dialog units, its picture (control 175) over all of it.
TEST_F(Startup, TheSplashShowsItsPictureOverItsWholeSize) {
  Start(test_support::TwoReaders("xp"));
  HideNotes();
  ui::RECT client{}, picture{};
  bool seen = false;
  ui::SetMessageObserver([&](ui::HWND hwnd, ui::UINT message, ui::WPARAM, ui::LPARAM) {
    if (message != ui::WM_INITDIALOG || ui::DialogTemplateId(hwnd) != kSplashTemplate) return;
    seen = true;
    ui::GetClientRect(hwnd, &client);
    if (const ui::HWND shown = ui::GetDlgItem(hwnd, kSplashTemplate)) ui::GetClientRect(shown, &picture);
  });
  driver.OnDialog(kMainTemplate, [&](ui::HWND) { driver.Escape(); });
  Run();
  ui::SetMessageObserver({});
  ASSERT_TRUE(seen);
  EXPECT_EQ(client.Width(), ui::DialogUnitsToPixelsX(335));
  EXPECT_EQ(client.Height(), ui::DialogUnitsToPixelsY(186));
  EXPECT_EQ(picture, client) << "the picture covers the splash";
}

// The card leaves its reader while the program runs; selecting the reader again shows that it
// holds nothing, not the label of the card that was there.
TEST_F(Startup, ADeviceWhoseCardWasRemovedShowsNoMediaWithoutTheOldLabel) {
  Start(test_support::TwoReaders("xp", "HOLIDAY"));
  HideNotes();
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kVolumeLabel), " HOLIDAY");
    machine_->RemoveCard('E');
    driver.Select(main, kDeviceListControl, 1);
    driver.WhenIdle([&, main] { driver.Select(main, kDeviceListControl, 0); });
    driver.WhenIdle([&] {
      EXPECT_EQ(CurrentDevice->driveLetter, 'E');
      EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kCapacity), "  No Media");
      EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kVolumeLabel), " UNTITLED") << "no volume, so no label of its own";
      EXPECT_EQ(ItemText(ActivePageHwnd, info_page::kFileSystem), " ");
      driver.Escape();
    });
  });
  Run();
}

TEST_F(Startup, CloseWhileBusyIsIgnoredAndEndsTheProgramAfterwards) {
  Start(test_support::TwoReaders("xp"));
  HideNotes();
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    OperationBusy = 1;
    try {
      ui::SendMessage(main, ui::WM_CLOSE, 0, 0);
    } catch (const ui::ProcessExit&) {
      ADD_FAILURE() << "busy: the close must be ignored, not end the process";
      throw;
    }
    EXPECT_TRUE(ui::IsWindow(main)) << "busy: the close is ignored";
    OperationBusy = 0;
    ui::SendMessage(main, ui::WM_CLOSE, 0, 0);
    ADD_FAILURE() << "the close ends the process";
  });
  EXPECT_THROW(Run(), ui::ProcessExit);
}

}  // namespace
}  // namespace tarnlok

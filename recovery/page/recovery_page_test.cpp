// The Recovery page, its settings and media type dialogs and whole runs of Recover, in the
// whole program headless.
#include "recovery/page/media_size_dlg.h"
#include "recovery/page/recovery_settings.h"
#include "recovery/page/recv_page.h"
#include "recovery/page/recv_settings_dlg.h"

#include "operations/operation_test_support.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/controls/list_box.h"
#include "platform/win/files/files.h"
#include "platform/win/files/paths.h"
#include "platform/win/system/handle_table.h"
#include "recovery/file_types.h"
#include "controls/control_ids.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace tarnlok {
namespace {

using test_support::CloseMainWindow;
using test_support::ItemText;

bool Visible(ui::HWND dialog, int id) { return ui::IsWindowVisible(ui::GetDlgItem(dialog, id)) != 0; }
bool Enabled(ui::HWND dialog, int id) { return ui::IsWindowEnabled(ui::GetDlgItem(dialog, id)) != 0; }
bool Checked(ui::HWND dialog, int id) {
  return ui::SendMessage(ui::GetDlgItem(dialog, id), ui::BM_GETCHECK, 0, 0) == ui::BST_CHECKED;
}

CRecvPage& PageOf(ui::HWND page) { return *dynamic_cast<CRecvPage*>(ui::CWnd::FromHandlePermanent(page)); }

int RowOfDrive(char letter) {
  for (const DeviceEntry* entry = DeviceListHead; entry != nullptr; entry = entry->next)
    if (entry->driveLetter == letter) return entry->index;
  return -1;
}

std::set<std::string> FilesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  if (std::filesystem::exists(folder))
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      names.insert(entry.path().filename().string());
  return names;
}

class RecoveryPageTest : public test_support::ProgramTest {
 protected:
  void TearDown() override {
    TypeSelectionMask = 0;
    ProgramTest::TearDown();
  }

  // Runs action with the main window and the Recovery page once the main window is up.
  void OnRecoveryPage(std::function<void(ui::HWND main, ui::HWND page)> action) {
    test_support::HideNotes();
    driver.OnDialog(kMainTemplate, [action](ui::HWND main) {
      auto* window = dynamic_cast<CMainDlg*>(ui::CWnd::FromHandlePermanent(main));
      ASSERT_NE(window, nullptr);
      window->Sheet().SetActivePage(kRecoveryTab);
      action(main, window->Sheet().GetPage(kRecoveryTab)->m_hWnd);
    });
  }

  // Recovers from drive E, after `prepare` on the page, and closes the main window once the run
  // is over: a run that is refused leaves no operation busy and Recover live again.
  void RecoverFromEAndExpectItRefused(const std::function<void()>& prepare = [] {}) {
    OnRecoveryPage([&](ui::HWND main, ui::HWND page) {
      prepare();
      ASSERT_TRUE(driver.Select(main, kDeviceListControl, RowOfDrive('E')));
      ASSERT_TRUE(driver.Click(page, kRecoverButton));
      driver.WhenIdle([&, main, page] {
        EXPECT_EQ(OperationBusy, 0U);
        EXPECT_TRUE(Enabled(page, kRecoverButton));
        CloseMainWindow(main);
      });
    });
    Run();
  }

  // Keeps folder and prefix as the settings dialog does.
  std::filesystem::path UseOutputFolder(const std::string& name, bool allFiles = false) {
    const std::filesystem::path folder = test_support::TestDataHome() / name;
    std::filesystem::remove_all(folder);
    test_support::HideNotes();
    RecoveryChoices choices;
    choices.folder = win::WindowsPathOfHost(folder);
    choices.prefix = "REC";
    choices.typeSelection = recovery::kAllTypes;
    choices.restoreAllFiles = allFiles;
    SettingsKey key(true);
    StoreRecoveryChoices(choices, key);
    return folder;
  }
};

TEST_F(RecoveryPageTest, AtRestThePageShowsItsButtonsAndKeepsCancelAndTheListHidden) {
  Start(test_support::TwoReaders("xp"));
  OnRecoveryPage([&](ui::HWND main, ui::HWND page) {
    EXPECT_EQ(CurrentPageCode, kRecoveryPageCode);
    EXPECT_EQ(ActivePageHwnd, page);
    EXPECT_EQ(ItemText(page, kSectorLabel), "Analyzing Sector:");
    EXPECT_EQ(ItemText(page, kRecoveredLabel), "Recovered File(s):");
    EXPECT_EQ(ItemText(page, kRecoverButton), "&Recover");
    EXPECT_EQ(ItemText(page, kOptionsButton), "&Options");
    EXPECT_EQ(ItemText(page, kRecoveryHelpButton), "&Help");
    EXPECT_FALSE(Visible(page, kRecoveryCancelButton));
    EXPECT_FALSE(Visible(page, kResultsList));
    EXPECT_FALSE(Visible(page, kThroughputGauge));
    EXPECT_FALSE(Enabled(page, kSectorValue));

    // Cancel while nothing runs asks for nothing later.
    ui::SendMessage(page, ui::WM_COMMAND, kRecoveryCancelButton, 0);
    EXPECT_EQ(PageOf(page).PageCancel, 0);
    // A double click before any run opens nothing.
    ui::NMHDR click{ui::GetDlgItem(page, kResultsList), static_cast<std::uintptr_t>(kResultsList), ui::NM_DBLCLK};
    ui::SendMessage(page, ui::WM_NOTIFY, kResultsList, reinterpret_cast<ui::LPARAM>(&click));

    // The gauge shows a new highest rate as half its scale.
    CRecvPage& recovery = PageOf(page);
    recovery.ShowThroughput(2, 2000);
    EXPECT_EQ(recovery.GaugeMax, 120000U);
    EXPECT_EQ(ui::SendMessage(ui::GetDlgItem(page, kThroughputGauge), ui::PBM_GETPOS, 0, 0), 50);
    EXPECT_EQ(ItemText(page, kThroughputText), "58 KB/Min");
    recovery.ShowThroughput(1, 500);
    EXPECT_EQ(ui::SendMessage(ui::GetDlgItem(page, kThroughputGauge), ui::PBM_GETPOS, 0, 0), 25);
    recovery.ShowThroughput(0, 500);
    EXPECT_EQ(ItemText(page, kThroughputText), "29 KB/Min") << "nothing shown for no time";
    CloseMainWindow(main);
  });
  Run();
}

TEST_F(RecoveryPageTest, OptionsShowTheStoredChoicesAndOkKeepsThemInTheRegistry) {
  Start(test_support::TwoReaders("xp"));
  const std::filesystem::path out = test_support::TestDataHome() / "chosen";
  std::filesystem::remove_all(out);
  OnRecoveryPage([&](ui::HWND, ui::HWND page) { EXPECT_TRUE(driver.Click(page, kOptionsButton)); });
  prompter.AnswerMessageBox(ui::IDOK, "You have NOT selected any file type");
  driver.OnDialog(kRecvSettingsTemplate, [&](ui::HWND dialog) {
    EXPECT_EQ(test_support::WindowText(dialog), " Options");
    // A key that holds only START: the dialog's own defaults for a present key.
    EXPECT_TRUE(Checked(dialog, kThumbnailCheck));
    EXPECT_TRUE(Checked(dialog, kSectorZeroCheck));
    EXPECT_TRUE(Checked(dialog, kAllFilesChoice));
    EXPECT_TRUE(Checked(dialog, kScanSelectedChoice));
    EXPECT_TRUE(Enabled(dialog, kFileTypeListControl));
    EXPECT_EQ(ItemText(dialog, kFolderEdit), "C:\\Recover");
    EXPECT_EQ(ItemText(dialog, kPrefixEdit), "TLK");
    auto& list =
        *dynamic_cast<CFileTypeList*>(ui::CWnd::FromHandlePermanent(ui::GetDlgItem(dialog, kFileTypeListControl)));
    EXPECT_EQ(list.GetItemCount(), recovery::kTypeCount);
    EXPECT_EQ(list.GetItemText(10, 0), "JPG");
    EXPECT_EQ(list.GetItemText(10, 1), "Joint Photographic Experts Group file format");
    EXPECT_EQ(list.CheckedMask(), recovery::kAllTypes);

    EXPECT_TRUE(driver.SetCheck(dialog, kScanAllChoice, true));
    driver.WhenIdle([&, dialog, &list = list] {
      EXPECT_FALSE(Enabled(dialog, kFileTypeListControl));
      EXPECT_FALSE(Enabled(dialog, kClearAllButton));
      EXPECT_TRUE(driver.SetCheck(dialog, kScanSelectedChoice, true));
      driver.WhenIdle([&, dialog] {
        EXPECT_TRUE(Enabled(dialog, kFileTypeListControl));
        EXPECT_EQ(list.CheckedMask(), recovery::kAllTypes) << "rows stay checked";
        EXPECT_TRUE(driver.Click(dialog, kClearAllButton));
        EXPECT_TRUE(driver.Click(dialog, ui::IDOK)) << "no type chosen: the dialog stays";
        driver.WhenIdle([&, dialog] {
          list.SetCheck(recovery::kJpg);
          list.SetCheck(recovery::kPng);
          ui::SetDlgItemTextA(dialog, kFolderEdit, win::WindowsPathOfHost(out).c_str());
          ui::SetDlgItemTextA(dialog, kPrefixEdit, "CARD");
          EXPECT_TRUE(driver.SetCheck(dialog, kThumbnailCheck, false));
          EXPECT_TRUE(driver.SetCheck(dialog, kDeletedOnlyChoice, true));
          EXPECT_TRUE(driver.Click(dialog, ui::IDOK));
          driver.WhenIdle([&] { CloseMainWindow(ui::AfxGetMainWnd()->m_hWnd); });
        });
      });
    });
  });
  Run();
  EXPECT_TRUE(std::filesystem::is_directory(out)) << "OK makes the folder";
  EXPECT_TRUE(std::filesystem::is_empty(out)) << "the test file is gone";
  EXPECT_EQ(TypeSelectionMask, recovery::TypeBit(recovery::kJpg) | recovery::TypeBit(recovery::kPng));
  const SettingsKey key;
  EXPECT_EQ(key.ReadText(kDefaultFolderValue), win::WindowsPathOfHost(out));
  EXPECT_EQ(key.ReadText(kDefaultFileValue), "CARD");
  EXPECT_EQ(key.ReadByte("JPG"), 1);
  EXPECT_EQ(key.ReadByte("GIF"), 0);
  EXPECT_EQ(key.ReadByte(kShowThumbNailValue), 0);
  EXPECT_EQ(key.ReadByte(kRestoreAllFilesValue), 0);
  EXPECT_EQ(key.ReadByte(kScanFileValue), 0);
  EXPECT_EQ(key.ReadByte(kAlwaysZeroValue), 1);
}

TEST_F(RecoveryPageTest, TheMediaTypeDialogTurnsARowIntoAGeometry) {
  Start(test_support::TwoReaders("xp"));
  MediaSizeBlockCount = 0;
  MediaSizePagesPerBlock = 0;
  OnRecoveryPage([&](ui::HWND main, ui::HWND page) {
    driver.OnDialog(kMediaSizeTemplate, [&](ui::HWND dialog) {
      EXPECT_EQ(test_support::WindowText(dialog), "Select Media Type");
      EXPECT_EQ(ui::SendDlgItemMessageA(dialog, kMediaSizeList, ui::LB_GETCOUNT, 0, 0), 6);
      char row[64] = {};
      ui::SendDlgItemMessageA(dialog, kMediaSizeList, ui::LB_GETTEXT, 0, reinterpret_cast<ui::LPARAM>(row));
      EXPECT_STREQ(row, "  4 MB Memory Stick");
      ui::SendDlgItemMessageA(dialog, kMediaSizeList, ui::LB_GETTEXT, 5, reinterpret_cast<ui::LPARAM>(row));
      EXPECT_STREQ(row, "128 MB Memory Stick");
      EXPECT_TRUE(driver.Click(dialog, ui::IDOK));
    });
    CMediaSizeDlg first(&PageOf(page));
    EXPECT_EQ(first.DoModal(), ui::IDOK);
    EXPECT_EQ(MediaSizePagesPerBlock, 16);
    EXPECT_EQ(MediaSizeBlockCount, 512);
    driver.OnDialog(kMediaSizeTemplate, [&](ui::HWND dialog) {
      EXPECT_TRUE(driver.Select(dialog, kMediaSizeList, 4));
      EXPECT_TRUE(driver.Click(dialog, ui::IDCANCEL));
    });
    CMediaSizeDlg cancelled(&PageOf(page));
    EXPECT_EQ(cancelled.DoModal(), ui::IDCANCEL);
    EXPECT_EQ(MediaSizeBlockCount, 512) << "Cancel keeps the earlier choice";
    prompter.AnswerMessageBox(ui::IDOK, "You have selected invalid media size.");
    EXPECT_FALSE(CMediaSizeDlg::ChooseRow(6));
    prompter.AnswerMessageBox(ui::IDOK, "No media size has been selected.");
    EXPECT_FALSE(CMediaSizeDlg::ChooseRow(-1));
    EXPECT_TRUE(CMediaSizeDlg::ChooseRow(5));
    EXPECT_EQ(MediaSizeBlockCount, 8192);
    EXPECT_EQ(MediaSizePagesPerBlock, 32);
    CloseMainWindow(main);
  });
  Run();
}

TEST_F(RecoveryPageTest, RecoverFindsTheDeletedPhotographsShowsThemAndStartsAfreshNextTime) {
  StartDefault();
  // All files: the photographs the card still shows are copied too, with their thumbnails.
  const std::filesystem::path out = UseOutputFolder("recovered-cf", true);
  std::size_t firstItems = 0;
  OnRecoveryPage([&](ui::HWND main, ui::HWND page) {
    ASSERT_TRUE(driver.Select(main, kDeviceListControl, RowOfDrive('E')));
    ASSERT_TRUE(driver.Click(page, kRecoverButton));
    driver.WhenIdle([&, main, page] {
      CRecvPage& recovery = PageOf(page);
      firstItems = static_cast<std::size_t>(recovery.Results().GetItemCount());
      EXPECT_GE(firstItems, 2U);
      EXPECT_TRUE(Visible(page, kResultsList));
      EXPECT_EQ(recovery.OutputFolder, win::WindowsPathOfHost(out) + "\\");
      EXPECT_EQ(OperationBusy, 0U);
      EXPECT_FALSE(Visible(page, kRecoveryCancelButton));
      EXPECT_TRUE(Enabled(page, kRecoverButton));
      EXPECT_TRUE(Enabled(main, kDeviceListControl)) << "the device list is given back";
      EXPECT_EQ(ItemText(page, kRecoveredValue), "");
      ASSERT_TRUE(driver.Click(page, kRecoverButton));
      driver.WhenIdle([&, main, page] {
        EXPECT_EQ(static_cast<std::size_t>(PageOf(page).Results().GetItemCount()), firstItems)
            << "the list shows the last run only";
        CloseMainWindow(main);
      });
    });
  });
  Run();
  const std::set<std::string> names = FilesIn(out);
  EXPECT_EQ(names.count("_MG_0003.JPG") + names.count("_MG_00031.JPG"), 2U)
      << "the deleted photograph, once a run: " << ::testing::PrintToString(names);
  EXPECT_TRUE(std::filesystem::exists(out / "DCIM" / "100KESTR" / "IMG_0001.JPG")) << "a photograph the card shows";
  const auto log = win::HostPathOf(ProgramFolder + "ERRLOG.log");
  ASSERT_TRUE(log);
  std::ifstream logFile(*log);
  std::string first;
  std::getline(logFile, first);
  EXPECT_EQ(first, " Clusters \r");
}

TEST_F(RecoveryPageTest, ACardWithNothingToFindEndsWithTheMessage) {
  Start(test_support::TwoReaders("xp"));
  const std::filesystem::path out = UseOutputFolder("recovered-none");
  prompter.AnswerMessageBox(ui::IDOK, "Could not find any valid image/file in the media to recover.");
  OnRecoveryPage([&](ui::HWND main, ui::HWND page) {
    ASSERT_TRUE(driver.Select(main, kDeviceListControl, RowOfDrive('G')));
    ASSERT_TRUE(driver.Click(page, kRecoverButton));
    driver.WhenIdle([&, main, page] {
      EXPECT_FALSE(Visible(page, kResultsList));
      CloseMainWindow(main);
    });
  });
  Run();
  EXPECT_TRUE(FilesIn(out).empty());
  EXPECT_EQ(prompter.Unanswered(), 0U);
}

TEST_F(RecoveryPageTest, AnOutputFolderOnTheCardItselfIsRefusedBeforeTheCardIsRead) {
  Start(test_support::TwoReaders("xp"));
  test_support::HideNotes();
  {
    RecoveryChoices choices;
    choices.folder = "e:\\Recovered";
    choices.prefix = "REC";
    choices.typeSelection = recovery::kAllTypes;
    SettingsKey key(true);
    StoreRecoveryChoices(choices, key);
  }
  prompter.AnswerMessageBox(ui::IDOK, "You had selected same drive for both to save and recover file(s)");
  RecoverFromEAndExpectItRefused();
  EXPECT_EQ(prompter.Unanswered(), 0U);
}

TEST_F(RecoveryPageTest, ACardVolumeAnotherProgramHoldsIsNamedAndNothingIsRead) {
  Start(test_support::TwoReaders("xp"));
  UseOutputFolder("recovered-held");
  win::HANDLE held = win::INVALID_HANDLE_VALUE;
  prompter.AnswerMessageBox(ui::IDOK, "\\\\.\\E: - drive was NOT able to open.");
  RecoverFromEAndExpectItRefused([&] {
    // Held without sharing once the device list is built.
    held = win::CreateFileA("\\\\.\\E:", win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr, win::OPEN_EXISTING, 0,
                            nullptr);
    ASSERT_NE(held, win::INVALID_HANDLE_VALUE);
  });
  win::CloseHandle(held);
  EXPECT_EQ(prompter.Unanswered(), 0U);
}

}  // namespace
}  // namespace tarnlok

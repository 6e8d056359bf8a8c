// What the Backup page's tests share: a backup run through the whole program (Tools page,
// Backup sheet, Backup button) with the questions it asks answered, and readers of the image
// and of the card images it is compared with.
#pragma once

#include "device/string_ids.h"
#include "operations/bkup_page.h"
#include "operations/fmb_image.h"
#include "operations/operation_test_support.h"
#include "operations/tool_page.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/win/files/paths.h"
#include "controls/control_ids.h"
#include "controls/resource_ids.h"
#include "tests/support/test_data_folder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace tarnlok::test_support {

inline std::vector<win::BYTE> ReadHostFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<win::BYTE>(std::istreambuf_iterator<char>(file), {});
}

constexpr char kImageName[] = "C:\\card.FMB";

inline std::filesystem::path ImageHostPath() { return *win::HostPathOf(kImageName); }

struct BackupScript {
  int row = 0;  // the device list row to back up
  bool wholeMedia = true;  // the choice on the page (plain cards)
  std::string name = kImageName;  // typed into the name box
  std::function<void()> duringRun = {};  // set up before the Backup button is clicked
};

class BackupProgramTest : public OperationProgramTest {
 protected:
  // Backs up through the Tools page; the prompter must have been told the run's questions
  // after the confirmation kStringBackupCloseOthers, which this answers with OK.
  void RunBackup(const BackupScript& script) {
    OnToolsPage([this, script](ui::HWND main, ui::HWND tools) {
      driver.Select(main, kDeviceListControl, script.row);
      driver.Click(tools, kBackupTool);
    });
    driver.OnDialog(kBackupPageTemplate, [this, script](ui::HWND sheet) {
      page = ActivePageHwnd;
      ui::SetDlgItemTextA(page, kImageNameEdit, script.name.c_str());
      if (script.wholeMedia && ui::IsWindowEnabled(ui::GetDlgItem(page, kWholeMediaChoice))) {
        driver.SetCheck(page, kUsedSpaceChoice, false);
        driver.SetCheck(page, kWholeMediaChoice, true);
      }
      if (script.duringRun) script.duringRun();
      driver.Click(page, kBackupButton);
      driver.WhenIdle([this, sheet] {
        afterRun = AfterRun{ui::IsWindowVisible(ui::GetDlgItem(page, kCancelButton)) != 0,
                            ui::IsWindowEnabled(ui::GetDlgItem(sheet, ui::IDCANCEL)) != 0, OperationBusy};
        driver.Click(sheet, ui::IDCANCEL);
      });
      driver.WhenIdle([] { CloseMainWindow(ui::AfxGetMainWnd()->m_hWnd); });
    });
    Run();
  }

  // Answers the confirmation before the card is opened.
  void ExpectConfirmation() {
    prompter.AnswerMessageBox(ui::IDOK, "Please close all the application(s) that are using this drive");
  }
  void ExpectSuccess() { prompter.AnswerMessageBox(ui::IDOK, "Successfully completed the backup."); }

  std::optional<FmbHeader> ImageHeader() const {
    const auto bytes = ReadHostFile(ImageHostPath());
    return ReadFmbHeader(bytes);
  }
  std::vector<win::BYTE> ImageBody() const {
    auto bytes = ReadHostFile(ImageHostPath());
    return std::vector<win::BYTE>(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), kFmbHeaderSize)),
                                  bytes.end());
  }
  bool ImageExists() const { return std::filesystem::exists(ImageHostPath()); }

  struct AfterRun {
    bool cancelVisible = true;
    bool closeEnabled = false;
    win::DWORD busy = 1;
  };
  ui::HWND page = nullptr;
  AfterRun afterRun;
};

}  // namespace tarnlok::test_support

// The Information page where a card cannot simply be read: a drive another program holds, on an
// IDE or USB reader and on a PCMCIA slot, and a raw flash card whose sectors do not read but
// whose reader still sees it (so that only a low-level format can help).
#include "device/device_list.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/files/files.h"
#include "controls/control_ids.h"
#include "shell/main_dlg.h"
#include "controls/resource_ids.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tarnlok {
namespace {

class InfoPage : public test_support::ProgramTest {
 protected:
  // Selects the row of the drive letter; false when no row has it.
  bool SelectDrive(ui::HWND main, char letter) {
    const ui::HWND list = ui::GetDlgItem(main, kDeviceListControl);
    const auto rows = static_cast<int>(ui::SendMessage(list, ui::LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
      const DeviceEntry* entry = FindDeviceByIndex(row);
      if (entry != nullptr && entry->driveLetter == letter) return driver.Select(main, kDeviceListControl, row);
    }
    return false;
  }
};

win::HANDLE OpenExclusively(char letter) {
  const std::string name = std::string("\\\\.\\") + letter + ":";
  return win::CreateFileA(name.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr, win::OPEN_EXISTING, 0,
                          nullptr);
}

// A drive in use elsewhere: the page says which, the PCMCIA slot in words of its own.
TEST_F(InfoPage, ADriveHeldByAnotherProgramIsReportedByItsBus) {
  Start(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "e.img", "sectors": 65536 } },
    { "bus": "ide", "maker": true, "letter": "F", "card": { "kind": "cf", "image": "f.img", "sectors": 65536 } },
    { "bus": "pcmcia", "maker": true, "letter": "G",
      "card": { "kind": "mmcsd", "image": "g.img", "sectors": 65536 } } ] })");
  test_support::HideNotes();
  // E is selected at start: the others first, so that each selection refreshes the page.
  const std::vector<std::pair<char, std::string>> expected = {
      {'F', "Possibly it may be used by some other application(s)."},
      {'G', "Possibly it may be removed or the media type might be changed."},
      {'E', "Possibly it may be used by some other application(s)."},
  };
  win::HANDLE held = win::INVALID_HANDLE_VALUE;
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    for (const auto& [letter, text] : expected) {
      driver.WhenIdle([&, main, letter = letter, text = text] {
        held = OpenExclusively(letter);
        ASSERT_NE(held, win::INVALID_HANDLE_VALUE);
        prompter.AnswerMessageBox(ui::IDOK, text);
        EXPECT_TRUE(SelectDrive(main, letter)) << letter;
      });
      driver.WhenIdle([&, letter = letter] {
        EXPECT_EQ(prompter.Unanswered(), 0U) << letter;
        EXPECT_EQ(test_support::ItemText(ActivePageHwnd, info_page::kDrive), std::string(" ") + letter + ":\\");
        win::CloseHandle(held);
      });
    }
    driver.WhenIdle([main] { ui::PostMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0); });
  });
  Run();
  ASSERT_EQ(prompter.Asked().size(), 3U);
  for (const auto& question : prompter.Asked()) EXPECT_EQ(question.type & 0xF0U, ui::MB_ICONERROR);
}

// A SmartMedia card in the maker's IDE reader whose first sector does not read: the reader still
// answers that a card is there, so the page offers the low-level format.
TEST_F(InfoPage, ARawFlashCardThatCannotBeReadSupportsTheLowLevelFormat) {
  Start(R"({ "version": 1, "windows": "98", "readers": [
    { "bus": "ide", "maker": true, "letter": "E", "card": { "kind": "sm", "image": "sm-e.img" } },
    { "bus": "ide", "maker": true, "letter": "F",
      "card": { "kind": "sm", "image": "sm-f.img", "faults": [ { "op": "read", "sector": 0, "times": "always" } ] } }
    ] })");
  test_support::HideNotes();
  std::map<char, std::string> shown;
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    for (const char letter : {'F', 'E'}) {
      driver.WhenIdle([&, main, letter] { EXPECT_TRUE(SelectDrive(main, letter)) << letter; });
      driver.WhenIdle(
          [&, letter] { shown[letter] = test_support::ItemText(ActivePageHwnd, info_page::kLowLevelSupport); });
    }
    driver.WhenIdle([main] { ui::PostMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0); });
  });
  Run();
  EXPECT_EQ(shown['F'], " Yes");
  EXPECT_EQ(shown['E'], " No") << "a card that reads needs no low-level format";
}

}  // namespace
}  // namespace tarnlok

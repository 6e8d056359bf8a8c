// Selecting each kind of drive the machine can hold fills the Information page from what the
// drive and its card answer: floppy and LS-120 drives, the maker's IDE and PCMCIA readers and a
// USB reader with a Memory Stick Pro.
#include "platform/ui/list_view.h"
#include "platform/ui/message_box.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "shell/main_dlg.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tarnlok {
namespace {

constexpr const char* kManyKinds = R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "floppy", "letter": "A", "card": { "kind": "floppy", "image": "a.img" } },
    { "bus": "ls120", "letter": "B", "revision": "3.05", "card": { "kind": "floppy", "image": "b.img" } },
    { "bus": "ide", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "e.img", "sectors": 125000 } },
    { "bus": "pcmcia", "maker": true, "letter": "F",
      "card": { "kind": "mmcsd", "image": "f.img", "sectors": 131072 } },
    { "bus": "usb", "maker": true, "letter": "H", "product": "MS Reader", "revision": "2.10",
      "card": { "kind": "mspro", "image": "h.img", "sectors": 262144 } } ] })";

// What the page shows for the current device, by control: drive, device name, firmware, label,
// capacity, file system, low-level support.
struct Shown {
  std::string drive, name, firmware, label, capacity, fileSystem, support;
  std::string product;  // the entry's product text after the card query
};

std::string Trimmed(const char* field, std::size_t size) {
  std::size_t length = 0;
  while (length < size && field[length] != '\0') ++length;
  return std::string(field, length);
}

Shown Read() {
  const auto text = [](int id) { return testing::ItemText(ActivePageHwnd, id); };
  return {text(1021), text(1028), text(1035), text(1022), text(1025), text(1026), text(1029),
          Trimmed(CurrentDevice->product, sizeof(CurrentDevice->product))};
}

class CardKinds : public testing::ProgramTest {
 protected:
  // Runs the program, selects each row in turn and keeps what the page showed, by drive letter.
  std::map<char, Shown> SelectEach() {
    std::map<char, Shown> shown;
    driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
      const ui::HWND list = ui::GetDlgItem(main, kDeviceListControl);
      const auto rows = static_cast<int>(ui::SendMessage(list, ui::LVM_GETITEMCOUNT, 0, 0));
      for (int row = rows - 1; row >= 0; --row) {
        driver.WhenIdle([&, main, row] { driver.Select(main, kDeviceListControl, row); });
        driver.WhenIdle([&] { shown[CurrentDevice->driveLetter] = Read(); });
      }
      driver.WhenIdle([main] { ui::PostMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0); });
    });
    Run();
    return shown;
  }
};

TEST_F(CardKinds, EachDriveShowsItsCapacityFirmwareAndVolume) {
  Start(kManyKinds);
  testing::HideNotes();
  auto shown = SelectEach();
  ASSERT_EQ(shown.size(), 5u);
  for (auto& [letter, page] : shown) {
    EXPECT_EQ(page.drive, std::string(" ") + letter + ":\\");
    EXPECT_EQ(page.name, " " + page.product);
    EXPECT_EQ(page.label, " UNTITLED") << "fresh cards carry no volume label";
    EXPECT_EQ(page.fileSystem, " FAT");
    EXPECT_EQ(page.support, " No") << "no raw flash card among them";
  }
  // 2880 sectors: 1,474,560 bytes, in whole millions of bytes.
  EXPECT_EQ(shown['A'].capacity, " 1 MB");
  EXPECT_EQ(shown['A'].firmware, " ") << "a floppy drive answers no inquiry";
  EXPECT_EQ(shown['B'].firmware, " 3.05");
  EXPECT_EQ(shown['B'].capacity.substr(shown['B'].capacity.size() - 3), " MB");
  EXPECT_NE(shown['B'].capacity, " No Media");
  // 262144 sectors: 134,217,728 bytes.
  EXPECT_EQ(shown['H'].capacity, " 134 MB");
  EXPECT_EQ(shown['H'].firmware, " 2.10");
  EXPECT_EQ(shown['H'].name.substr(0, 10), " MS Reader");
  // The maker's IDE and PCMCIA readers: 125,000 sectors are 64,000,000 bytes; 131,072 sectors
  // 67,108,864.
  EXPECT_EQ(shown['E'].capacity, " 64 MB");
  EXPECT_EQ(shown['F'].capacity, " 67 MB");
}

}  // namespace
}  // namespace tarnlok

// Selecting each kind of drive the machine can hold fills the Information page from what the
// drive and its card answer, on XP, on 98 (the card driver and ASPI) and on NT4: floppy and
// LS-120 drives, the maker's IDE and PCMCIA readers, SmartMedia cards of several sizes, Memory
// Sticks and a Memory Stick Pro in the maker's USB readers. The device list's rows are checked
// too: their texts and pictures follow the bus and card kind found at start.
#include "device/testing/card_images.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "controls/control_ids.h"
#include "shell/main_dlg.h"
#include "controls/resource_ids.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace tarnlok {
namespace {

// The readers of every test machine. The PCMCIA card carries an 11-character volume label; the
// other cards are fresh from the factory, without one.
std::string ManyKinds(const std::string& windows) {
  test_support::WriteImage(
      "f.img", test_support::Partitioned(test_support::FormattedVolume(16, 131072 - 64, "HOLIDAY2026"), 64));
  return R"({ "version": 1, "windows": ")" + windows + R"(", "readers": [
    { "bus": "floppy", "letter": "A", "card": { "kind": "floppy", "image": "a.img" } },
    { "bus": "ls120", "letter": "B", "revision": "3.05", "card": { "kind": "floppy", "image": "b.img" } },
    { "bus": "ide", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "e.img", "sectors": 125000 } },
    { "bus": "pcmcia", "maker": true, "letter": "F",
      "card": { "kind": "mmcsd", "image": "f.img", "sectors": 131072 } },
    { "bus": "usb", "maker": true, "letter": "H", "revision": "2.10",
      "card": { "kind": "sm", "image": "h.img", "deviceCode": 110 } },
    { "bus": "usb", "maker": true, "letter": "I", "card": { "kind": "sm", "image": "i.img", "deviceCode": 227 } },
    { "bus": "usb", "maker": true, "letter": "J", "card": { "kind": "sm", "image": "j.img", "deviceCode": 115 } },
    { "bus": "usb", "maker": true, "letter": "K", "card": { "kind": "sm", "image": "k.img", "deviceCode": 117 } },
    { "bus": "usb", "maker": true, "letter": "L",
      "card": { "kind": "ms", "image": "l.img", "blocks": 512, "pagesPerBlock": 16 } },
    { "bus": "usb", "maker": true, "letter": "M",
      "card": { "kind": "ms", "image": "m.img", "blocks": 2048, "pagesPerBlock": 16 } },
    { "bus": "usb", "maker": true, "letter": "N",
      "card": { "kind": "mspro", "image": "n.img", "sectors": 131072 } } ] })";
}

// What the page shows for the current device, by control, and the device's row in the list.
struct Shown {
  std::string drive, name, firmware, label, capacity, fileSystem, support;
  std::string row;
  int image = -1;
};

// What a drive should show; a field left empty is not decided by the machine's description.
struct Expected {
  std::optional<std::string> row;
  int image = -1;
  std::optional<std::string> name;
  std::optional<std::string> firmware;
  std::string capacity;
  std::string label = " UNTITLED";
};

// INQUIRY texts come blank-padded to their 16 characters.
std::string Product(const std::string& text) { return " " + text + std::string(16 - text.size(), ' '); }

// A row of a USB reader of the maker: its INQUIRY vendor and product, blank-padded.
std::string UsbRow(char letter, const std::string& product) {
  return std::string("(") + letter + ":) Kestro   " + product + std::string(16 - product.size(), ' ');
}

constexpr int kSmartMediaImage = 1;
constexpr int kMemoryStickImage = 3;
constexpr int kOtherImage = 4;
constexpr int kBusCardImage = 5;

// The capacity control's text when the card query fails: " %s" of kStringNoMediaText, " No Media".
constexpr const char* kNoMedia = "  No Media";

Shown ReadPage() {
  const auto text = [](int id) { return test_support::ItemText(ActivePageHwnd, id); };
  using namespace info_page;
  return {text(kDrive),
          text(kDeviceName),
          text(kFirmware),
          text(kVolumeLabel),
          text(kCapacity),
          text(kFileSystem),
          text(kLowLevelSupport),
          {},
          -1};
}

void ReadRow(ui::HWND list, int row, Shown& shown) {
  char text[128] = {};
  ui::LVITEMA item;
  item.mask = ui::LVIF_TEXT | ui::LVIF_IMAGE;
  item.iItem = row;
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  ui::SendMessage(list, ui::LVM_GETITEMA, 0, reinterpret_cast<ui::LPARAM>(&item));
  shown.row = text;
  shown.image = item.iImage;
}

class CardKinds : public test_support::ProgramTest {
 protected:
  // Runs the program, selects each row in turn and keeps what the page showed, by drive letter.
  std::map<char, Shown> SelectEach(const std::string& machine) {
    Start(machine);
    test_support::HideNotes();
    std::map<char, Shown> shown;
    driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
      const ui::HWND list = ui::GetDlgItem(main, kDeviceListControl);
      const auto rows = static_cast<int>(ui::SendMessage(list, ui::LVM_GETITEMCOUNT, 0, 0));
      for (int row = rows - 1; row >= 0; --row) {
        driver.WhenIdle([&, main, row] { driver.Select(main, kDeviceListControl, row); });
        driver.WhenIdle([&, list, row] {
          Shown& page = shown[CurrentDevice->driveLetter];
          page = ReadPage();
          ReadRow(list, row, page);
        });
      }
      driver.WhenIdle([main] { ui::PostMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0); });
    });
    Run();
    return shown;
  }

  static void Check(const std::map<char, Shown>& shown, const std::map<char, Expected>& expected) {
    for (const auto& [letter, want] : expected) {
      SCOPED_TRACE(std::string("drive ") + letter);
      const auto found = shown.find(letter);
      ASSERT_NE(found, shown.end());
      const Shown& page = found->second;
      EXPECT_EQ(page.drive, std::string(" ") + letter + ":\\");
      if (want.row) {
        EXPECT_EQ(page.row, *want.row);
      }
      if (want.image >= 0) {
        EXPECT_EQ(page.image, want.image);
      }
      if (want.name) {
        EXPECT_EQ(page.name, *want.name);
      }
      if (want.firmware) {
        EXPECT_EQ(page.firmware, *want.firmware);
      }
      EXPECT_EQ(page.capacity, want.capacity);
      EXPECT_EQ(page.label, want.label);
      EXPECT_EQ(page.fileSystem, " FAT");
      EXPECT_EQ(page.support, " No") << "every card reads through the standard commands";
    }
  }
};

// Shown alike on every road: the floppy disk of 1,474,560 bytes in whole megabytes of 1048576
// bytes; the LS-120 disk, in another maker's drive, by its volume's size in the same megabytes
// (61,311 clusters of 2 KB); the PCMCIA card's label cut to its first 10 characters.
void AddCommonDrives(std::map<char, Expected>& expected) {
  expected['A'].capacity = " 1 MB";
  expected['A'].image = kOtherImage;
  expected['B'].capacity = " 119 MB";
  expected['B'].image = kOtherImage;
  expected['F'].label = " HOLIDAY202";
}

// Where the drives' INQUIRY texts are shown: a floppy drive answers none, the LS-120 drive gives
// its firmware.
void AddInquiryTextsOfTheDrives(std::map<char, Expected>& expected) {
  expected['A'] = {"(A:)  ", kOtherImage, " ", " ", ""};
  expected['B'].firmware = " 3.05";
}

// XP and 98 read the maker's IDE and PCMCIA readers by their card type: the bus replaces the
// vendor in the row, the card-type text the product, the firmware revision stays empty and the
// capacity is the card's in decimal megabytes (125,000 and 131,072 sectors).
void AddBusReaders(std::map<char, Expected>& expected) {
  expected['E'] = {"(E:) IDE  Compact Flash ", kBusCardImage, " Compact Flash ", "", " 64 MB"};
  expected['F'] = {"(F:) PCMCIA  MMC/SD ", kBusCardImage, " MMC/SD ", "", " 67 MB"};
}

// SmartMedia cards by their media size code (1, 3, 5, 6), Memory Sticks by theirs (512 and
// 2048 blocks of 16 pages: codes 32 and 34).
void AddRawFlash(std::map<char, Expected>& expected) {
  expected['H'] = {UsbRow('H', "SM Reader"), kSmartMediaImage, Product("SM Reader"), " 2.10", " 1 MB"};
  expected['I'] = {UsbRow('I', "SM Reader"), kSmartMediaImage, Product("SM Reader"), " 1.00", " 4 MB"};
  expected['J'] = {UsbRow('J', "SM Reader"), kSmartMediaImage, Product("SM Reader"), " 1.00", " 16 MB"};
  expected['K'] = {UsbRow('K', "SM Reader"), kSmartMediaImage, Product("SM Reader"), " 1.00", " 32 MB"};
  expected['L'] = {UsbRow('L', "MS Reader"), kMemoryStickImage, Product("MS Reader"), " 1.00", " 4 MB"};
  expected['M'] = {UsbRow('M', "MS Reader"), kMemoryStickImage, Product("MS Reader"), " 1.00", " 16 MB"};
}

TEST_F(CardKinds, OnXpEachCardShowsItsReaderCapacityAndVolume) {
  const auto shown = SelectEach(ManyKinds("xp"));
  ASSERT_EQ(shown.size(), 11u);
  std::map<char, Expected> expected;
  AddBusReaders(expected);
  AddRawFlash(expected);
  // The Memory Stick Pro is read as a plain card: 131,072 sectors in decimal megabytes.
  expected['N'] = {UsbRow('N', "MS Pro Reader"), kOtherImage, Product("MS Pro Reader"), " 1.00", " 67 MB"};
  AddInquiryTextsOfTheDrives(expected);
  AddCommonDrives(expected);
  Check(shown, expected);
}

TEST_F(CardKinds, On98TheCardDriverAndAspiShowTheSameCards) {
  const auto shown = SelectEach(ManyKinds("98"));
  ASSERT_EQ(shown.size(), 11u);
  std::map<char, Expected> expected;
  AddBusReaders(expected);
  AddRawFlash(expected);
  // ASPI takes the Memory Stick Pro for a Memory Stick; as it tells no raw geometry, it is
  // measured as a disk of its 131,072 sectors.
  expected['N'] = {UsbRow('N', "MS Pro Reader"), kMemoryStickImage, Product("MS Pro Reader"), " 1.00", " 67 MB"};
  AddCommonDrives(expected);
  Check(shown, expected);
}

// NT4 learns no bus or card kind at start: every row is its INQUIRY texts with the picture of
// other drives. Each card is measured on its own handle, as on XP, so the capacities are XP's:
// the raw flash cards by their logical sectors.
TEST_F(CardKinds, OnNt4EveryRowIsItsInquiryTextsWithTheCardsOwnSize) {
  const auto shown = SelectEach(ManyKinds("nt4"));
  ASSERT_EQ(shown.size(), 11u);
  std::map<char, Expected> expected;
  expected['E'] = {UsbRow('E', "CF Reader"), kOtherImage, Product("CF Reader"), " 1.00", " 64 MB"};
  expected['F'] = {UsbRow('F', "SD Reader"), kOtherImage, Product("SD Reader"), " 1.00", " 67 MB"};
  expected['H'] = {UsbRow('H', "SM Reader"), kOtherImage, Product("SM Reader"), " 2.10", " 1 MB"};
  const std::map<char, std::string> smartMedia = {{'I', " 4 MB"}, {'J', " 16 MB"}, {'K', " 32 MB"}};
  for (const auto& [letter, capacity] : smartMedia) {
    expected[letter] = {UsbRow(letter, "SM Reader"), kOtherImage, Product("SM Reader"), " 1.00", capacity};
  }
  const std::map<char, std::string> memorySticks = {{'L', " 4 MB"}, {'M', " 16 MB"}};
  for (const auto& [letter, capacity] : memorySticks) {
    expected[letter] = {UsbRow(letter, "MS Reader"), kOtherImage, Product("MS Reader"), " 1.00", capacity};
  }
  expected['N'] = {UsbRow('N', "MS Pro Reader"), kOtherImage, Product("MS Pro Reader"), " 1.00", " 67 MB"};
  AddInquiryTextsOfTheDrives(expected);
  AddCommonDrives(expected);
  Check(shown, expected);
}

// Empty readers: the query finds no card, so the capacity says so, on both roads of XP.
TEST_F(CardKinds, EmptyReadersShowNoMedia) {
  const auto shown = SelectEach(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "ide", "maker": true, "letter": "E" },
    { "bus": "usb", "maker": true, "product": "SM Reader", "letter": "F" } ] })");
  ASSERT_EQ(shown.size(), 2u);
  for (const char letter : {'E', 'F'}) {
    const Shown& page = shown.at(letter);
    EXPECT_EQ(page.capacity, kNoMedia) << letter;
    EXPECT_EQ(page.support, " No") << letter;
    EXPECT_EQ(page.label, " UNTITLED") << letter << ": no volume to name";
  }
  EXPECT_EQ(shown.at('E').row.substr(0, 9), "(E:) IDE ");
  EXPECT_EQ(shown.at('E').firmware, "");
  EXPECT_EQ(shown.at('F').name, Product("SM Reader"));
  EXPECT_EQ(shown.at('F').firmware, " 1.00");
}

}  // namespace
}  // namespace tarnlok

// The Format page run in the whole program on the simulated machine: the options the card
// allows, a low-level format with its summary, the card that is formatted being the page's own,
// and the runs that end before anything is written (declined, write protected, no card, a row
// the list no longer has, a volume the library cannot take).
#include "device/device_state.h"
#include "device/device_list.h"
#include "operations/base_page.h"
#include "operations/era_page.h"
#include "operations/format_state.h"
#include "operations/format_summary_dlg.h"
#include "operations/refresh_format_page.h"
#include "operations/system_files.h"
#include "operations/testing/fat_volumes.h"
#include "platform/machine/cards/card_image.h"
#include "platform/machine/description/machine_description.h"
#include "platform/machine/fat/fat_partition.h"
#include "operations/tool_page.h"
#include "platform/win/files/paths.h"
#include "operations/testing/page_runs.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/files/files.h"
#include "controls/control_ids.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::Bytes;
using test_support::ReadHostBytes;
using namespace format_page;

// The device list shows the readers by drive letter: E, F, G, H, K.
constexpr int kRowE = 0;
constexpr int kRowF = 1;
constexpr int kRowG = 2;
constexpr int kRowH = 3;
constexpr int kRowK = 4;

constexpr char kConfirm[] = "Are you certain you want to format your memory card?";

std::filesystem::path Home(const std::string& name) { return tarnlok::test_support::TestDataHome() / name; }

bool Enabled(ui::HWND page, int id) { return ui::IsWindowEnabled(ui::GetDlgItem(page, id)) != 0; }

class FormatPage : public test_support::PageRunTest {
 protected:
  // E a 64 MB CompactFlash card, F and K 16 MB SmartMedia cards, G a 4 GB MMC/SD card, H a
  // 64 MB Memory Stick, all in the maker's USB readers.
  void StartMachine(const std::string& eCard = R"("kind": "cf", "image": "e.img")",
                    const Bytes& eImage = test_support::PatternBytes(131072 * 512, 0x31)) {
    test_support::WriteHostBytes(Home("e.img"), eImage);
    Start(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "letter": "E", "card": { )" +
          eCard + R"( } },
      { "bus": "usb", "maker": true, "letter": "F", "card": { "kind": "sm", "image": "f.img", "deviceCode": 115 } },
      { "bus": "usb", "maker": true, "letter": "G", "card": { "kind": "mmcsd", "image": "g.img", "sectors": 8388608 } },
      { "bus": "usb", "maker": true, "letter": "H",
        "card": { "kind": "ms", "image": "h.img", "blocks": 4096, "pagesPerBlock": 32 } },
      { "bus": "usb", "maker": true, "letter": "K", "card": { "kind": "sm", "image": "k.img", "deviceCode": 115 } } ] })");
  }

  // Once the page waits: sets the options and presses Format; the run takes the click then.
  void Format(ui::HWND page, bool full, bool summary) {
    driver.WhenIdle([this, page, full, summary] {
      driver.SetCheck(page, full ? kFullChoice : kQuickChoice, true);
      driver.SetCheck(page, kSummaryChoice, summary);
      driver.Click(page, kFormatButton);
    });
  }

  void ExpectIdlePage(ui::HWND page) {
    driver.WhenIdle([page] {
      EXPECT_EQ(OperationBusy, 0u);
      for (const int id : {kFormatButton, kQuickChoice, kFullChoice, kSummaryChoice}) {
        EXPECT_TRUE(Enabled(page, id)) << id;
      }
      EXPECT_EQ(test_support::ItemText(page, kStepText), "");
      EXPECT_EQ(test_support::ItemText(page, format_page::kPercentText), "");
    });
  }
};

// The page opens for E, then is refreshed for other devices made current.
TEST_F(FormatPage, TheOptionsFollowTheCardAndTheWindowsFamily) {
  StartMachine();
  struct Seen {
    bool fat32;
    bool panoramic;
    bool boot;
  };
  std::map<int, Seen> seen;
  std::string quickText;
  std::string source;
  OnPage(kFormatTool, kFormatPageTemplate, kRowE, [&](ui::HWND page) {
    quickText = test_support::ItemText(page, kQuickChoice);
    source = test_support::ItemText(page, format_page::kSourceText);
    EXPECT_EQ(ui::SendMessage(ui::GetDlgItem(page, kQuickChoice), ui::BM_GETCHECK, 0, 0), ui::BST_CHECKED);
    EXPECT_EQ(ui::SendMessage(ui::GetDlgItem(page, kSummaryChoice), ui::BM_GETCHECK, 0, 0), ui::BST_CHECKED);
    EXPECT_EQ(CurrentPageCode, kFormatPageCode);
    for (const int row : {kRowE, kRowF, kRowG}) {
      FindDeviceByIndex(row);
      RefreshFormatPage();
      seen[row] = {Enabled(page, kFat32Choice), Enabled(page, kPanoramicChoice), Enabled(page, kBootChoice)};
    }
  });
  EXPECT_EQ(quickText, "&Quick (Erase)");
  EXPECT_NE(source.find("(E:)"), std::string::npos) << source;
  EXPECT_FALSE(seen[kRowE].fat32) << "64 MB";
  EXPECT_TRUE(seen[kRowG].fat32) << "4 GB";
  EXPECT_TRUE(seen[kRowF].panoramic);
  EXPECT_FALSE(seen[kRowE].panoramic);
  EXPECT_FALSE(seen[kRowE].boot) << "booting is offered on Windows 9x only";
}

TEST_F(FormatPage, ASmartMediaCardIsLowLevelFormattedAndItsSummaryShown) {
  StartMachine();
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  std::map<int, std::string> figures;
  driver.OnDialog(kFormatSummaryTemplate, [&figures, this](ui::HWND summary) {
    for (const int id :
         {kSummaryTotal, kSummaryBad, kSummaryAvailable, kSummaryUnitBytes, kSummaryUnits, kSummaryTotalText}) {
      figures[id] = test_support::ItemText(summary, id);
    }
    figures[0] = test_support::WindowText(summary);
    EXPECT_EQ(OperationBusy, 1u) << "shown inside the run";
    driver.Click(summary, ui::IDOK);
  });
  const Bytes otherCard = ReadHostBytes(Home("f.img"));
  OnPage(kFormatTool, kFormatPageTemplate, kRowK, [&](ui::HWND page) {
    Format(page, false, true);
    ExpectIdlePage(page);
    driver.WhenIdle([page] {
      EXPECT_TRUE(Enabled(page, kPanoramicChoice));
      EXPECT_EQ(ui::SendMessage(ui::GetDlgItem(page, format_page::kProgressBar), ui::PBM_GETPOS, 0, 0), 0);
    });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(FormatDeviceKind, 18) << "the newer reader's kind";
  EXPECT_EQ(FormatStatus, 0x73u) << "the card's ID byte";
  EXPECT_EQ(figures[0], "Format Summary");
  EXPECT_EQ(figures[kSummaryTotal], "16,351,232");
  EXPECT_EQ(figures[kSummaryBad], "0");
  EXPECT_EQ(figures[kSummaryAvailable], "16,351,232");
  EXPECT_EQ(figures[kSummaryUnitBytes], "16,384");
  EXPECT_EQ(figures[kSummaryUnits], "998");
  EXPECT_EQ(figures[kSummaryTotalText], "bytes total disk space");
  EXPECT_TRUE(ReadHostBytes(Home("f.img")) == otherCard) << "only the page's own card is formatted";
}

TEST_F(FormatPage, AMemoryStickFormatWithoutSummaryReportsSuccess) {
  StartMachine();
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "Format completed successfully.");
  ui::HWND sheet = nullptr;
  OnPage(kFormatTool, kFormatPageTemplate, kRowH, [&](ui::HWND page) {
    sheet = ui::GetParent(page);
    Format(page, true, false);
    ExpectIdlePage(page);
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  ASSERT_EQ(prompter.Asked().size(), 2u);
  for (const auto& box : prompter.Asked()) EXPECT_EQ(box.owner, sheet) << "the sheet in front owns " << box.text;
  EXPECT_EQ(FormatDeviceKind, 24);
  EXPECT_EQ(FormatStatus, 4096u * 32) << "the card's page count";
}

TEST_F(FormatPage, RunsThatEndBeforeTheLibraryLeaveTheCardAsItWas) {
  StartMachine(R"("kind": "cf", "image": "e.img", "writeProtected": true)");
  prompter.AnswerMessageBox(ui::IDNO, kConfirm);
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "You have inserted a write protected media in the device.");
  const Bytes before = ReadHostBytes(Home("e.img"));
  FormatStatus = 77;
  OnPage(kFormatTool, kFormatPageTemplate, kRowE, [&](ui::HWND page) {
    Format(page, false, true);
    ExpectIdlePage(page);
    driver.WhenIdle([] { EXPECT_EQ(FormatStatus, 77u) << "declined: nothing changes"; });
    Format(page, false, true);
    ExpectIdlePage(page);
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("e.img")) == before);
}

TEST_F(FormatPage, AnEmptyReaderSaysNoMediaIsPresent) {
  StartMachine(R"("kind": "none")");
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "Media NOT present !!!");
  OnPage(kFormatTool, kFormatPageTemplate, kRowE, [&](ui::HWND page) {
    Format(page, false, true);
    ExpectIdlePage(page);
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

TEST_F(FormatPage, ARowTheListNoLongerHasFormatsNoCard) {
  StartMachine();
  std::vector<Bytes> before;
  for (const char* name : {"e.img", "f.img", "h.img", "k.img"}) before.push_back(ReadHostBytes(Home(name)));
  OnToolsPage([this](ui::HWND main, ui::HWND) {
    driver.Select(main, kDeviceListControl, kRowK);
    CBasePage sheet(kModeFormat, 9, "");
    driver.OnDialog(kFormatPageTemplate, [this](ui::HWND) {
      driver.WhenIdle([this] { driver.Click(ActivePageHwnd, kFormatButton); });
      driver.WhenIdle([this] {
        EXPECT_TRUE(Enabled(ActivePageHwnd, kFormatButton));
        driver.Click(ui::GetParent(ActivePageHwnd), 2);
      });
    });
    sheet.DoModal();
    test_support::CloseMainWindow(main);
  });
  Run();
  EXPECT_TRUE(prompter.Asked().empty()) << "not even the confirmation";
  std::size_t i = 0;
  for (const char* name : {"e.img", "f.img", "h.img", "k.img"}) {
    EXPECT_TRUE(ReadHostBytes(Home(name)) == before[i++]) << name;
  }
}

TEST_F(FormatPage, AVolumeTheLibraryCannotTakeIsAFailedFormat) {
  StartMachine();
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "Format completed successfully.");
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "Format application cannot format this drive.");
  prompter.AnswerMessageBox(ui::IDOK, "Format failed. Unable to complete the format operation.");
  win::HANDLE open = win::INVALID_HANDLE_VALUE;
  OnPage(kFormatTool, kFormatPageTemplate, kRowK, [&](ui::HWND page) {
    Format(page, false, false);
    // The new volume, with a file held open on it.
    driver.WhenIdle([&open] {
      open = win::CreateFileA("K:\\HOLD.TXT", win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, 0,
                              nullptr);
      EXPECT_NE(open, win::INVALID_HANDLE_VALUE);
    });
    Format(page, false, false);
    ExpectIdlePage(page);
    driver.WhenIdle([&open] { win::CloseHandle(open); });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

// A card that leaves as the library asks the reader's status (its fifteenth command) stops it before it learns a media
// code: the raw flash road still adds its failure to the library's own message.
TEST_F(FormatPage, ARawFlashCardPulledBeforeTheLibraryKnowsItIsAFailedFormat) {
  Start(R"({ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "F",
    "card": { "kind": "sm", "image": "f.img", "deviceCode": 115, "pulledAfterCommands": 15 } } ] })");
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "There is NO MEDIA present in the drive.");
  prompter.AnswerMessageBox(ui::IDOK, "Format failed. Unable to complete the format operation.");
  const Bytes before = ReadHostBytes(Home("f.img"));
  OnPage(kFormatTool, kFormatPageTemplate, 0, [&](ui::HWND page) {
    Format(page, false, false);
    ExpectIdlePage(page);
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(FormatStatus, 0u) << "no media code learnt";
  EXPECT_TRUE(ReadHostBytes(Home("f.img")) == before);
}

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

Bytes InstalledBootFile(const std::string& name) {
  return ReadHostBytes(*win::HostPathOf("C:\\Program Files\\Tarnlok\\BOOT\\" + name));
}

std::map<std::string, Bytes> FilesOnCard(const std::string& image) {
  std::map<std::string, Bytes> files;
  for (auto& [path, bytes] : test_support::VolumeFiles(ReadHostBytes(Home(image)), 63)) files[path] = bytes;
  return files;
}

// The system files of a bootable card: from the folder DUD.INI names (the program's own boot
// files), or from drive C on Windows 95 and 98, skipping what is missing.
TEST_F(FormatPage, SystemFilesComeFromTheVendorFolderOrFromDriveC) {
  StartMachine(R"("kind": "cf", "image": "e.img")", test_support::MakeFatCard(16, 131072, 63, 131072 - 63));
  const std::size_t filesBefore = FilesOnCard("e.img").size();
  CopySystemFiles(7, kBusPcmcia, 'E');
  EXPECT_EQ(FilesOnCard("e.img").size(), filesBefore) << "none for a PCMCIA reader on the NT family";
  CopySystemFiles(7, kBusIde, 'E');
  std::map<std::string, Bytes> onCard = FilesOnCard("e.img");
  for (const char* name : {"COMMAND.COM", "KERNEL.SYS", "CONFIG.SYS", "AUTOEXEC.BAT"}) {
    ASSERT_EQ(onCard.count(name), 1u) << name;
    EXPECT_FALSE(onCard[name].empty()) << name;
    EXPECT_TRUE(onCard[name] == InstalledBootFile(name)) << name;
  }
  test_support::WriteHostBytes(*win::HostPathOf("C:\\IO.SYS"), Bytes{'I', 'O'});
  CopySystemFiles(3, kBusIde, 'E');
  onCard = FilesOnCard("e.img");
  EXPECT_TRUE(onCard["IO.SYS"] == (Bytes{'I', 'O'}));
  EXPECT_EQ(onCard.count("DRVSPACE.BIN"), 0u) << "missing on C: and skipped";
}

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

// The maker's PCMCIA and IDE readers tell a write-protected card before the library is called:
// the PCMCIA card by its identification, the IDE card by its media status (asked on Windows 2000
// and on Windows 9x, where a raw flash card is asked too: the library's status query answers
// nothing there).
struct ProtectedReader {
  const char* bus;
  const char* windows;
  const char* card = R"("kind": "cf", "sectors": 65536)";
};

class ProtectedCard : public FormatPage, public ::testing::WithParamInterface<ProtectedReader> {};

TEST_P(ProtectedCard, TheMakersReaderRefusesItBeforeTheLibrary) {
  const std::string image = std::string(GetParam().bus) + GetParam().windows + ".img";
  Start(std::string(R"({ "version": 1, "windows": ")") + GetParam().windows + R"(", "readers": [ { "bus": ")" +
        GetParam().bus + R"(", "maker": true, "letter": "E",
      "card": { )" +
        GetParam().card + R"(, "image": ")" + image + R"(", "writeProtected": true } } ] })");
  const Bytes before = ReadHostBytes(Home(image));
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "The media is write protected.");
  OnPage(kFormatTool, kFormatPageTemplate, 0, [&](ui::HWND page) {
    Format(page, false, true);
    ExpectIdlePage(page);
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home(image)) == before);
}

INSTANTIATE_TEST_SUITE_P(Buses, ProtectedCard,
                         ::testing::Values(ProtectedReader{"pcmcia", "xp"}, ProtectedReader{"ide", "2000"},
                                           ProtectedReader{"pcmcia", "98"}, ProtectedReader{"ide", "95"},
                                           ProtectedReader{"ide", "98", R"("kind": "sm", "deviceCode": 117)"}),
                         [](const auto& reader) {
                           return std::string(reader.param.bus) + reader.param.windows +
                                  (std::string(reader.param.card).find("sm") != std::string::npos ? "SmartMedia" : "");
                         });

// Windows 9x: a raw flash card in each kind of reader gets its low-level format from the page
// (the USB readers through ASPI, the IDE slot through the card driver), and the volume the
// machine's firmware maps from the new flash image is one fsck.fat accepts.
struct RawFlashReader {
  const char* name;
  const char* reader;
  const char* card;
  win::DWORD mediaCode;
};

class RawFlash9x : public FormatPage, public ::testing::WithParamInterface<RawFlashReader> {};

TEST_P(RawFlash9x, TheCardGetsItsLowLevelFormatAndASoundVolume) {
  const RawFlashReader& reader = GetParam();
  const std::string machine = std::string(R"({ "version": 1, "windows": "98", "readers": [ { )") + reader.reader +
                              R"(, "letter": "F", "card": )" + reader.card + " } ] }";
  Start(machine);
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "Format completed successfully.");
  OnPage(kFormatTool, kFormatPageTemplate, 0, [&](ui::HWND page) {
    Format(page, false, false);
    ExpectIdlePage(page);
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(FormatStatus, reader.mediaCode);
  const auto description = machine::ParseMachineDescription(machine, tarnlok::test_support::TestDataHome());
  auto card = machine::OpenCardImage(description.readers[0].card);
  ASSERT_TRUE(card.ok()) << "the firmware maps the new card";
  Bytes sectors((*card)->SectorCount() * machine::SectorDevice::kSectorSize);
  ASSERT_TRUE((*card)->ReadSectors(0, sectors).ok());
  const auto extent = machine::FindFatVolume(**card);
  ASSERT_TRUE(extent.ok());
  // A SmartMedia boot record has no extended boot signature, and fsck.fat then takes its label
  // field for an invalid label; with the signature set on the copy it judges the rest.
  sectors[extent->firstSector * machine::SectorDevice::kSectorSize + 38] = 0x29;
  const auto fsck = test_support::CheckVolume(sectors, static_cast<win::DWORD>(extent->firstSector));
  EXPECT_EQ(fsck.status, 0) << fsck.output;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Readers, RawFlash9x, ::testing::Values(
    RawFlashReader{"SmartMediaUsb", R"("bus": "usb", "maker": true)",
                   R"({ "kind": "sm", "image": "flash.img", "deviceCode": 117, "factoryBadBlocks": [3, 900] })", 117},
    RawFlashReader{"SmartMediaOlderUsb", R"("bus": "usb", "maker": true, "firmware": "older")",
                   R"({ "kind": "sm", "image": "flash.img", "deviceCode": 117 })", 117},
    RawFlashReader{"SmartMediaIde", R"("bus": "ide", "maker": true)",
                   R"({ "kind": "sm", "image": "flash.img", "deviceCode": 117 })", 117},
    RawFlashReader{"MemoryStickUsb", R"("bus": "usb", "maker": true)",
                   R"({ "kind": "ms", "image": "ms.img", "blocks": 2048, "pagesPerBlock": 32, "factoryBadBlocks": [7] })",
                   65536}),
    [](const auto& reader) { return std::string(reader.param.name); });
// clang-format on

}  // namespace
}  // namespace tarnlok

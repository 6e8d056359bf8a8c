// The machine's panel driven as a person drives it: each click changes the machine, and the
// program's side sees the change through the devices (TEST UNIT READY, MODE SENSE, the
// volume on the drive letter), also while a modal dialog of the program waits.
#include "platform/panel/machine_panel.h"

#include "platform/machine/testing/machine_testing.h"
#include "platform/machine/testing/fat_images.h"
#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/menu.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/paths.h"

#include <gtest/gtest.h>

#include <fstream>

namespace machine {
namespace {

using test_support::OpenDevice;
using test_support::SendScsi;

constexpr std::uint64_t kCardSectors = 16384;

class MachinePanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":"xp","readers":[
      {"maker":true,"vendor":"Kestro  ","product":"CF Reader","letter":"E",
       "card":{"kind":"cf","image":"cf.img","sectors":16384}},
      {"vendor":"Generic ","product":"SD Reader","letter":"F",
       "card":{"kind":"mmcsd","image":"sd.img","sectors":16384,"writeProtected":true}},
      {"bus":"floppy","letter":"A","card":{"kind":"none"}},
      {"vendor":"Generic ","product":"CF Reader","letter":"G"}]})"));
    machine_->Install();
    panel_ = std::make_unique<MachinePanel>(*machine_);
    ASSERT_TRUE(panel_->Open());
  }

  void TearDown() override {
    panel_->DestroyWindow();
    EXPECT_TRUE(failures_.empty()) << failures_.front();
  }

  // Delivers what the driver posted, as the program's loops do.
  static void Pump() {
    ui::MSG message{};
    while (ui::PeekMessage(&message, nullptr, 0, 0, ui::PM_REMOVE)) {
      ui::TranslateMessage(&message);
      ui::DispatchMessage(&message);
    }
  }

  void Choose(int row) {
    ASSERT_TRUE(driver_.Select(panel_->m_hWnd, MachinePanel::kReaderList, row));
    Pump();
  }

  void Click(int id) {
    ASSERT_TRUE(driver_.Click(panel_->m_hWnd, id));
    Pump();
  }

  bool Enabled(int id) const { return ui::IsWindowEnabled(ui::GetDlgItem(panel_->m_hWnd, id)) != 0; }
  std::string Cell(int row, int column) { return list().GetItemText(row, column); }
  ui::CListCtrl& list() { return *static_cast<ui::CListCtrl*>(panel_->GetDlgItem(MachinePanel::kReaderList)); }

  // TEST UNIT READY on the reader's volume device: the sense key, 0 when ready.
  static std::uint8_t UnitSense(char letter) {
    const auto device = OpenDevice(std::string(1, letter) + ":");
    const auto answer = SendScsi(device, {0x00, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED);
    win::CloseHandle(device);
    return answer.status == 0 ? 0 : answer.SenseKey();
  }

  // INQUIRY bytes 36-39 of the maker's reader: its media status word, 0 without a card.
  static std::vector<std::uint8_t> MediaStatus(char letter) {
    const auto device = OpenDevice(std::string(1, letter) + ":");
    const auto answer = SendScsi(device, {0x12, 0, 0, 0, 42, 0}, 42);
    win::CloseHandle(device);
    return {answer.data.begin() + 36, answer.data.begin() + 40};
  }

  // The write-protect bit of MODE SENSE(6)'s header.
  static bool ModeSenseWriteProtected(char letter) {
    const auto device = OpenDevice(std::string(1, letter) + ":");
    const auto answer = SendScsi(device, {0x1A, 0, 0, 0, 12, 0}, 12);
    win::CloseHandle(device);
    return (answer.data[2] & 0x80) != 0;
  }

  // Creates a file on a card volume; its error, 0 when it worked.
  static win::DWORD PutFile(const std::string& path) {
    const auto file = win::CreateFileA(path.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW, 0, nullptr);
    if (file == win::INVALID_HANDLE_VALUE) return win::GetLastError();
    win::DWORD written = 0;
    const bool ok = win::WriteFile(file, "panel", 5, &written, nullptr) != 0;
    win::CloseHandle(file);
    return ok ? 0 : win::GetLastError();
  }

  static win::DWORD FileError(const std::string& path) {
    win::WIN32_FIND_DATAA found{};
    const auto search = win::FindFirstFileA(path.c_str(), &found);
    if (search == win::INVALID_HANDLE_VALUE) return win::GetLastError();
    win::FindClose(search);
    return 0;
  }

  std::string ImagePath(const std::string& name) const {
    return win::WindowsPathOfHost(tarnlok::test_support::TestDataHome() / name);
  }

  std::vector<std::string> failures_;
  ui::TestDriver driver_{[this](const std::string& what) { failures_.push_back(what); }};
  ui::ScriptedPrompter prompter_{[this](const std::string& what) { failures_.push_back(what); }};
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<MachinePanel> panel_;
};

TEST_F(MachinePanelTest, ListsEachReaderWithItsCard) {
  ASSERT_EQ(list().GetItemCount(), 4);
  EXPECT_EQ(Cell(0, 0), "E:");
  EXPECT_EQ(Cell(0, 1), "Kestro CF Reader");
  EXPECT_EQ(Cell(0, 2), "CompactFlash, 8 MB");
  EXPECT_EQ(Cell(0, 3), "no");
  EXPECT_EQ(Cell(0, 4), "cf.img");
  EXPECT_EQ(Cell(1, 2), "MMC/SD, 7 MB");
  EXPECT_EQ(Cell(1, 3), "yes");
  EXPECT_EQ(Cell(2, 1), "Floppy drive");
  EXPECT_EQ(Cell(2, 2), "none");
  EXPECT_EQ(Cell(2, 4), "");

  // The buttons follow the selected reader: a full slot can be emptied, an empty one filled.
  EXPECT_TRUE(Enabled(MachinePanel::kRemove));
  EXPECT_FALSE(Enabled(MachinePanel::kInsert));
  Choose(2);
  EXPECT_FALSE(Enabled(MachinePanel::kRemove));
  EXPECT_TRUE(Enabled(MachinePanel::kInsert));
  EXPECT_FALSE(Enabled(MachinePanel::kWriteProtect));
}

TEST_F(MachinePanelTest, RemoveAndInsertAreSeenByTheProgram) {
  ASSERT_EQ(PutFile("E:\\KEEP.TXT"), 0U);
  const std::vector<std::uint8_t> noCard(4, 0);
  const auto withCard = MediaStatus('E');
  EXPECT_NE(withCard, noCard);
  Click(MachinePanel::kRemove);
  EXPECT_EQ(Cell(0, 2), "none");
  EXPECT_EQ(UnitSense('E'), 0x02) << "NOT READY: medium not present";
  EXPECT_EQ(MediaStatus('E'), noCard);
  EXPECT_EQ(FileError("E:\\KEEP.TXT"), win::ERROR_NOT_READY);

  prompter_.AnswerFile(ImagePath("cf.img"));
  Click(MachinePanel::kInsert);
  EXPECT_EQ(prompter_.Asked().back().text, "Insert a card into E:");
  EXPECT_EQ(Cell(0, 2), "CompactFlash, 8 MB");
  EXPECT_EQ(UnitSense('E'), 0);
  EXPECT_EQ(MediaStatus('E'), withCard);
  EXPECT_EQ(FileError("E:\\KEEP.TXT"), 0U) << "the volume is back with its file";
}

TEST_F(MachinePanelTest, ANewImageNameBecomesAFreshCardThatFsckAccepts) {
  Click(MachinePanel::kRemove);
  prompter_.AnswerFile(ImagePath("new.img"));
  Click(MachinePanel::kInsert);
  const auto& asked = prompter_.Asked().back();
  EXPECT_EQ(asked.folder, win::WindowsPathOfHost(tarnlok::test_support::TestDataHome()))
      << "the dialog opens in the folder of the machine's cards";
  EXPECT_EQ(asked.flags & ui::OFN_FILEMUSTEXIST, 0U) << "the dialog takes a name that does not exist yet";
  EXPECT_EQ(Cell(0, 4), "new.img");
  const auto image = tarnlok::test_support::TestDataHome() / "new.img";
  ASSERT_TRUE(std::filesystem::exists(image));
  EXPECT_EQ(std::filesystem::file_size(image), kCardSectors * kSectorSize)
      << "the size the reader's card was described with";
  EXPECT_EQ(PutFile("E:\\FRESH.TXT"), 0U);

  const auto volume = OpenDevice("E:");
  win::DWORD returned = 0;
  win::DeviceIoControl(volume, win::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
  win::CloseHandle(volume);
  const auto start = machine_->ReaderAt('E')->Medium()->window.firstSector;
  const auto checked = test_support::CheckWithFsck({image, start * kSectorSize, test_support::FatKind::Fat16});
  EXPECT_EQ(checked.status, 0) << checked.output;
}

TEST_F(MachinePanelTest, AReaderDescribedEmptyTakesAFreshCardOfItsBus) {
  Choose(2);
  prompter_.AnswerFile(ImagePath("floppy.img"));
  Click(MachinePanel::kInsert);
  EXPECT_EQ(Cell(2, 2), "Floppy disk, 1 MB");
  EXPECT_EQ(std::filesystem::file_size(tarnlok::test_support::TestDataHome() / "floppy.img"), 2880U * kSectorSize);
  EXPECT_EQ(PutFile("A:\\DISK.TXT"), 0U);
}

// The program ejects the card with START STOP UNIT; the panel shows it once a person turns to it.
TEST_F(MachinePanelTest, ChangesOfTheProgramShowWhenThePanelIsActivated) {
  const auto device = OpenDevice("E:");
  constexpr std::uint8_t kEject = 0x02;
  EXPECT_EQ(SendScsi(device, {0x1B, 0, 0, 0, kEject, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED).status, 0);
  win::CloseHandle(device);
  EXPECT_EQ(Cell(0, 2), "CompactFlash, 8 MB");
  ui::SendMessage(panel_->m_hWnd, ui::WM_ACTIVATE, ui::WA_ACTIVE, 0);
  EXPECT_EQ(Cell(0, 2), "CompactFlash, 8 MB (not ready)");
  EXPECT_TRUE(Enabled(MachinePanel::kRemove)) << "an ejected card is still in the slot";
}

TEST_F(MachinePanelTest, AnImageThatIsNoCardIsRefusedWithAMessage) {
  Click(MachinePanel::kRemove);
  std::ofstream(tarnlok::test_support::TestDataHome() / "odd.img") << "not a whole sector";
  prompter_.AnswerFile(ImagePath("odd.img"));
  prompter_.AnswerMessageBox(ui::IDOK, "is no card image");
  Click(MachinePanel::kInsert);
  EXPECT_EQ(Cell(0, 2), "none");
  EXPECT_EQ(UnitSense('E'), 0x02);
  EXPECT_EQ(prompter_.Unanswered(), 0U);
}

TEST_F(MachinePanelTest, AnImageAlreadyInAReaderIsRefused) {
  ASSERT_EQ(PutFile("E:\\ONCE.TXT"), 0U);
  Choose(1);
  Click(MachinePanel::kRemove);
  prompter_.AnswerFile(ImagePath("cf.img"));
  prompter_.AnswerMessageBox(ui::IDOK, "cf.img is the card in reader E:");
  Click(MachinePanel::kInsert);
  EXPECT_EQ(Cell(1, 2), "none");
  EXPECT_EQ(FileError("F:\\ONCE.TXT"), win::ERROR_NOT_READY);
  EXPECT_EQ(prompter_.Unanswered(), 0U);
}

TEST_F(MachinePanelTest, SwapMovesTheCardsBetweenTheReadersChosenInTheMenu) {
  ASSERT_EQ(PutFile("E:\\FROM_E.TXT"), 0U);
  Click(MachinePanel::kWriteProtect);
  std::vector<std::string> offered;
  driver_.OnMenu([&](ui::HMENU menu, ui::HWND) {
    for (int i = 0; i < ui::GetMenuItemCount(menu); ++i) {
      char text[64] = {};
      ui::GetMenuStringA(menu, static_cast<ui::UINT>(i), text, sizeof(text), ui::MF_BYPOSITION);
      offered.push_back(text);
    }
    return ui::GetMenuItemID(menu, 2);
  });
  Click(MachinePanel::kSwap);
  EXPECT_EQ(offered, (std::vector<std::string>{"F: Generic SD Reader", "A: Floppy drive", "G: Generic CF Reader"}));
  EXPECT_EQ(Cell(0, 2), "none");
  EXPECT_EQ(Cell(3, 2), "CompactFlash, 7 MB") << "the other maker's reader counts by the volume";
  EXPECT_EQ(FileError("G:\\FROM_E.TXT"), 0U);
  EXPECT_TRUE(ModeSenseWriteProtected('G')) << "the protected card moved to G:";

  // Neither a CompactFlash card in an MMC/SD slot nor one in a floppy drive: the cards stay
  // where they are, and the person is told.
  Choose(3);
  for (int other : {1, 2}) {  // F: and A: in the menu of G:
    driver_.OnMenu([other](ui::HMENU menu, ui::HWND) { return ui::GetMenuItemID(menu, other); });
    prompter_.AnswerMessageBox(ui::IDOK, "do not fit");
    Click(MachinePanel::kSwap);
    EXPECT_EQ(Cell(3, 2), "CompactFlash, 7 MB");
    EXPECT_EQ(Cell(1, 2), "MMC/SD, 7 MB");
    EXPECT_EQ(Cell(2, 2), "none");
  }
  EXPECT_EQ(prompter_.Unanswered(), 0U);
}

TEST_F(MachinePanelTest, TheWriteProtectSwitchIsSeenByModeSenseAndWrites) {
  EXPECT_FALSE(ModeSenseWriteProtected('E'));
  const auto writable = MediaStatus('E');
  Click(MachinePanel::kWriteProtect);
  EXPECT_NE(MediaStatus('E'), writable) << "the media status word carries the switch";
  EXPECT_EQ(ui::IsDlgButtonChecked(panel_->m_hWnd, MachinePanel::kWriteProtect), ui::BST_CHECKED);
  EXPECT_EQ(Cell(0, 3), "yes");
  EXPECT_TRUE(ModeSenseWriteProtected('E'));
  EXPECT_EQ(PutFile("E:\\LOCKED.TXT"), win::ERROR_WRITE_PROTECT);

  Click(MachinePanel::kWriteProtect);
  EXPECT_EQ(Cell(0, 3), "no");
  EXPECT_FALSE(ModeSenseWriteProtected('E'));
  EXPECT_EQ(PutFile("E:\\OPEN.TXT"), 0U);
}

// The program waits in a modal dialog for the other card, as Duplicate does; the panel is
// still served and enabled, and the dialog sees the card the person puts in.
TEST_F(MachinePanelTest, WorksWhileAModalDialogOfTheProgramWaits) {
  ui::RegisterDialogTemplateText(nullptr, R"(
DIALOG 4100 0 0 200 60
STYLE POPUP CAPTION
CAPTION "Duplicate"
CONTROL 1 BUTTON "OK" 10 10 50 14 DEFPUSHBUTTON TABSTOP
)");
  Click(MachinePanel::kRemove);
  std::vector<std::uint8_t> seen;
  driver_.OnDialog(4100, [&](ui::HWND dialog) {
    seen.push_back(UnitSense('E'));
    prompter_.AnswerFile(ImagePath("cf.img"));
    EXPECT_TRUE(driver_.Click(panel_->m_hWnd, MachinePanel::kInsert));
    driver_.WhenIdle([&, dialog] {
      seen.push_back(UnitSense('E'));
      EXPECT_TRUE(driver_.Click(dialog, ui::IDOK));
    });
  });
  ui::CDialog waiting(4100);
  EXPECT_EQ(waiting.DoModal(), ui::IDOK);
  EXPECT_EQ(seen, (std::vector<std::uint8_t>{0x02, 0x00}));
}

}  // namespace
}  // namespace machine

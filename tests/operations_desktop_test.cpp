// The Tools page's operations and Recovery as a person meets them on the desktop: the device
// chosen with the mouse, the sheets opened with their Alt keys, file dialogs answered by typing a
// path, boxes answered with Enter, and each run judged by what it left on the card or on disk.
#include "platform/machine/cards/image_file_device.h"
#include "platform/machine/fat/fat_boot_sector.h"
#include "platform/machine/fat/fat_partition.h"
#include "platform/machine/testing/fat_images.h"
#include "platform/win/layouts/byte_order.h"
#include "tests/program_on_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>
#include <utility>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace tarnlok::test_support;
using std::chrono::seconds;
namespace fat = machine::test_support;

constexpr std::size_t kFmbHeaderBytes = 51;
// The program's file dialogs have no title of their own: X names them after the program.
constexpr const char* kProgramFileDialog = "tarnlok";

// Where the main window shows things, in its dialog units: the device rows, the sheet's tabs and
// the page under them.
constexpr int kFirstDeviceRowY = 52;
constexpr double kDeviceRowPitch = 11.1;
constexpr int kDeviceRowX = 66;
constexpr int kTabsY = 61;
constexpr int kToolsTabX = 322;
constexpr int kRecoveryTabX = 265;
constexpr int kPageX = 161;
constexpr int kPageY = 67;
// The Tools page's Backup button.
constexpr int kBackupButtonX = 200;
constexpr int kBackupButtonY = 94;

// The default machine lists A:, E:, F:, G:, H:, I:.
constexpr int kFloppyRow = 0;
constexpr int kCompactFlashRow = 1;

using Bytes = std::vector<std::uint8_t>;
using fat::ReadHostFile;

// What a backup image holds behind its header: the card's bytes.
Bytes ImageBody(const std::filesystem::path& image) {
  Bytes bytes = ReadHostFile(image);
  if (bytes.size() < kFmbHeaderBytes) return {};
  bytes.erase(bytes.begin(), bytes.begin() + kFmbHeaderBytes);
  return bytes;
}

class OperationsOnDisplay : public ProgramOnDisplay {
 protected:
  std::filesystem::path CompactFlashCard() const { return home_ / "tarnlok" / "cards" / "cf.img"; }

  // The program on the given machine with the main window and the panel on the screen.
  void StartOn(const std::string& description) {
    Start(description);
    main_ = Window("Tarnlok V2");
    ASSERT_FALSE(main_.empty()) << program_->Text();
    panel_ = Window("Machine");
    ASSERT_FALSE(panel_.empty()) << program_->Text();
  }
  void ChooseDevice(int row) const {
    ClickAt(main_, kDeviceRowX, static_cast<int>(kFirstDeviceRowY + kDeviceRowPitch * row));
  }
  // Opens a sheet of the Tools page with the Alt key its button shows.
  std::string OpenTool(int row, const std::string& title, const std::string& altKey) {
    ChooseDevice(row);
    ClickAt(main_, kToolsTabX, kTabsY);
    Keys(main_, altKey);
    return Window(title);
  }
  void ClickOnPage(int x, int y) const { ClickAt(main_, kPageX + x, kPageY + y); }
  // Closes a sheet with its Close button, below the page at its right, and waits until it is gone.
  // A click that comes while the sheet still takes in the end of its run is lost: click again.
  bool CloseSheet(const std::string& title) {
    for (int tries = 0; tries < 5; ++tries) {
      ClickAt(Showing(title), 231, 213);
      if (WaitFor([&] { return Showing(title).empty(); }, seconds(3))) return true;
    }
    return false;
  }
  std::vector<std::string> Known(const std::string& sheet = "") const { return {main_, panel_, sheet}; }
  // Does what starts a run until its first box opens: a click or key that comes while the sheet
  // still takes in the step before is lost, and a person presses again.
  bool UntilABoxOpens(const std::string& sheet, const std::function<void()>& press) {
    return UntilOpens(Known(sheet), "Tarnlok V2", press);
  }
  // The same for any window of that name, such as the file dialog of the panel's Insert card:
  // a click that comes while the panel still takes in the Remove before it finds the button off.
  bool UntilOpens(const std::vector<std::string>& known, const std::string& name, const std::function<void()>& press) {
    for (int tries = 0; tries < 5; ++tries) {
      press();
      if (!NewWindow(known, name, seconds(5)).empty()) return true;
    }
    return false;
  }

  // A whole-card backup of the CompactFlash card through the Backup sheet, into image.
  void BackUp(const std::filesystem::path& image) {
    ASSERT_NO_FATAL_FAILURE(StartWholeCardBackup(kCompactFlashRow, image));
    ASSERT_TRUE(Answer(Known(sheet_), "Return")) << "the backup ends with its message";
    ASSERT_TRUE(CloseSheet("Backup"));
  }
  // Opens the Backup sheet of the row and starts a backup of the whole card into image; the
  // sheet is sheet_.
  void StartWholeCardBackup(int row, const std::filesystem::path& image) {
    sheet_ = OpenTool(row, "Backup", "alt+b");
    ASSERT_FALSE(sheet_.empty()) << program_->Text();
    ClickAt(sheet_, 20, 89);  // "Exact duplicate": the whole card
    ClickAt(sheet_, 246, 40);  // the browse button beside the name
    ASSERT_TRUE(AnswerFileDialog(Known(sheet_), kProgramFileDialog, image)) << "the save dialog opens";
    ASSERT_TRUE(UntilABoxOpens(sheet_, [&] { Keys(sheet_, "alt+b"); }));
    ASSERT_TRUE(Answer(Known(sheet_), "Return")) << "close the other applications: OK";
  }
  // A quick format of the CompactFlash card through the Format sheet, to its summary.
  void QuickFormat() {
    const std::string sheet = OpenTool(kCompactFlashRow, "Format", "alt+f");
    ASSERT_FALSE(sheet.empty()) << program_->Text();
    Keys(sheet, "alt+q");
    // Alt+F on this sheet is taken by "Full": the Format button is clicked.
    ASSERT_TRUE(UntilABoxOpens(sheet, [&] { ClickAt(sheet, 226, 183); }));
    ASSERT_TRUE(Answer(Known(sheet), "alt+y")) << "are you certain: Yes";
    const std::string summary = Window("Format Summary");
    ASSERT_FALSE(summary.empty()) << program_->Text();
    // A summary that is still being mapped misses the key: press again, as a person would.
    bool summaryClosed = false;
    for (int tries = 0; tries < 10 && !summaryClosed; ++tries) {
      Keys(summary, "Return");
      summaryClosed = WaitFor([&] { return !Visible(summary); }, seconds(1));
    }
    ASSERT_TRUE(summaryClosed) << "Enter closes the summary";
    ASSERT_TRUE(CloseSheet("Format")) << "the run is over";
  }
  // The Recovery page of the row, its output folder (a Windows path) set through its Options.
  void RecoveryInto(int row, const std::string& windowsPath) {
    ChooseDevice(row);
    ClickAt(main_, kRecoveryTabX, kTabsY);
    ClickOnPage(98, 183);  // Options
    const std::string options = Window(" Options");
    ASSERT_FALSE(options.empty()) << program_->Text();
    ClickAt(options, 139, 40);  // the output folder
    Keys(options, "ctrl+a");
    Type(options, windowsPath);
    Keys(options, "Return");
    ASSERT_TRUE(WaitFor([&] { return Showing(" Options").empty(); }, seconds(10))) << "OK takes the folder";
  }
  // What happens on the screen is in the program's output when a step finds nothing.
  void TearDown() override {
    if (HasFailure() && program_) std::cerr << program_->Text();
    ProgramOnDisplay::TearDown();
  }

  std::string main_, panel_, sheet_;
};

TEST_F(OperationsOnDisplay, BackupWritesTheWholeCardBehindTheImageHeader) {
  ASSERT_NO_FATAL_FAILURE(StartOn(""));
  const auto image = home_ / "card.FMB";
  ASSERT_NO_FATAL_FAILURE(BackUp(image));
  const Bytes card = ReadHostFile(CompactFlashCard());
  ASSERT_FALSE(card.empty());
  EXPECT_EQ(std::filesystem::file_size(image), kFmbHeaderBytes + card.size());
  EXPECT_TRUE(ImageBody(image) == card) << "the body is the card byte for byte";
}

TEST_F(OperationsOnDisplay, RestoreWritesTheImageOntoAFreshCardFromThePanel) {
  ASSERT_NO_FATAL_FAILURE(StartOn(""));
  const auto image = home_ / "card.FMB";
  ASSERT_NO_FATAL_FAILURE(BackUp(image));
  // The card swapped through the panel: taken out and a fresh one of the reader's size put in.
  const auto fresh = home_ / "fresh-cf.img";
  std::ofstream(fresh, std::ios::binary).close();
  std::filesystem::resize_file(fresh, std::filesystem::file_size(CompactFlashCard()));
  Keys(panel_, "alt+r");
  ASSERT_TRUE(UntilOpens(Known(), "Insert a card into E:", [&] { Keys(panel_, "alt+i"); }));
  ASSERT_TRUE(AnswerFileDialog(Known(), "Insert a card into E:", fresh)) << "Insert card asks for the card's image";
  ASSERT_FALSE(ImageBody(image) == ReadHostFile(fresh)) << "the fresh card is blank";

  const std::string sheet = OpenTool(kCompactFlashRow, "Restore", "alt+r");
  ASSERT_FALSE(sheet.empty()) << program_->Text();
  ClickAt(sheet, 246, 62);  // the browse button beside the name
  ASSERT_TRUE(AnswerFileDialog(Known(sheet), kProgramFileDialog, image)) << "the open dialog opens";
  ASSERT_TRUE(UntilABoxOpens(sheet, [&] { ClickAt(sheet, 162, 183); }));  // Restore
  ASSERT_TRUE(Answer(Known(sheet), "Return")) << "the warning that the card is overwritten: OK";
  ASSERT_TRUE(Answer(Known(sheet), "Return")) << "the restore ends with its message";
  EXPECT_TRUE(ImageBody(image) == ReadHostFile(fresh)) << "the card is the backup's body";
}

// The box that asks for the blank card leaves the machine's panel usable: the card is swapped
// there, as a person swaps it in the reader.
TEST_F(OperationsOnDisplay, DuplicateCopiesTheCardOntoTheBlankCardPutInWhenAsked) {
  ASSERT_NO_FATAL_FAILURE(StartOn(""));
  const Bytes original = ReadHostFile(CompactFlashCard());
  ASSERT_FALSE(original.empty());
  const std::string sheet = OpenTool(kCompactFlashRow, "Duplicate", "alt+d");
  ASSERT_FALSE(sheet.empty()) << program_->Text();
  ASSERT_TRUE(UntilABoxOpens(sheet, [&] { Keys(sheet, "alt+d"); }));
  ASSERT_TRUE(Answer(Known(sheet), "Return")) << "close the other applications: OK";
  const std::string insert = NewWindow(Known(sheet), "Tarnlok V2", seconds(60));
  ASSERT_FALSE(insert.empty()) << "the box that asks for the blank card";
  const auto blank = home_ / "blank-cf.img";
  std::ofstream(blank, std::ios::binary).close();
  std::filesystem::resize_file(blank, original.size());
  // A box's loop gives the panel no keyboard mnemonics, as on Windows: its buttons are clicked.
  ClickAt(panel_, 37, 95);  // Remove card
  auto known = Known(sheet);
  known.push_back(insert);
  ASSERT_TRUE(UntilOpens(known, "Insert a card into E:", [&] { ClickAt(panel_, 102, 95); }));  // Insert card...
  ASSERT_TRUE(AnswerFileDialog(known, "Insert a card into E:", blank)) << "the panel takes the blank card";
  ASSERT_TRUE(Answer(Known(sheet), "Return")) << "the blank card is in: OK";
  ASSERT_TRUE(Answer(Known(sheet), "Return")) << "the duplicate ends with its message";
  EXPECT_TRUE(ReadHostFile(blank) == original) << "the blank card holds the copy";
}

// The volume of a card image, found as the system finds it, for fsck.fat and mtools.
fat::TestImage VolumeOf(const std::filesystem::path& card) {
  auto device = machine::ImageFileDevice::Open(card, true);
  if (!device) return {};
  const auto extent = machine::FindFatVolume(**device);
  if (!extent) return {};
  return {card, extent->firstSector * machine::SectorDevice::kSectorSize, fat::FatKind::Fat16};
}

std::string RootListing(const fat::TestImage& volume) {
  return fat::RunTool("mdir -b -i " + fat::Quote(volume.MtoolsTarget()) + " ::/").output;
}

// A card that has been used: formatted once, then a file put on it with mtools, so that the
// second format meets entries where its own directory lies.
TEST_F(OperationsOnDisplay, QuickFormatLeavesAnEmptyVolumeThatFsckAccepts) {
  ASSERT_NO_FATAL_FAILURE(StartOn(""));
  ASSERT_NO_FATAL_FAILURE(QuickFormat());
  const auto used = VolumeOf(CompactFlashCard());
  ASSERT_FALSE(used.path.empty());
  const auto note = home_ / "NOTE.TXT";
  std::ofstream(note) << "a file of the card's owner";
  fat::PutWithMtools(used, note, "::/NOTE.TXT");
  ASSERT_NE(RootListing(used).find("NOTE"), std::string::npos);

  ASSERT_NO_FATAL_FAILURE(QuickFormat());
  const auto formatted = VolumeOf(CompactFlashCard());
  ASSERT_FALSE(formatted.path.empty()) << "the card shows a FAT volume";
  const auto fsck = fat::CheckWithFsck(formatted);
  EXPECT_EQ(fsck.status, 0) << fsck.output;
  const std::string listing = RootListing(formatted);
  EXPECT_EQ(listing.find("NOTE"), std::string::npos) << "the file is gone: " << listing;
  EXPECT_EQ(listing.find("DCIM"), std::string::npos) << listing;
}

// The bytes of a deleted file, as the card still holds them: its directory entry (the first
// letter of its name overwritten by 0xE5) gives its first cluster and size, and a camera writes
// a photograph onto a fresh card in one run of clusters.
Bytes DeletedFile(const std::filesystem::path& card, const std::string& nameAfterFirstLetter) {
  const Bytes bytes = ReadHostFile(card);
  const std::string name = "\xE5" + nameAfterFirstLetter;
  const auto entry =
      std::search(bytes.begin(), bytes.end(), name.begin(), name.end(),
                  [](std::uint8_t byte, char letter) { return byte == static_cast<std::uint8_t>(letter); });
  auto device = machine::ImageFileDevice::Open(card, true);
  if (entry == bytes.end() || !device) return {};
  const auto extent = machine::FindFatVolume(**device);
  if (!extent) return {};
  machine::SectorWindow window(**device, extent->firstSector, extent->sectorCount);
  const auto geometry = machine::ReadGeometry(window);
  if (!geometry) return {};
  const auto fields = std::span(bytes).subspan(static_cast<std::size_t>(entry - bytes.begin()));
  const auto cluster = win::TryRead16(fields, 26, win::Endian::Little);
  const auto size = win::TryRead32(fields, 28, win::Endian::Little);
  if (!cluster || !size) return {};
  const std::size_t data =
      (extent->firstSector + geometry->ClusterSector(*cluster)) * machine::SectorDevice::kSectorSize;
  if (data > bytes.size() || *size > bytes.size() - data) return {};
  return {bytes.begin() + static_cast<std::ptrdiff_t>(data), bytes.begin() + static_cast<std::ptrdiff_t>(data + *size)};
}

bool HasCopy(const Bytes& wanted, const std::filesystem::path& folder) {
  if (wanted.empty() || !std::filesystem::is_directory(folder)) return false;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && ReadHostFile(entry.path()) == wanted) return true;
  }
  return false;
}

TEST_F(OperationsOnDisplay, RecoveryBringsTheDeletedPhotographsBackIntoTheOutputFolder) {
  ASSERT_NO_FATAL_FAILURE(StartOn(""));
  const std::vector<Bytes> deleted{DeletedFile(CompactFlashCard(), "MG_0003JPG"),
                                   DeletedFile(CompactFlashCard(), "MG_0006JPG")};
  for (const auto& photo : deleted) {
    ASSERT_TRUE(photo.size() > 2 && photo[0] == 0xFF && photo[1] == 0xD8) << "a JPEG is on the card";
  }
  const auto found = home_ / "found";
  std::string windowsPath = "Z:" + found.string();
  std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
  ASSERT_NO_FATAL_FAILURE(RecoveryInto(kCompactFlashRow, windowsPath));
  ClickOnPage(162, 183);  // Recover
  const auto allFound = [&] {
    return std::all_of(deleted.begin(), deleted.end(), [&](const Bytes& photo) { return HasCopy(photo, found); });
  };
  WaitFor(allFound, seconds(60));
  for (const auto& photo : deleted) EXPECT_TRUE(HasCopy(photo, found)) << "a deleted photograph is recovered";
  // The run starts the viewer, which shows the person the output folder.
  WaitFor([&] { return !ReadAll(OpenedFile()).empty(); }, seconds(20));
  EXPECT_EQ(ReadAll(OpenedFile()), found.string() + "\n");
}

// A box of a run in the main window is owned by it: Recover with the output folder on the card
// itself says no, and while that box waits the sheet's tabs take no click; once it is answered
// they take one again. Options refuse the selected card's drive, so the folder on E: is set
// while the floppy drive is selected.
TEST_F(OperationsOnDisplay, ARunsBoxKeepsTheMainWindowFromClicksUntilItIsAnswered) {
  ASSERT_NO_FATAL_FAILURE(StartOn(""));
  ASSERT_NO_FATAL_FAILURE(RecoveryInto(kFloppyRow, "E:\\found"));
  ChooseDevice(kCompactFlashRow);
  ClickAt(main_, kRecoveryTabX, kTabsY);
  ASSERT_TRUE(UntilABoxOpens("", [&] { ClickOnPage(162, 183); })) << "Recover says the folder is on the card";
  // The Tools tab clicked while the box waits: refused, so that a click where the Tools page
  // shows its Backup button, once the box is gone, lands on the Recovery page still in front.
  ClickAt(main_, kToolsTabX, kTabsY);
  ASSERT_TRUE(Answer(Known(), "Return"));
  ClickAt(main_, kBackupButtonX, kBackupButtonY);
  EXPECT_FALSE(WaitFor([&] { return !Showing("Backup").empty(); }, seconds(3))) << "the tab took the click";
  ClickAt(main_, kToolsTabX, kTabsY);
  ClickAt(main_, kBackupButtonX, kBackupButtonY);
  EXPECT_FALSE(Window("Backup").empty()) << "the main window takes clicks again";
}

// What a person sees of the windows: the values a page shows, a panel that answers during a run,
// and, on a managed desktop, captions on the screen, fixed frames and boxes above their owners.
class ScreenOnDisplay : public OperationsOnDisplay {
 protected:
  // Pixels darker than the page's greys (text drawn in black) inside a rectangle of a window,
  // given in its dialog units, as the screen shows it.
  int DarkPixels(const std::string& window, int x, int y, int width, int height) const {
    const auto shot = home_ / "shot.png";
    X("import -window " + window + " " + Quoted(shot));
    const std::string crop =
        std::to_string(ui::DialogUnitsToPixelsX(width)) + "x" + std::to_string(ui::DialogUnitsToPixelsY(height)) + "+" +
        std::to_string(ui::DialogUnitsToPixelsX(x)) + "+" + std::to_string(ui::DialogUnitsToPixelsY(y));
    const std::string count =
        Output("convert " + Quoted(shot) + " -crop " + crop +
               " +repage -colorspace Gray -threshold 30% -format '%[fx:int(w*h*(1-mean)+0.5)]' info:");
    return count.empty() ? -1 : std::stoi(count);
  }
  // What xprop says of a property of a window.
  std::string Property(const std::string& window, const std::string& name) const {
    return X("xprop -id " + window + " " + name + " 2>/dev/null");
  }
  // Where a window's frame starts on the screen: its client's place less the frame's extents.
  std::pair<int, int> FrameTopLeft(const std::string& window) const {
    const std::string info = X("xwininfo -id " + window);
    Geometry client;
    const auto x = info.find("Absolute upper-left X:");
    const auto y = info.find("Absolute upper-left Y:");
    if (x != std::string::npos) std::sscanf(info.c_str() + x, "Absolute upper-left X: %d", &client.x);
    if (y != std::string::npos) std::sscanf(info.c_str() + y, "Absolute upper-left Y: %d", &client.y);
    int left = 0, right = 0, top = 0;
    const std::string extents = Property(window, "_NET_FRAME_EXTENTS");
    std::sscanf(extents.c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d", &left, &right, &top);
    return {client.x - left, client.y - top};
  }
  // Position of the window among the managed windows, from the bottom; -1 when not managed.
  int StackingIndex(const std::string& window) const {
    // "_NET_CLIENT_LIST_STACKING(WINDOW): window id # 0x400007, 0x600008"
    std::string list = X("xprop -root _NET_CLIENT_LIST_STACKING");
    const auto hash = list.find('#');
    if (hash == std::string::npos || window.empty()) return -1;
    std::replace(list.begin(), list.end(), ',', ' ');
    std::istringstream ids(list.substr(hash + 1));
    int index = 0;
    for (std::string id; ids >> id; ++index) {
      if (std::stoul(id, nullptr, 16) == std::stoul(window)) return index;
    }
    return -1;
  }
};

// A backup of a card large enough to watch: its values (total and current block, percentage)
// stand in black on their grey fields while it runs, and the card pulled in the panel meanwhile
// ends it at once with its message, leaving no image of the whole card.
TEST_F(ScreenOnDisplay, ABackupShowsItsValuesAndEndsWhenTheCardIsPulledFromThePanel) {
  constexpr int kSectors = 2097152;  // 1 GB: a run that lasts longer than a look and a click
  std::ofstream(home_ / "big.json") << R"({"version":1,"readers":[)" + CfReader("E", "big.img", kSectors) + "]}";
  ASSERT_NO_FATAL_FAILURE(StartOn("big.json"));
  const auto image = home_ / "card.FMB";
  ASSERT_NO_FATAL_FAILURE(StartWholeCardBackup(0, image));
  // The fields right of their labels, from the total block down to the percentage.
  EXPECT_TRUE(WaitFor([&] { return DarkPixels(sheet_, 100, 110, 150, 36) > 40; }, seconds(10)))
      << "dark pixels of the values: " << DarkPixels(sheet_, 100, 110, 150, 36);
  ClickAt(panel_, 37, 95);  // Remove card
  ASSERT_TRUE(Answer(Known(sheet_), "Return", seconds(120))) << "the backup ends with its message";
  std::error_code error;
  const auto size = std::filesystem::file_size(image, error);
  EXPECT_TRUE(error || size < kFmbHeaderBytes + std::uint64_t{kSectors} * 512) << "the run stopped when the card left";
  EXPECT_TRUE(CloseSheet("Backup"));
}

// Under a window manager: the help window shows its caption and Escape closes it; the sheet
// opens over the main window with its caption on the screen and a frame that does not resize;
// a box it opens stays above the main window when that is clicked.
TEST_F(ScreenOnDisplay, WindowsShowTheirCaptionSheetsKeepTheirSizeAndBoxesStayInFront) {
  ASSERT_NO_FATAL_FAILURE(ManageWindows());
  ASSERT_NO_FATAL_FAILURE(StartOn(""));
  Keys(main_, "F1");
  const std::string help = Window("The Information page");
  ASSERT_FALSE(help.empty()) << "F1 opens the page's help";
  ASSERT_TRUE(WaitFor([&] { return !Property(help, "_NET_FRAME_EXTENTS").empty(); }, seconds(10)));
  EXPECT_GE(FrameTopLeft(help).second, 0) << "the help window's caption is on the screen";
  Keys(help, "Escape");
  EXPECT_TRUE(WaitFor([&] { return !Visible(help); }, seconds(10))) << "Escape closes help";

  const std::string sheet = OpenTool(kCompactFlashRow, "Backup", "alt+b");
  ASSERT_FALSE(sheet.empty()) << program_->Text();
  ASSERT_TRUE(WaitFor([&] { return !Property(sheet, "_NET_FRAME_EXTENTS").empty(); }, seconds(10)));
  const auto [left, top] = FrameTopLeft(sheet);
  EXPECT_GE(left, 0);
  EXPECT_GE(top, 0) << "the caption is on the screen";
  int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
  const std::string hints = Property(sheet, "WM_NORMAL_HINTS");
  const auto minimum = hints.find("minimum size:");
  const auto maximum = hints.find("maximum size:");
  ASSERT_TRUE(minimum != std::string::npos && maximum != std::string::npos) << hints;
  std::sscanf(hints.c_str() + minimum, "minimum size: %d by %d", &minWidth, &minHeight);
  std::sscanf(hints.c_str() + maximum, "maximum size: %d by %d", &maxWidth, &maxHeight);
  EXPECT_EQ(minWidth, maxWidth) << hints;
  EXPECT_EQ(minHeight, maxHeight) << hints;

  ASSERT_TRUE(UntilABoxOpens(sheet, [&] { Keys(sheet, "alt+b"); })) << "Backup asks to close the other applications";
  const std::string box = NewWindow(Known(sheet), "Tarnlok V2", seconds(5));
  ASSERT_FALSE(box.empty());
  // Under load the window manager can take a moment to list a window it manages.
  const auto listed = [&] { return StackingIndex(box) >= 0 && StackingIndex(main_) >= 0; };
  ASSERT_TRUE(WaitFor(listed, seconds(10))) << X("xprop -root _NET_CLIENT_LIST_STACKING");
  ClickAt(main_, 430, 300);  // the main window beside the sheet
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(WaitFor(listed, seconds(10))) << X("xprop -root _NET_CLIENT_LIST_STACKING");
  EXPECT_GT(StackingIndex(box), StackingIndex(main_)) << "the box stays above the main window";
  EXPECT_TRUE(Answer(Known(sheet), "Return"));
}

}  // namespace

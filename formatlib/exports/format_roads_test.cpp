// The same card formatted on every road of a reader family gives the same bytes, those of a
// golden format, Windows 9x's roads included; the driver's own refusals show their
// messages; failing commands reach the library's prompts, and each answer does what it says.
#include "formatlib/testing/flash_checks.h"
#include "formatlib/testing/flash_machine.h"
#include "formatlib/testing/library_prompts.h"
#include "platform/machine/testing/fat_images.h"

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pradvik {
namespace {

using test_support::InstalledMachine;
using test_support::LoadedLibrary;

std::string Machine(const std::string& windows, const std::string& bus, const std::string& firmware,
                    const std::string& card) {
  return R"({"version":1,"windows":")" + windows + R"(","readers":[{"maker":true,"bus":")" + bus + R"(","firmware":")" +
         firmware + R"(","letter":"F","card":)" + card + "}]}";
}

std::string SmartMedia(const std::string& image, const std::string& extra = "") {
  return R"({"kind":"sm","image":")" + image + R"(","deviceCode":117,"factoryBadBlocks":[3,900])" + extra + "}";
}

std::string Stick(const std::string& image, const std::string& extra = "") {
  return R"({"kind":"ms","image":")" + image + R"(","blocks":2048,"pagesPerBlock":32,"factoryBadBlocks":[3,7])" +
         extra + "}";
}

struct Road {
  const char* windows;
  const char* bus;
  const char* firmware;
  BYTE transport;
  int wide;
};

class FormatRoadsTest : public ::testing::Test {
 protected:
  int Format(BYTE kind, BYTE full, BYTE transport, int wide = 0, ui::HWND step = nullptr) {
    LoadedLibrary library;
    auto* format = library.Bind<DoFormatFn>("DoFormat");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    mediaCode_ = 0;
    busy_ = 0;
    // Windows 9x names the reader by its card driver node; the NT family's id is only kept.
    const DWORD device = NineX(machineWindows_) ? test_support::CardDriverNode('F') : 1;
    return format(nullptr, nullptr, nullptr, step, device, 'F' - 'A', full, nullptr, &mediaCode_, kind, "SmartMedia", 0,
                  nullptr, nullptr, transport, 0, wide, &busy_);
  }

  static bool NineX(const std::string& windows) { return windows == "98" || windows == "95" || windows == "me"; }

  std::uint64_t FormattedDigest(const Road& road, BYTE kind, const std::string& image, bool stick) {
    machineWindows_ = road.windows;
    InstalledMachine machine(Machine(road.windows, road.bus, road.firmware, stick ? Stick(image) : SmartMedia(image)));
    EXPECT_EQ(Format(kind, 0, road.transport, road.wide), 1) << road.windows << " " << road.bus << " " << road.firmware;
    return test_support::Digest(test_support::ReadImage(image));
  }

  // Answers the next prompt of a template with a button.
  void Answer(int templateId, int button) { prompts_.Answer(templateId, button); }

  test_support::LibraryPrompts prompts_;
  const std::vector<std::string>& promptTexts_ = prompts_.Texts();
  ui::ScriptedPrompter prompter_{[](const std::string& what) { ADD_FAILURE() << what; }};
  DWORD mediaCode_ = 0;
  BYTE busy_ = 0;
  std::string machineWindows_ = "xp";
};

// Windows 9x: ASPI for the USB readers, the card driver for the IDE and PCMCIA ones.
constexpr Road kNewerRoads[] = {
    {"xp", "usb", "newer", 3, 0},    {"2000", "usb", "newer", 3, 0},  {"xp", "usb", "wide", 4, 1},
    {"xp", "usb", "wide", 4, 0},     {"xp", "ide", "newer", 1, 0},    {"nt4", "ide", "newer", 1, 0},
    {"xp", "pcmcia", "newer", 2, 0}, {"98", "usb", "newer", 3, 0},    {"me", "usb", "wide", 4, 1},
    {"98", "ide", "newer", 1, 0},    {"95", "pcmcia", "newer", 2, 0},
};
constexpr Road kOlderRoads[] = {
    {"xp", "usb", "older", 3, 0}, {"nt4", "usb", "older", 3, 0}, {"98", "usb", "older", 3, 0}};

// Digests of the whole card image after a quick format of a fresh card (no clock or random
// number is involved: a format is the same bytes every time).
// Both reader families lay the same bytes onto a Memory Stick; the older SmartMedia readers clear
// the sectors before the boot record where the newer ones write whole blocks.
constexpr std::uint64_t kGoldenNewerSmartMedia = 9197689119191543900ULL;
constexpr std::uint64_t kGoldenOlderSmartMedia = 11284893313580239174ULL;
constexpr std::uint64_t kGoldenNewerStick = 8157877242783228934ULL;
constexpr std::uint64_t kGoldenOlderStick = kGoldenNewerStick;

TEST_F(FormatRoadsTest, EveryRoadOfTheNewerReadersGivesTheGoldenSmartMedia) {
  for (const Road& road : kNewerRoads) {
    EXPECT_EQ(
        FormattedDigest(
            road, kKindNewerSmartMedia,
            std::string("sm-") + road.windows + road.bus + road.firmware + std::to_string(road.wide) + ".img", false),
        kGoldenNewerSmartMedia)
        << road.windows << " " << road.bus << " " << road.firmware << " " << road.wide;
  }
}

TEST_F(FormatRoadsTest, EveryRoadOfTheNewerReadersGivesTheGoldenStick) {
  for (const Road& road : kNewerRoads) {
    EXPECT_EQ(
        FormattedDigest(
            road, kKindNewerMemoryStick,
            std::string("ms-") + road.windows + road.bus + road.firmware + std::to_string(road.wide) + ".img", true),
        kGoldenNewerStick)
        << road.windows << " " << road.bus << " " << road.firmware << " " << road.wide;
  }
}

TEST_F(FormatRoadsTest, TheOlderReadersGiveTheirGoldenCardsOnEverySystem) {
  for (const Road& road : kOlderRoads) {
    EXPECT_EQ(FormattedDigest(road, 0, std::string("smo-") + road.windows + ".img", false), kGoldenOlderSmartMedia)
        << road.windows;
    EXPECT_EQ(FormattedDigest(road, 0, std::string("mso-") + road.windows + ".img", true), kGoldenOlderStick)
        << road.windows;
  }
}

// A card information structure past block 0 stays where it is: the newer readers keep its block
// through the erase pass and write the structure back onto its page; the IDE road erases the
// block once the pass is done. A stray page in that block shows which of the two happened.
TEST_F(FormatRoadsTest, TheInformationStructureStaysInItsBlockOnEveryNewerRoad) {
  constexpr std::size_t kPageBytes = 528;
  constexpr std::size_t kCisPage = 32;  // block 1: block 0 is bad from the factory
  constexpr std::size_t kStrayPage = kCisPage + 5;
  for (const Road& road : kNewerRoads) {
    const std::string label = std::string(road.windows) + " " + road.bus + " " + road.firmware;
    const std::string image =
        "cis-" + std::string(road.windows) + road.bus + road.firmware + std::to_string(road.wide) + ".img";
    const std::string card = R"({"kind":"sm","image":")" + image + R"(","deviceCode":117,"factoryBadBlocks":[0,900]})";
    { InstalledMachine fresh(Machine(road.windows, road.bus, road.firmware, card)); }
    auto bytes = test_support::ReadImage(image);
    ASSERT_EQ(bytes.size(), 2048U * 32 * kPageBytes);
    const std::vector<std::uint8_t> cis(bytes.begin() + kCisPage * kPageBytes,
                                        bytes.begin() + (kCisPage + 1) * kPageBytes);
    ASSERT_EQ(std::vector<std::uint8_t>(cis.begin(), cis.begin() + 3), (std::vector<std::uint8_t>{0x01, 0x03, 0xD9}));
    std::fill_n(bytes.begin() + kStrayPage * kPageBytes, 512, 0x00);
    std::ofstream(test_support::ImagePath(image), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    {
      InstalledMachine machine(Machine(road.windows, road.bus, road.firmware, card));
      machineWindows_ = road.windows;
      ASSERT_EQ(Format(kKindNewerSmartMedia, 0, road.transport, road.wide), 1) << label;
      // Windows 9x has no physical drive to read the volume through; the golden tests cover it.
      if (!NineX(road.windows)) test_support::ExpectSoundLogicalVolume("cis.volume");
    }
    const auto after = test_support::ReadImage(image);
    EXPECT_TRUE(std::equal(cis.begin(), cis.end(), after.begin() + kCisPage * kPageBytes)) << label;
    const auto stray = after.begin() + kStrayPage * kPageBytes;
    const bool strayErased = std::all_of(stray, stray + 512, [](std::uint8_t value) { return value == 0xFF; });
    EXPECT_EQ(strayErased, road.transport == kTransportIde) << label;
    std::filesystem::remove(test_support::ImagePath(image));
  }
}

TEST_F(FormatRoadsTest, RefusalsShowTheirMessagesAndWriteNothing) {
  InstalledMachine machine(Machine("xp", "usb", "newer", SmartMedia("refused.img", R"(,"writeProtected":true)")));
  const auto before = test_support::ReadImage("refused.img");
  prompter_.AnswerMessageBox(ui::IDOK, "The media is write protected.");
  EXPECT_EQ(Format(kKindNewerSmartMedia, 0, 3), 0);
  machine.Get().RemoveCard('F');
  prompter_.AnswerMessageBox(ui::IDOK, "There is NO MEDIA present in the drive.");
  EXPECT_EQ(Format(kKindNewerSmartMedia, 0, 3), 0);
  EXPECT_EQ(test_support::ReadImage("refused.img"), before);
}

TEST_F(FormatRoadsTest, AVolumeInUseIsNotFormatted) {
  InstalledMachine machine(Machine("xp", "usb", "newer", SmartMedia("busy.img")));
  const auto before = test_support::ReadImage("busy.img");
  const win::HANDLE file = win::CreateFileA("F:\\HELD.TXT", win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS,
                                            win::FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  prompter_.AnswerMessageBox(ui::IDOK, "Format application cannot format this drive.");
  EXPECT_EQ(Format(kKindNewerSmartMedia, 0, 3), 1);
  EXPECT_EQ(busy_, 1);
  win::CloseHandle(file);
  const auto after = test_support::ReadImage("busy.img");
  // Only the file's own sectors changed: no block was erased.
  EXPECT_EQ(after.size(), before.size());
  EXPECT_EQ(std::equal(after.begin(), after.begin() + 528, before.begin()), true);
}

TEST_F(FormatRoadsTest, AQuickFormatOfAnUnreadableCardStopsBeforeErasing) {
  std::string faults = R"(,"faults":[)";
  for (int block = 0; block < 23; ++block) {
    faults += (block != 0 ? "," : "") + std::string(R"({"op":"read","block":)") + std::to_string(block) +
              R"(,"times":"always"})";
  }
  InstalledMachine machine(Machine("xp", "usb", "newer", SmartMedia("dead.img", faults + "]")));
  const auto before = test_support::ReadImage("dead.img");
  prompter_.AnswerMessageBox(ui::IDOK, "So this media can not be quick formatted.");
  EXPECT_EQ(Format(kKindNewerSmartMedia, 0, 3), 0);
  EXPECT_EQ(test_support::ReadImage("dead.img"), before);
}

TEST_F(FormatRoadsTest, AFailedWritePromptsAndEachAnswerActs) {
  // The master boot record's block (2) fails its first write.
  InstalledMachine machine(
      Machine("xp", "usb", "newer", SmartMedia("prompt.img", R"(,"faults":[{"op":"write","block":2,"times":1}])")));
  Answer(1000, 1001);  // Retry: sent again, and taken the second time
  EXPECT_EQ(Format(kKindNewerSmartMedia, 0, 3), 1);
  ASSERT_EQ(promptTexts_.size(), 1U);
  EXPECT_EQ(promptTexts_[0],
            "Write failed. Unable to write the new Master Boot Record (MBR) at\nBlock : 2 (0x2)   Page : 0 (0x0)");
  test_support::ExpectSoundLogicalVolume("prompt.volume");
}

TEST_F(FormatRoadsTest, AbortEndsTheFormatAndIgnoreAllSilencesTheRest) {
  InstalledMachine machine(Machine(
      "xp", "usb", "newer", SmartMedia("abort.img", R"(,"faults":[{"op":"write","block":2,"times":"always"}])")));
  Answer(1000, 1000);
  EXPECT_EQ(Format(kKindNewerSmartMedia, 0, 3), 0);
  EXPECT_EQ(promptTexts_.size(), 1U);
  // Ignore All: this and every later failing write of the format pass without a prompt; the
  // master boot record is still not written, so the format failed.
  Answer(1000, 1003);
  EXPECT_EQ(Format(kKindNewerSmartMedia, 0, 3), 0);
  EXPECT_EQ(promptTexts_.size(), 2U);
  // A new format asks again.
  Answer(1000, 1002);
  EXPECT_EQ(Format(kKindNewerSmartMedia, 0, 3), 0);
  EXPECT_EQ(promptTexts_.size(), 3U);
}

TEST_F(FormatRoadsTest, AFailedEraseOffersNoRetry) {
  InstalledMachine machine(Machine(
      "xp", "usb", "older", SmartMedia("erase.img", R"(,"faults":[{"op":"erase","block":40,"times":"always"}])")));
  Answer(1001, 1000);
  EXPECT_EQ(Format(0, 0, 3), 0);
  ASSERT_EQ(promptTexts_.size(), 1U);
  EXPECT_EQ(promptTexts_[0], "Erase block failed. Unable to erase the media at\nBlock : 40 (0x28)   Page : 0 (0x0)");
  Answer(1001, 1002);
  EXPECT_EQ(Format(0, 0, 3), 1);
  test_support::ExpectSoundLogicalVolume("erase.volume");
}

TEST_F(FormatRoadsTest, AStickWhoseFirstBlockIsBadKeepsItsOtherBootBlock) {
  InstalledMachine machine(
      Machine("xp", "usb", "newer",
              R"({"kind":"ms","image":"boot.img","blocks":512,"pagesPerBlock":16,"factoryBadBlocks":[0]})"));
  EXPECT_EQ(Format(kKindNewerMemoryStick, 0, 3), 1);
  const auto report = test_support::CheckStickImage(test_support::ReadImage("boot.img"), 512, 16);
  EXPECT_EQ(report.bootBlocks, (std::vector<std::uint32_t>{1}));
  EXPECT_EQ(report.badBlocks, (std::vector<std::uint32_t>{0}));
  test_support::ExpectSoundLogicalVolume("boot.volume");
}

constexpr Road kStickRoads[] = {{"xp", "usb", "newer", 3, 0},
                                {"xp", "ide", "newer", 1, 0},
                                {"nt4", "ide", "newer", 1, 0},
                                {"xp", "pcmcia", "newer", 2, 0}};

// A fresh stick of 512 blocks of 16 pages whose block 0 was erased: its boot block is lost, the
// copy in block 1 remains.
std::string StickWithoutFirstBootBlock(const Road& road, const std::string& image, const std::string& extra = "") {
  constexpr std::size_t kBlockBytes = 4 + 16 * 512;
  const std::string card = R"({"kind":"ms","image":")" + image + R"(","blocks":512,"pagesPerBlock":16)" + extra + "}";
  { InstalledMachine fresh(Machine(road.windows, road.bus, road.firmware, card)); }
  auto bytes = test_support::ReadImage(image);
  EXPECT_EQ(bytes.size(), 512 * kBlockBytes);
  std::fill_n(bytes.begin(), std::min(bytes.size(), kBlockBytes), std::uint8_t{0xFF});
  machine::test_support::WriteHostFile(test_support::ImagePath(image), bytes);
  return Machine(road.windows, road.bus, road.firmware, card);
}

// A stick whose first block lost its boot block gets the copy of the other one written back
// into it, on the SCSI road and on each ATA road (where the block command carries it).
TEST_F(FormatRoadsTest, AStickWithoutItsFirstBootBlockGetsItWrittenBackOnEveryRoad) {
  int index = 0;
  for (const Road& road : kStickRoads) {
    const std::string image = "lost-boot-" + std::to_string(index++) + ".img";
    InstalledMachine machine(StickWithoutFirstBootBlock(road, image));
    EXPECT_EQ(Format(kKindNewerMemoryStick, 0, road.transport, road.wide), 1) << road.windows << " " << road.bus;
    const auto report = test_support::CheckStickImage(test_support::ReadImage(image), 512, 16);
    EXPECT_EQ(report.bootBlocks, (std::vector<std::uint32_t>{0, 1})) << road.windows << " " << road.bus;
    test_support::ExpectSoundLogicalVolume(image + ".volume");
  }
}

// The boot block goes back into block 0 before any block is erased: a format that stops in the
// erase pass leaves the stick both boot blocks.
TEST_F(FormatRoadsTest, AStickFormatStoppedInTheErasePassKeepsBothBootBlocks) {
  int index = 0;
  for (const Road& road : kStickRoads) {
    const std::string image = "stopped-" + std::to_string(index++) + ".img";
    InstalledMachine machine(
        StickWithoutFirstBootBlock(road, image, R"(,"faults":[{"op":"erase","block":40,"times":"always"}])"));
    Answer(1001, 1000);
    EXPECT_EQ(Format(kKindNewerMemoryStick, 0, road.transport, road.wide), 0) << road.windows << " " << road.bus;
    const auto report = test_support::CheckStickImage(test_support::ReadImage(image), 512, 16);
    EXPECT_EQ(report.bootBlocks, (std::vector<std::uint32_t>{0, 1})) << road.windows << " " << road.bus;
  }
  EXPECT_EQ(promptTexts_.size(), std::size(kStickRoads));
}

TEST_F(FormatRoadsTest, AMemoryStickProIsFormattedByItsReader) {
  InstalledMachine machine(Machine("xp", "usb", "newer", R"({"kind":"mspro","image":"pro.img","sectors":65536})"));
  const ui::HWND percent = ui::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  LoadedLibrary library;
  auto* format = library.Bind<DoFormatFn>("DoFormat");
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format(nullptr, nullptr, percent, nullptr, 1, 'F' - 'A', 1, nullptr, &mediaCode_, kKindMemoryStickPro,
                   "MS Pro", 0, nullptr, nullptr, 3, 0, 0, &busy_),
            1);
  std::array<char, 16> text{};
  ui::GetWindowTextA(percent, text.data(), static_cast<int>(text.size()));
  EXPECT_STREQ(text.data(), "100 %");
  ui::DestroyWindow(percent);
  test_support::ExpectSoundLogicalVolume("pro.volume");
}

TEST_F(FormatRoadsTest, StepTextsReachTheStepWindow) {
  InstalledMachine machine(Machine("xp", "usb", "newer", Stick("steps.img")));
  std::vector<std::string> texts;
  ui::SetMessageObserver([&texts](ui::HWND, ui::UINT message, ui::WPARAM, ui::LPARAM lParam) {
    if (message == ui::WM_SETTEXT && lParam != 0) texts.emplace_back(reinterpret_cast<const char*>(lParam));
  });
  const ui::HWND step = ui::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(Format(kKindNewerMemoryStick, 0, 3, 0, step), 1);
  ui::SetMessageObserver({});
  EXPECT_EQ(texts,
            (std::vector<std::string>{
                "Preparing the media, please wait ...", "Erasing all the blocks...",
                "Writing the new Master Boot Record (MBR) ...", "Writing the new DOS Boot Record (DBR) ...",
                "Writing the First File Allocation Table (FAT) ...",
                "Writing the Second File Allocation Table (FAT) ...", "Writing the new Root Directory Structure ..."}));
  ui::DestroyWindow(step);
}

}  // namespace
}  // namespace pradvik

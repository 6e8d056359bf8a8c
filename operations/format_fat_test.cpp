// FAT formats from the Format page in the whole program on the simulated machine: every plain
// card of the default machine (the maker's USB and PCMCIA readers, another maker's reader, the
// floppy drive) becomes a volume that fsck.fat accepts and mtools writes and reads, the summary
// shows the figures of the volume written (its boot sector's and its FAT's, read from the card
// image) on cards from 512 MB past 4 GiB, and the boot option's system files.
#include "device/device_state.h"
#include "operations/era_page.h"
#include "operations/format_state.h"
#include "operations/format_summary_dlg.h"
#include "operations/testing/fat_volumes.h"
#include "operations/testing/page_runs.h"
#include "operations/tool_page.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/files/paths.h"
#include "platform/win/layouts/byte_order.h"
#include "controls/resource_ids.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

namespace tarnlok {
namespace {

using test_support::Bytes;
using test_support::ReadHostBytes;
using namespace format_page;

constexpr char kConfirm[] = "Are you certain you want to format your memory card?";

std::filesystem::path Home(const std::string& name) { return tarnlok::test_support::TestDataHome() / name; }

// count bytes of the host file from offset on (the card images of large cards are sparse: only
// what a test reads is read).
Bytes ReadHostRange(const std::filesystem::path& path, std::uint64_t offset, std::size_t count) {
  Bytes bytes(count, 0);
  std::ifstream file(path, std::ios::binary);
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  return bytes;
}

// The volume's first sector: sector 0 when it is a boot sector (512 bytes per sector, a power
// of two sectors per cluster), else the master boot record's first partition.
win::DWORD VolumeStart(std::span<const win::BYTE> first) {
  const win::BYTE perCluster = first[13];
  const bool bootSector = win::ReadLe16(first, 11) == 512 && perCluster != 0 && (perCluster & (perCluster - 1)) == 0;
  return bootSector ? 0 : win::ReadLe32(first, 0x1C6);
}
win::DWORD VolumeStart(const Bytes& card) { return VolumeStart(std::span<const win::BYTE>(card.data(), 512)); }

// What the card's volume says of itself: the cluster size and count from its boot sector, the
// free clusters from its first FAT.
struct VolumeOnCard {
  std::uint64_t unitBytes = 0;
  std::uint64_t units = 0;
  std::uint64_t freeUnits = 0;
  int fatBits = 0;
};

// The FAT entry of a cluster, 12, 16 or 32 bits wide (the top four bits of FAT32's reserved).
win::DWORD FatEntry(const Bytes& fat, int fatBits, win::DWORD cluster) {
  if (fatBits == 32) return win::ReadLe32(fat, cluster * 4) & 0x0FFFFFFF;
  if (fatBits == 16) return win::ReadLe16(fat, cluster * 2);
  const win::DWORD pair = win::ReadLe16(fat, cluster * 3 / 2);
  return cluster % 2 == 0 ? pair & 0xFFF : pair >> 4;
}

VolumeOnCard ReadVolumeOnCard(const std::filesystem::path& image) {
  const std::uint64_t start = VolumeStart(ReadHostRange(image, 0, 512));
  const Bytes boot = ReadHostRange(image, start * 512, 512);
  const win::DWORD bytesPerSector = win::ReadLe16(boot, 11);
  const win::DWORD perCluster = boot[13];
  const win::DWORD reserved = win::ReadLe16(boot, 14);
  const win::DWORD fats = boot[16];
  const win::DWORD rootSectors = (win::ReadLe16(boot, 17) * 32 + bytesPerSector - 1) / bytesPerSector;
  const win::DWORD total = win::ReadLe16(boot, 19) != 0 ? win::ReadLe16(boot, 19) : win::ReadLe32(boot, 32);
  const win::DWORD fatSectors = win::ReadLe16(boot, 22) != 0 ? win::ReadLe16(boot, 22) : win::ReadLe32(boot, 36);
  VolumeOnCard volume;
  volume.unitBytes = std::uint64_t{perCluster} * bytesPerSector;
  volume.units = (total - reserved - fats * fatSectors - rootSectors) / perCluster;
  volume.fatBits = volume.units < 4085 ? 12 : volume.units < 65525 ? 16 : 32;
  const Bytes fat = ReadHostRange(image, (start + reserved) * bytesPerSector, std::size_t{fatSectors} * bytesPerSector);
  for (win::DWORD cluster = 2; cluster < volume.units + 2; ++cluster) {
    if (FatEntry(fat, volume.fatBits, cluster) == 0) ++volume.freeUnits;
  }
  return volume;
}

// A figure of the summary without its digit groups.
std::uint64_t Figure(std::string text) {
  std::erase(text, ',');
  return std::stoull(text);
}

// mcopy writes a file onto the volume; the volume's files read back.
bool WritesAndReadsAFile(const std::filesystem::path& image, win::DWORD start) {
  const auto note = Home("note.txt");
  std::ofstream(note) << "written by mtools onto the new volume\n";
  const std::string command = "mcopy -o -i '" + image.string() + "@@" + std::to_string(std::uint64_t{start} * 512) +
                              "' '" + note.string() + "' ::/NOTE.TXT";
  if (std::system(command.c_str()) != 0) return false;
  for (const auto& [name, bytes] : test_support::VolumeFiles(ReadHostBytes(image), start)) {
    if (name == "NOTE.TXT") return bytes == ReadHostBytes(note);
  }
  return false;
}

struct SummaryShown {
  std::string total;
  std::string bad;
  std::string available;
  std::string unitBytes;
  std::string units;
};

class FatFormat : public test_support::PageRunTest {
 protected:
  void Format(ui::HWND page, bool full, bool summary, bool fat32 = false) {
    driver.WhenIdle([this, page, full, summary, fat32] {
      driver.SetCheck(page, full ? kFullChoice : kQuickChoice, true);
      driver.SetCheck(page, kSummaryChoice, summary);
      if (fat32) driver.SetCheck(page, kFat32Choice, true);
      driver.Click(page, kFormatButton);
    });
  }
  void RecordSummary() {
    driver.OnDialog(kFormatSummaryTemplate, [this](ui::HWND dialog) {
      shown = {test_support::ItemText(dialog, kSummaryTotal), test_support::ItemText(dialog, kSummaryBad),
               test_support::ItemText(dialog, kSummaryAvailable), test_support::ItemText(dialog, kSummaryUnitBytes),
               test_support::ItemText(dialog, kSummaryUnits)};
      driver.Click(dialog, ui::IDOK);
    });
  }
  void ExpectSoundVolume(const std::string& image, int fatBits) {
    const Bytes card = ReadHostBytes(Home(image));
    const win::DWORD start = VolumeStart(card);
    const auto fsck = test_support::CheckVolume(card, start);
    EXPECT_EQ(fsck.status, 0) << image << ": " << fsck.output;
    EXPECT_EQ(test_support::FatBitsByClusterCount(card, start), fatBits) << image;
    EXPECT_TRUE(WritesAndReadsAFile(Home(image), start)) << image;
  }
  // The summary shows the volume on the card: its clusters, their size, and the free ones.
  void ExpectSummaryOfVolume(const std::string& image) {
    const VolumeOnCard volume = ReadVolumeOnCard(Home(image));
    ASSERT_FALSE(shown.total.empty()) << image << ": no summary";
    EXPECT_EQ(Figure(shown.unitBytes), volume.unitBytes) << image;
    EXPECT_EQ(Figure(shown.units), volume.units) << image;
    EXPECT_EQ(Figure(shown.total), volume.units * volume.unitBytes) << image;
    EXPECT_EQ(Figure(shown.available), volume.freeUnits * volume.unitBytes) << image;
    EXPECT_EQ(shown.bad, "0") << image;
  }

  SummaryShown shown;
};

struct Road {
  const char* what;
  const char* image;
  const char* reader;
  const char* card;
  win::DWORD mediaCode;  // the last block address; the sector count of a floppy
  bool full;
  const char* lastMessage;  // after the summary; none when empty
  int fatBits;
};

class FatRoads : public FatFormat, public ::testing::WithParamInterface<Road> {};

TEST_P(FatRoads, TheCardBecomesASoundVolumeAndTheSummaryShowsItsFigures) {
  const Road& road = GetParam();
  Start(std::string(R"({ "version": 1, "windows": "xp", "readers": [ { )") + road.reader + R"(, "card": { )" +
        road.card + R"(, "image": ")" + road.image + R"(" } } ] })");
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  if (*road.lastMessage != '\0') prompter.AnswerMessageBox(ui::IDOK, road.lastMessage);
  RecordSummary();
  OnPage(kFormatTool, kFormatPageTemplate, 0, [&](ui::HWND page) { Format(page, road.full, true); });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(FormatStatus, road.mediaCode);
  ExpectSummaryOfVolume(road.image);
  ExpectSoundVolume(road.image, road.fatBits);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Readers, FatRoads, ::testing::Values(
    Road{"CompactFlash, USB", "cf.img", R"("bus": "usb", "maker": true, "letter": "E")", R"("kind": "cf", "sectors": 131072)",
         131071, false, "", 16},
    Road{"CompactFlash, PCMCIA", "pcmcia.img", R"("bus": "pcmcia", "maker": true, "letter": "E")",
         R"("kind": "cf", "sectors": 65536)", 65535, true, "remove the PCMCIA card", 12},
    Road{"MMC/SD, another maker", "sd.img", R"("bus": "usb", "letter": "E")", R"("kind": "mmcsd", "sectors": 524288)", 524287,
         false, "Please remove the media and put it back", 16},
    Road{"floppy", "a.img", R"("bus": "floppy", "letter": "A")", R"("kind": "floppy")", 2880, false, "", 12}),
    [](const auto& road) {
      std::string name = road.param.what;
      for (char& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });
// clang-format on

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

// Cards from 512 MB past 4 GiB in the maker's USB reader, FAT16 and (offered above 2 GB) FAT32,
// and FAT32 in another maker's reader: the summary shows the volume each format wrote.
struct SummaryCase {
  const char* what;
  const char* reader;
  win::DWORD sectors;
  bool fat32;
  int fatBits;
};

class SummaryOfLargeCards : public FatFormat, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(SummaryOfLargeCards, ShowsTheClustersTheFormatWrote) {
  const SummaryCase& card = GetParam();
  const std::string image = std::string(card.what) + ".img";
  Start(std::string(R"({ "version": 1, "windows": "xp", "readers": [ { )") + card.reader +
        R"(, "card": { "kind": "mmcsd", "image": ")" + image + R"(", "sectors": )" + std::to_string(card.sectors) +
        " } } ] }");
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  RecordSummary();
  OnPage(kFormatTool, kFormatPageTemplate, 0, [&](ui::HWND page) { Format(page, false, true, card.fat32); });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(ReadVolumeOnCard(Home(image)).fatBits, card.fatBits);
  ExpectSummaryOfVolume(image);
  std::filesystem::remove(Home(image));
}

constexpr char kMakersReader[] = R"("bus": "usb", "maker": true, "letter": "E")";
constexpr char kOtherReader[] = R"("bus": "usb", "letter": "E")";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Sizes, SummaryOfLargeCards, ::testing::Values(
    SummaryCase{"fat16_512mb",  kMakersReader, 1048576, false, 16},
    SummaryCase{"fat16_1500mb", kMakersReader, 3072000, false, 16},
    SummaryCase{"fat16_2gb",    kMakersReader, 4194304, false, 16},
    SummaryCase{"fat32_2500mb", kMakersReader, 5120000, true,  32},
    SummaryCase{"fat32_4_25gib", kMakersReader, 8912896, true, 32},
    SummaryCase{"fat32_other_reader_3gb", kOtherReader, 6144000, true, 32}),
    [](const auto& card) { return std::string(card.param.what); });
// clang-format on

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

// Booting is offered on Windows 9x only (where the card driver takes the IDE slot's commands);
// the road copies the system files after a format that succeeds with the box checked on either
// family.
class BootOption : public FatFormat, public ::testing::WithParamInterface<const char*> {};

TEST_P(BootOption, PutsTheSystemFilesOnTheNewVolume) {
  Start(std::string(R"({ "version": 1, "windows": ")") + GetParam() + R"(", "readers": [
    { "bus": "ide", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "ide.img", "sectors": 131072 } } ] })");
  // Windows 98 takes its own system files from drive C; the NT family our boot files.
  const bool nineX = std::string(GetParam()) == "98";
  const std::vector<const char*> expected =
      nineX ? std::vector{"IO.SYS", "DRVSPACE.BIN", "COMMAND.COM"}
            : std::vector{"COMMAND.COM", "KERNEL.SYS", "CONFIG.SYS", "AUTOEXEC.BAT"};
  if (nineX) {
    for (const char* name : expected) test_support::WriteHostBytes(*win::HostPathOf(std::string("C:\\") + name), {'S'});
  }
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "Format completed successfully.");
  OnPage(kFormatTool, kFormatPageTemplate, 0, [&](ui::HWND page) {
    driver.WhenIdle([page] { ui::CheckDlgButton(page, kBootChoice, ui::BST_CHECKED); });
    Format(page, false, false);
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  ExpectSoundVolume("ide.img", 16);
  const Bytes card = ReadHostBytes(Home("ide.img"));
  std::set<std::string> names;
  for (const auto& [name, bytes] : test_support::VolumeFiles(card, VolumeStart(card))) names.insert(name);
  for (const char* name : expected) EXPECT_EQ(names.count(name), 1u) << name;
}

INSTANTIATE_TEST_SUITE_P(Windows, BootOption, ::testing::Values("xp", "98"));

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

// Windows 98 and 95: the maker's USB reader and another maker's reach the library through
// ASPI, the maker's IDE and PCMCIA readers through the card driver; the card of each becomes a
// sound volume.
struct Reader9x {
  const char* image;
  win::DWORD sectors;
  const char* lastMessage;
  int fatBits;
};
constexpr Reader9x kReaders9x[] = {{"cf9x.img", 65536, "Format completed successfully.", 12},
                                   {"sd9x.img", 262144, "Format completed successfully.", 16},
                                   {"ide9x.img", 131072, "Format completed successfully.", 12},
                                   {"pcmcia9x.img", 65536, "remove the PCMCIA card", 12}};

class FatFormat9x : public FatFormat, public ::testing::WithParamInterface<std::tuple<const char*, int>> {};

TEST_P(FatFormat9x, TheCardBecomesASoundVolume) {
  const auto& [windows, row] = GetParam();
  const Reader9x& reader = kReaders9x[row];
  // Cards never formatted: whatever volume they show after, the format wrote.
  for (const Reader9x& each : kReaders9x) {
    test_support::WriteHostBytes(Home(each.image), Bytes(std::size_t{each.sectors} * 512, 0));
  }
  Start(std::string(R"({ "version": 1, "windows": ")") + windows + R"(", "readers": [
    { "bus": "usb", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "cf9x.img", "sectors": 65536 } },
    { "bus": "usb", "letter": "G", "card": { "kind": "mmcsd", "image": "sd9x.img", "sectors": 262144 } },
    { "bus": "ide", "maker": true, "letter": "I", "card": { "kind": "cf", "image": "ide9x.img", "sectors": 131072 } },
    { "bus": "pcmcia", "maker": true, "letter": "J",
      "card": { "kind": "mmcsd", "image": "pcmcia9x.img", "sectors": 65536 } } ] })");
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  // Windows 9x asks for no re-insertion after another maker's format.
  prompter.AnswerMessageBox(ui::IDOK, reader.lastMessage);
  OnPage(kFormatTool, kFormatPageTemplate, row, [&](ui::HWND page) { Format(page, false, false); });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  ExpectSoundVolume(reader.image, reader.fatBits);
}

// The maker's IDE and PCMCIA readers (rows 2 and 3) without a card are told so once, before the
// library is called.
class EmptyReader9x : public FatFormat, public ::testing::WithParamInterface<std::tuple<const char*, int>> {};

TEST_P(EmptyReader9x, SaysSoOnce) {
  const auto& [windows, row] = GetParam();
  Start(std::string(R"({ "version": 1, "windows": ")") + windows + R"(", "readers": [
    { "bus": "usb", "maker": true, "letter": "E", "card": { "kind": "none" } },
    { "bus": "usb", "letter": "G", "card": { "kind": "none" } },
    { "bus": "ide", "maker": true, "letter": "I", "card": { "kind": "none" } },
    { "bus": "pcmcia", "maker": true, "letter": "J", "card": { "kind": "none" } } ] })");
  prompter.AnswerMessageBox(ui::IDYES, kConfirm);
  prompter.AnswerMessageBox(ui::IDOK, "Media NOT present !!!");
  OnPage(kFormatTool, kFormatPageTemplate, row, [&](ui::HWND page) { Format(page, false, false); });
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Windows9x, FatFormat9x,
                         ::testing::Combine(::testing::Values("98", "95"), ::testing::Values(0, 1, 2, 3)));
INSTANTIATE_TEST_SUITE_P(Windows9x, EmptyReader9x,
                         ::testing::Combine(::testing::Values("98", "95"), ::testing::Values(2, 3)));

}  // namespace
}  // namespace tarnlok

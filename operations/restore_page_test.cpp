// The Restore page run in the whole program on the simulated machine: images written back byte
// for byte, used-space images grown onto a larger card, damaged and crafted images refused with
// the card untouched, and failures of the card reaching the error prompt.
#include "operations/error_prompt_dlg.h"
#include "operations/rest_page.h"
#include "operations/testing/fat_volumes.h"
#include "operations/testing/page_runs.h"
#include "operations/tool_page.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/files/paths.h"
#include "controls/resource_ids.h"
#include "tests/support/test_data_folder.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::Bytes;
using test_support::ReadHostBytes;

constexpr win::DWORD kSectors = 20000;
constexpr char kImage[] = "C:\\restore.FMB";
// The device list shows the readers by drive letter: E, G, K.
constexpr int kRowG = 1;
constexpr int kRowK = 2;

std::filesystem::path Home(const std::string& name) { return tarnlok::test_support::TestDataHome() / name; }
std::filesystem::path ImagePath() { return *win::HostPathOf(kImage); }

FmbHeader PlainHeader(win::DWORD sectors) {
  FmbHeader header;
  header.deviceKind = 1;
  header.mediaSizeCode = sectors / 2000;
  header.sectorsPerBlock = 63;
  header.blockCount = sectors;
  header.complete = 1;
  return header;
}

FmbHeader RawFlashHeader(win::BYTE kind, win::DWORD sizeCode, win::DWORD pagesPerBlock, win::DWORD blocks) {
  FmbHeader header;
  header.deviceKind = kind;
  header.mediaSizeCode = sizeCode;
  header.sectorsPerBlock = pagesPerBlock;
  header.blockCount = blocks;
  header.complete = 1;
  return header;
}

class RestorePage : public test_support::PageRunTest {
 protected:
  // E and K hold cards of 20000 sectors, G one of 64 MB; E's card is what the images hold.
  void StartMachine(const std::string& faultsOfK = "") {
    source = test_support::PatternBytes(kSectors * 512, 0x21);
    test_support::WriteHostBytes(Home("e.img"), source);
    test_support::WriteHostBytes(Home("k.img"), test_support::PatternBytes(kSectors * 512, 0x9C));
    Start(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "E",
        "card": { "kind": "cf", "image": "e.img", "sectors": 20000 } },
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "K",
        "card": { "kind": "cf", "image": "k.img", "sectors": 20000 )" +
          faultsOfK + R"( } },
      { "bus": "usb", "maker": true, "product": "CF Reader", "letter": "G",
        "card": { "kind": "cf", "image": "g.img", "sectors": 131072 } } ] })");
  }

  // Once the page waits: writes the image and presses Restore; the run takes the click then.
  void RestoreImage(ui::HWND page, const Bytes& image, const char* name = kImage) {
    driver.WhenIdle([this, page, image, name] {
      test_support::WriteHostBytes(ImagePath(), image);
      ui::SetDlgItemTextA(page, restore_page::kImageNameEdit, name);
      driver.Click(page, restore_page::kRestoreButton);
    });
  }

  void ExpectWarning() { prompter.AnswerMessageBox(ui::IDOK, "WARNING: Restore will delete all the contents"); }
  void ExpectSuccess() { prompter.AnswerMessageBox(ui::IDOK, "Successfully restored the media."); }

  Bytes source;
};

TEST_F(RestorePage, AWholeMediaImageComesBackByteForByteOntoAnotherCard) {
  StartMachine();
  ExpectWarning();
  ExpectSuccess();
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK, [&](ui::HWND page) {
    EXPECT_EQ(test_support::ItemText(page, restore_page::kDeviceValue), " CF Reader        [K:]");
    RestoreImage(page, test_support::BackupImage(PlainHeader(kSectors), source));
    driver.WhenIdle([page] {
      EXPECT_EQ(test_support::ItemText(page, restore_page::kCurrentBlockValue), "") << "emptied at the end";
      EXPECT_FALSE(ui::IsWindowVisible(ui::GetDlgItem(page, restore_page::kCancelButton)));
      EXPECT_EQ(OperationBusy, 0u);
    });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == source);
}

// Under the driver's standing clock the poll is due once: a card written in hundreds of blocks
// is written without the sheet's messages pumped (and the card asked after) for every block.
TEST_F(RestorePage, ACardIsWrittenWithoutPumpingMessagesForEveryBlock) {
  StartMachine();
  ExpectWarning();
  ExpectSuccess();
  const int before = driver.Pumps();
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK,
         [&](ui::HWND page) { RestoreImage(page, test_support::BackupImage(PlainHeader(kSectors), source)); });
  constexpr int kBlocks = kSectors / 63;
  EXPECT_LT(driver.Pumps() - before, kBlocks / 2);
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == source);
}

TEST_F(RestorePage, DamagedAndCraftedImagesAreRefusedWithTheCardUntouched) {
  StartMachine();
  const Bytes good = test_support::BackupImage(PlainHeader(kSectors), source);
  const auto with = [&](auto change) {
    Bytes image = good;
    change(image);
    return image;
  };
  struct Case {
    const char* what;
    Bytes image;
    const char* message;
  };
  FmbHeader incomplete = PlainHeader(kSectors);
  incomplete.complete = 0;
  FmbHeader larger = PlainHeader(kSectors);
  larger.blockCount = kSectors - 100;  // the body holds more than the header says
  FmbHeader usedSpace = PlainHeader(32768);
  usedSpace.blockCount = 20000;
  usedSpace.backupKind = kBackupUsedSpace;
  usedSpace.fileSystem = 1;
  usedSpace.mbrFlag = 1;
  usedSpace.volumeStart = 63;
  const Bytes fatCard = test_support::MakeFatCard(12, 20000, 63, 20000 - 63);
  const Bytes usedBody = test_support::UsedSpaceBodyOf(fatCard, 12, 63);
  const std::vector<Case> cases = {
      {"truncated", Bytes(good.begin(), good.end() - 700), "Incomplete backup file."},
      {"signature", with([](Bytes& b) { b[4] = 'X'; }), "Invalid Backup file."},
      {"header size 0", with([](Bytes& b) { win::WriteLe32(b, 0, 0); }), "Invalid Backup file."},
      {"header size past the file", with([](Bytes& b) { win::WriteLe32(b, 0, 0x7FFFFFFF); }), "Invalid Backup file."},
      {"complete flag 0", test_support::BackupImage(incomplete, source), "Incomplete backup file."},
      {"longer than its header says", test_support::BackupImage(larger, source), "Invalid Backup file."},
      {"backup kind 7", with([](Bytes& b) { b[38] = 7; }), "Invalid Backup file."},
      {"used space cut in a cluster",
       test_support::BackupImage(usedSpace, Bytes(usedBody.begin(), usedBody.end() - 100)), "Incomplete backup file."},
      {"used space with a record past the FAT",
       test_support::BackupImage(usedSpace,
                                 [&] {
                                   Bytes body = usedBody;
                                   const auto boot = std::span<const win::BYTE>(fatCard).subspan(63 * 512, 512);
                                   const win::DWORD rootEntries = win::ReadLe16(boot, 17);
                                   const std::size_t firstRecord =
                                       std::size_t{63 + win::ReadLe16(boot, 14) + win::ReadLe16(boot, 22) +
                                                   rootEntries * 32 / 512 + (rootEntries % 512 != 0 ? 1 : 0)} *
                                       512;
                                   EXPECT_EQ(win::ReadLe32(body, firstRecord), 3u) << "cluster 2's record";
                                   win::WriteLe32(body, firstRecord, 0x00FFFFF0);
                                   return body;
                                 }()),
       "Invalid Backup file."},
  };
  for (const Case& c : cases) {
    ExpectWarning();
    prompter.AnswerMessageBox(ui::IDOK, c.message);
  }
  const Bytes before = ReadHostBytes(Home("k.img"));
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK, [&](ui::HWND page) {
    for (const Case& c : cases) {
      RestoreImage(page, c.image);
      driver.WhenIdle([&, page, what = c.what] {
        EXPECT_TRUE(ReadHostBytes(Home("k.img")) == before) << what << ": the card is untouched";
        EXPECT_TRUE(ui::IsWindowEnabled(ui::GetDlgItem(page, restore_page::kRestoreButton))) << what;
      });
    }
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

TEST_F(RestorePage, ARawFlashImageCutShortRunningOnOrOfAnotherGeometryLeavesTheCardUntouched) {
  Start(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "letter": "F", "card": { "kind": "sm", "image": "sm-f.img" } } ] })");
  // The 32 MB card: 2048 blocks of 32 pages, media size code 6. A body of unused blocks holds
  // only their 512 bytes of redundant data each.
  const FmbHeader header = RawFlashHeader(kSmartMedia, 6, 32, 2048);
  const Bytes body(2048 * 512, 0xFF);
  FmbHeader otherGeometry = header;
  otherGeometry.sectorsPerBlock = 16;
  // Half the blocks under the same size code and block size: whole in itself, but not this card.
  FmbHeader otherCount = header;
  otherCount.blockCount = 1024;
  Bytes longer = body;
  longer.resize(body.size() + 100, 0xFF);
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDOK, "Incomplete backup file.");
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDOK, "Invalid Backup file.");
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDCANCEL, "You had inserted different size media (or) different type of media");
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDCANCEL, "You had inserted different size media (or) different type of media");
  const Bytes before = ReadHostBytes(Home("sm-f.img"));
  OnPage(kRestoreTool, kRestorePageTemplate, 0, [&](ui::HWND page) {
    RestoreImage(page, test_support::BackupImage(header, Bytes(body.begin(), body.end() - 300)));
    RestoreImage(page, test_support::BackupImage(header, longer));
    RestoreImage(page, test_support::BackupImage(otherGeometry, body));
    RestoreImage(page, test_support::BackupImage(otherCount, Bytes(1024 * 512, 0xFF)));
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("sm-f.img")) == before);
}

// A crafted raw flash header whose counts multiply past 64 bits of bytes: the mismatch message
// tells the image's size as the largest it can show, not a wrapped one, and nothing is written.
TEST_F(RestorePage, ARawFlashHeaderOfHugeCountsIsToldAsTheLargestSize) {
  Start(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "letter": "F", "card": { "kind": "sm", "image": "sm-huge.img" } } ] })");
  const FmbHeader huge = RawFlashHeader(kSmartMedia, 6, 0xFFFFFFFF, 0xFFFFFFFF);
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDCANCEL,
                            "Source Media: SmartMedia 2147483647 MB\nDestination Media: SmartMedia 32 MB\n");
  const Bytes before = ReadHostBytes(Home("sm-huge.img"));
  OnPage(kRestoreTool, kRestorePageTemplate, 0,
         [&](ui::HWND page) { RestoreImage(page, test_support::BackupImage(huge, Bytes(2048 * 512, 0xFF))); });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("sm-huge.img")) == before);
}

// A plain image holds sectors, a raw flash image blocks with their extra data: neither goes onto
// a card of the other layout, whatever the numbers, and the message tells both in megabytes.
class RestoreLayouts : public RestorePage {
 protected:
  void SetUp() override {
    RestorePage::SetUp();
    Start(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "cf-e.img", "sectors": 20000 } },
      { "bus": "usb", "maker": true, "letter": "H", "card": { "kind": "ms", "image": "ms-h.img" } } ] })");
    stickBefore = ReadHostBytes(Home("ms-h.img"));
    cfBefore = ReadHostBytes(Home("cf-e.img"));
  }
  void ExpectBothCardsUntouched() {
    EXPECT_EQ(prompter.Unanswered(), 0u);
    EXPECT_TRUE(ReadHostBytes(Home("ms-h.img")) == stickBefore);
    EXPECT_TRUE(ReadHostBytes(Home("cf-e.img")) == cfBefore);
  }

  Bytes stickBefore;
  Bytes cfBefore;
};

TEST_F(RestoreLayouts, APlainImageIsRefusedByAMemoryStick) {
  for (int image = 0; image < 2; ++image) {
    ExpectWarning();
    prompter.AnswerMessageBox(ui::IDCANCEL, "Source Media:  1 MB\nDestination Media: Memory Stick 16 MB\n");
  }
  OnPage(kRestoreTool, kRestorePageTemplate, 1, [&](ui::HWND page) {
    // 2000 sectors: fewer than the stick's 2048 blocks; a 1.44 MB floppy's 2880: more.
    RestoreImage(page, test_support::BackupImage(PlainHeader(2000), test_support::PatternBytes(2000 * 512, 3)));
    RestoreImage(page, test_support::BackupImage(PlainHeader(2880), test_support::PatternBytes(2880 * 512, 4)));
  });
  ExpectBothCardsUntouched();
}

TEST_F(RestoreLayouts, AMemoryStickImageIsRefusedByACompactFlashCard) {
  // The 16 MB Memory Stick: 2048 blocks of 16 pages, media size code 34.
  const FmbHeader stick = RawFlashHeader(kMemoryStick, 34, 16, 2048);
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDCANCEL, "Source Media: Memory Stick 16 MB\nDestination Media:  10 MB\n");
  OnPage(kRestoreTool, kRestorePageTemplate, 0,
         [&](ui::HWND page) { RestoreImage(page, test_support::BackupImage(stick, Bytes(2048 * 16 * 512, 0xFF))); });
  ExpectBothCardsUntouched();
}

// A floppy drive tells no write protection with the disk's size: only the write test on the
// volume finds it, and then the run offers Retry or Cancel instead of writing.
TEST_F(RestorePage, ADiskThatRefusesTheWriteTestGetsRetryWithTheDiskUntouched) {
  Start(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "floppy", "letter": "A", "card": { "kind": "floppy", "image": "a.img", "writeProtected": true } } ] })");
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDCANCEL, "The media is write protected.");
  const Bytes before = ReadHostBytes(Home("a.img"));
  OnPage(kRestoreTool, kRestorePageTemplate, 0, [&](ui::HWND page) {
    RestoreImage(page, test_support::BackupImage(PlainHeader(2880), test_support::PatternBytes(2880 * 512, 5)));
    driver.WhenIdle([page] {
      EXPECT_TRUE(ui::IsWindowEnabled(ui::GetDlgItem(page, restore_page::kRestoreButton)));
      EXPECT_EQ(OperationBusy, 0u);
    });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("a.img")) == before);
}

TEST_F(RestorePage, ASmallerCardGetsRetryAndAnImageOnTheCardsOwnDriveIsRefused) {
  StartMachine();
  prompter.AnswerMessageBox(ui::IDOK, "You have choosen both source and destination as same drive");
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDRETRY, "You had inserted different size media in the device.");
  prompter.AnswerMessageBox(ui::IDCANCEL, "Destination Size: ");
  const Bytes before = ReadHostBytes(Home("k.img"));
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK, [&](ui::HWND page) {
    RestoreImage(page, {}, "K:\\card.FMB");
    RestoreImage(
        page, test_support::BackupImage(PlainHeader(2 * kSectors), test_support::PatternBytes(2 * kSectors * 512, 1)));
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_TRUE(ReadHostBytes(Home("k.img")) == before);
}

TEST_F(RestorePage, AUsedSpaceImageGrowsOntoALargerCardIntoASoundFat16Volume) {
  StartMachine();
  const Bytes card = test_support::MakeFatCard(12, 32768, 63, 32768 - 63);
  FmbHeader header = PlainHeader(32768);
  header.backupKind = kBackupUsedSpace;
  header.fileSystem = 1;
  header.mbrFlag = 1;
  header.volumeStart = 63;
  ExpectWarning();
  ExpectSuccess();
  OnPage(kRestoreTool, kRestorePageTemplate, kRowG, [&](ui::HWND page) {
    RestoreImage(page, test_support::BackupImage(header, test_support::UsedSpaceBodyOf(card, 12, 63)));
  });
  const Bytes grown = ReadHostBytes(Home("g.img"));
  const auto fsck = test_support::CheckVolume(grown, 63);
  EXPECT_EQ(fsck.status, 0) << fsck.output;
  EXPECT_EQ(test_support::FatBitsByClusterCount(grown, 63), 16);
  EXPECT_EQ(test_support::VolumeFiles(grown, 63), test_support::VolumeFiles(card, 63));
}

TEST_F(RestorePage, TheCancelButtonStopsTheWriteOnceTheUserConfirms) {
  PollAtEveryBlock();
  StartMachine();
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDYES, "Do you want to cancel the current operation?");
  const Bytes before = ReadHostBytes(Home("k.img"));
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK, [&](ui::HWND page) {
    driver.WhenIdle([&, page] {
      test_support::WriteHostBytes(ImagePath(), test_support::BackupImage(PlainHeader(kSectors), source));
      ui::SetDlgItemTextA(page, restore_page::kImageNameEdit, kImage);
      driver.AfterPumps(30, [this, page] { driver.Click(page, restore_page::kCancelButton); });
      driver.Click(page, restore_page::kRestoreButton);
    });
    driver.WhenIdle([page] {
      EXPECT_FALSE(ui::IsWindowVisible(ui::GetDlgItem(page, restore_page::kCancelButton)));
      EXPECT_EQ(OperationBusy, 0u);
    });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u) << "no success message";
  const Bytes card = ReadHostBytes(Home("k.img"));
  EXPECT_TRUE(std::equal(card.begin(), card.begin() + 512, source.begin())) << "the first block was written";
  EXPECT_TRUE(std::equal(card.end() - 512, card.end(), before.end() - 512)) << "the last one was not";
}

// Writes that fail at two chunks of the card: the prompt names the step and its answer decides.
// Retry writes the chunk (the fault fires once), Ignore goes on and asks again at the next
// failure, Ignore All goes on without asking, Abort ends the run.
class RestoreFaults : public RestorePage, public ::testing::WithParamInterface<int> {};

TEST_P(RestoreFaults, FailedWritesReachThePromptAndItsAnswerDecides) {
  const int answer = GetParam();
  const std::string times = answer == error_prompt::kRetryButton ? "1" : "\"always\"";
  StartMachine(R"(, "faults": [ { "op": "write", "sector": 5000, "times": )" + times +
               R"( }, { "op": "write", "sector": 9000, "times": )" + times + " } ]");
  ExpectWarning();
  if (answer != error_prompt::kAbortButton) ExpectSuccess();
  const std::size_t prompts = answer == error_prompt::kRetryButton || answer == error_prompt::kIgnoreButton ? 2 : 1;
  std::vector<std::string> steps;
  for (std::size_t prompt = 0; prompt < prompts; ++prompt) {
    driver.OnDialog(kErrorPromptTemplate, [&](ui::HWND dialog) {
      steps.push_back(test_support::ItemText(dialog, error_prompt::kStepText));
      driver.Click(dialog, answer);
    });
  }
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK,
         [&](ui::HWND page) { RestoreImage(page, test_support::BackupImage(PlainHeader(kSectors), source)); });
  EXPECT_EQ(steps, std::vector<std::string>(prompts, "Unable to write the data."));
  EXPECT_EQ(prompter.Unanswered(), 0u);
  const Bytes card = ReadHostBytes(Home("k.img"));
  const std::size_t failing = std::size_t{5000 / 63 * 63} * 512;
  EXPECT_EQ(std::equal(card.begin(), card.begin() + failing, source.begin()), true) << "written up to the fault";
  EXPECT_EQ(card == source, answer == error_prompt::kRetryButton) << "only Retry gets the failing chunks written";
  EXPECT_EQ(std::equal(card.end() - 512, card.end(), source.end() - 512), answer != error_prompt::kAbortButton)
      << "all but Abort write on to the end";
}

INSTANTIATE_TEST_SUITE_P(Answers, RestoreFaults,
                         ::testing::Values(error_prompt::kAbortButton, error_prompt::kRetryButton,
                                           error_prompt::kIgnoreButton, error_prompt::kIgnoreAllButton));

TEST_F(RestorePage, ACardPulledDuringTheRunEndsItWithNoMedia) {
  PollAtEveryBlock();
  StartMachine(R"(, "pulledAfterCommands": 400)");
  // The command after the card left may be a write: its prompt is answered Ignore.
  driver.OnDialog(kErrorPromptTemplate, [this](ui::HWND prompt) { driver.Click(prompt, error_prompt::kIgnoreButton); });
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDOK, "Media NOT present !!!");
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK,
         [&](ui::HWND page) { RestoreImage(page, test_support::BackupImage(PlainHeader(kSectors), source)); });
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

// Between two polls of the standing clock, the write that finds the card gone asks after it
// before prompting: the run ends with its message and no prompt.
TEST_F(RestorePage, ACardPulledBetweenPollsEndsTheRunWithNoMediaAndNoPrompt) {
  StartMachine(R"(, "pulledAfterCommands": 40)");
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDOK, "Media NOT present !!!");
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK,
         [&](ui::HWND page) { RestoreImage(page, test_support::BackupImage(PlainHeader(kSectors), source)); });
  EXPECT_EQ(prompter.Unanswered(), 0u);
  EXPECT_EQ(std::count(driver.Started().begin(), driver.Started().end(), kErrorPromptTemplate), 0);
}

// A used-space restore takes no prompt and stops at its first failed write: the user hears why,
// whether the card refused the write or left the reader, and no success is reported.
struct UsedSpaceFailure {
  const char* name;
  const char* card;
  const char* message;
};

class RestoreUsedSpaceFailures : public RestorePage, public ::testing::WithParamInterface<UsedSpaceFailure> {};

TEST_P(RestoreUsedSpaceFailures, TheFailedWriteIsToldAndNoSuccess) {
  StartMachine(GetParam().card);
  FmbHeader header = PlainHeader(kSectors);
  header.backupKind = kBackupUsedSpace;
  header.fileSystem = 1;
  header.mbrFlag = 1;
  header.volumeStart = 63;
  const Bytes fatCard = test_support::MakeFatCard(12, kSectors, 63, kSectors - 63);
  ExpectWarning();
  prompter.AnswerMessageBox(ui::IDOK, GetParam().message);
  OnPage(kRestoreTool, kRestorePageTemplate, kRowK, [&](ui::HWND page) {
    RestoreImage(page, test_support::BackupImage(header, test_support::UsedSpaceBodyOf(fatCard, 12, 63)));
    driver.WhenIdle([page] {
      EXPECT_TRUE(ui::IsWindowEnabled(ui::GetDlgItem(page, restore_page::kRestoreButton)));
      EXPECT_EQ(OperationBusy, 0u);
    });
  });
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, RestoreUsedSpaceFailures,
    ::testing::Values(UsedSpaceFailure{"WriteRefused",
                                       R"(, "faults": [ { "op": "write", "sector": 63, "times": "always" } ])",
                                       "Unable to write the data."},
                      UsedSpaceFailure{"CardPulled", R"(, "pulledAfterCommands": 60)", "Media NOT present !!!"}),
    [](const auto& failure) { return std::string(failure.param.name); });

}  // namespace
}  // namespace tarnlok

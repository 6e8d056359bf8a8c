// What the person's answers to the library's failure prompts leave behind: an answer holds for
// the one format it was given in, and a format whose card information structure or volume was
// not written, or whose card left the reader, never reports success.
#include "formatlib/testing/fat_checks.h"
#include "formatlib/testing/flash_machine.h"
#include "formatlib/testing/library_prompts.h"

#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/windows/messages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace pradvik {
namespace {

using test_support::InstalledMachine;
using test_support::LoadedLibrary;
using test_support::PlainCardMachine;

constexpr BYTE kDriveE = 'E' - 'A';
constexpr BYTE kCompactFlash = 1;
constexpr BYTE kNewerSmartMedia = 18;
constexpr int kRetryPrompt = 1000;
constexpr int kNoRetryPrompt = 1001;
constexpr int kAbortButton = 1000;
constexpr int kIgnoreAllButton = 1003;

class FormatAnswersTest : public ::testing::Test {
 protected:
  int DefaultFormat(DWORD capacityMb, BYTE full = 0) {
    auto* format = library_.Bind<DoDefaultFormatFn>("DoDefaultFormat");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    BYTE reinsert = 1;
    BYTE busy = 0;
    DWORD mediaCode = 0;
    return format(nullptr, nullptr, nullptr, nullptr, 7, kDriveE, full, nullptr, &reinsert, &mediaCode, kCompactFlash,
                  0, 0, 0, nullptr, 3, 0xA0, 0, &busy, &capacityMb);
  }

  // A low-level format through DoFormat, as the Format page asks for one.
  int LowLevelFormat(BYTE deviceKind, BYTE transport, BYTE full) {
    auto* format = library_.Bind<DoFormatFn>("DoFormat");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    DWORD mediaCode = 0;
    BYTE busy = 0;
    return format(nullptr, nullptr, nullptr, nullptr, 1, 'F' - 'A', full, nullptr, &mediaCode, deviceKind, "SmartMedia",
                  0, nullptr, nullptr, transport, 0, 0, &busy);
  }

  void TearDown() override { EXPECT_EQ(prompter_.Unanswered(), 0u) << "a message the format never showed"; }

  LoadedLibrary library_;
  test_support::LibraryPrompts prompts_;
  ui::ScriptedPrompter prompter_{[](const std::string& what) { ADD_FAILURE() << what; }};
};

TEST_F(FormatAnswersTest, AnIgnoreAllOfOneFormatIsNotTheAnswerOfTheNext) {
  InstalledMachine machine(
      PlainCardMachine({"cf", 40000}, "answers-cf.img", R"([{"op":"write","sector":0,"times":"always"}])"));
  prompts_.Answer(kRetryPrompt, kIgnoreAllButton);
  DefaultFormat(20);
  ASSERT_EQ(prompts_.Texts().size(), 1u);
  // The next format meets the same unwritable master boot record: it asks, and Abort fails it.
  prompts_.Answer(kRetryPrompt, kAbortButton);
  EXPECT_EQ(DefaultFormat(20), 0);
  EXPECT_EQ(prompts_.Texts().size(), 2u);
}

TEST_F(FormatAnswersTest, AnIgnoredMasterBootRecordIsNoFormat) {
  InstalledMachine machine(
      PlainCardMachine({"cf", 40000}, "answers-mbr.img", R"([{"op":"write","sector":0,"times":"always"}])"));
  prompts_.Answer(kRetryPrompt, kIgnoreAllButton);
  EXPECT_EQ(DefaultFormat(20), 0);
  ASSERT_EQ(prompts_.Texts().size(), 1u);
  EXPECT_NE(prompts_.Texts()[0].find("Relative Sector: 0 (0x0)"), std::string::npos) << prompts_.Texts()[0];
}

TEST_F(FormatAnswersTest, AnIgnoredMasterBootRecordIsNoFormatWithoutAClearingPass) {
  // A format that clears nothing first meets the failure at the master boot record's own write.
  constexpr BYTE kNoClearing = 2;
  InstalledMachine machine(
      PlainCardMachine({"cf", 40000}, "answers-mbr-only.img", R"([{"op":"write","sector":0,"times":"always"}])"));
  prompts_.Answer(kRetryPrompt, kIgnoreAllButton);
  EXPECT_EQ(DefaultFormat(20, kNoClearing), 0);
  ASSERT_EQ(prompts_.Texts().size(), 1u);
  EXPECT_EQ(prompts_.Texts()[0],
            "Write failed. Unable to write the new Master Boot Record (MBR) at\nRelative Sector: 0 (0x0)");
}

std::string SectorFault(std::uint32_t lba) {
  return R"([{"op":"write","sector":)" + std::to_string(lba) + R"(,"times":"always"}])";
}

TEST_F(FormatAnswersTest, AnIgnoredSectorOfTheFatsIsNoFormat) {
  // Where the first FAT lies on this card, from a format that met no fault.
  std::uint32_t fatSector = 0;
  {
    InstalledMachine machine(PlainCardMachine({"cf", 40000}, "answers-fat-sound.img"));
    ASSERT_EQ(DefaultFormat(20), 1);
    const auto start = test_support::ReadFirstPartition(test_support::ReadCardSector("answers-fat-sound.img", 0));
    const auto boot =
        test_support::ReadBootFields(test_support::ReadCardSector("answers-fat-sound.img", start.firstSector));
    ASSERT_GT(boot.sectorsPerFat, 1u);
    fatSector = start.firstSector + boot.reservedSectors + 1;
  }
  // Only the quick clearing pass zeroes the FAT's second sector: left as it was, the FAT keeps
  // the old volume's chains.
  InstalledMachine machine(PlainCardMachine({"cf", 40000}, "answers-fat.img", SectorFault(fatSector)));
  prompts_.Answer(kRetryPrompt, kIgnoreAllButton);
  EXPECT_EQ(DefaultFormat(20), 0);
  EXPECT_EQ(prompts_.Texts().size(), 1u);
}

TEST_F(FormatAnswersTest, AnIgnoredSectorOfTheDataAreaLeavesASoundVolume) {
  InstalledMachine machine(PlainCardMachine({"cf", 40000}, "answers-data.img", SectorFault(30000)));
  prompts_.Answer(kRetryPrompt, kIgnoreAllButton);
  EXPECT_EQ(DefaultFormat(20, 1), 1);
  EXPECT_EQ(prompts_.Texts().size(), 1u);
  const auto entry = test_support::ReadFirstPartition(test_support::ReadCardSector("answers-data.img", 0));
  test_support::ExpectSoundVolume("answers-data.img", entry.firstSector, "answers-data");
}

std::string FlashReader(const std::string& firmware, const std::string& bus, const std::string& card) {
  return R"({"version":1,"windows":"xp","readers":[{"maker":true,"bus":")" + bus + R"(","firmware":")" + firmware +
         R"(","letter":"F","card":)" + card + "}]}";
}

std::string SmartMedia(const std::string& image, const std::string& extra) {
  return R"({"kind":"sm","image":")" + image + R"(","deviceCode":107)" + extra + "}";
}

TEST_F(FormatAnswersTest, ACardPulledDuringTheEraseFailsTheFormatWhateverTheAnswer) {
  InstalledMachine machine(
      FlashReader("older", "usb", SmartMedia("answers-pulled.img", R"(,"pulledAfterCommands":151)")));
  // The answers a person gives to the erase's and the writes' prompts: none is asked for.
  prompts_.Answer(kNoRetryPrompt, kIgnoreAllButton);
  prompts_.Answer(kRetryPrompt, kIgnoreAllButton);
  prompter_.AnswerMessageBox(ui::IDOK,
                             "There is NO MEDIA present in the drive. Please insert the media and then try again.");
  EXPECT_EQ(LowLevelFormat(0, 3, 1), 0);
  EXPECT_TRUE(prompts_.Texts().empty());
}

TEST_F(FormatAnswersTest, AnIgnoredFailureOfTheInformationStructureIsNoFormat) {
  for (const std::string firmware : {"older", "newer"}) {
    const std::string image = "answers-cis-" + firmware + ".img";
    InstalledMachine machine(
        FlashReader(firmware, "usb", SmartMedia(image, R"(,"faults":[{"op":"write","block":1,"times":"always"}])")));
    prompts_.Answer(kRetryPrompt, kIgnoreAllButton);
    EXPECT_EQ(LowLevelFormat(firmware == "newer" ? kNewerSmartMedia : 0, 3, 0), 0) << firmware;
  }
  ASSERT_EQ(prompts_.Texts().size(), 2u);
  EXPECT_EQ(prompts_.Texts()[0],
            "Write failed. Unable to write the new CIS information at\nBlock : 1 (0x1)   Page : 0 (0x0)");
}

TEST_F(FormatAnswersTest, TheOlderReadersTellTheLargeSmartMediaTheyCannotFormat) {
  // A 256 MB card (media size code 9) as a sparse image: the format stops before it reads it.
  const std::string image = "answers-large.img";
  {
    std::ofstream file(test_support::ImagePath(image), std::ios::binary | std::ios::trunc);
    file.seekp(16384LL * 32 * 528 - 1);
    file.put(0);
  }
  InstalledMachine machine(FlashReader("older", "usb", R"({"kind":"sm","image":")" + image + R"(","deviceCode":113})"));
  prompter_.AnswerMessageBox(ui::IDOK, "Unable to find the type of the media.");
  EXPECT_EQ(LowLevelFormat(0, 3, 0), 0);
}

}  // namespace
}  // namespace pradvik

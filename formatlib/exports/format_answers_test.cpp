// What the person's answers to the library's failure prompts leave behind: an answer holds for
// the one format it was given in, and a format whose card information structure or volume was
// not written, or whose card left the reader, never reports success.
#include "formatlib/testing/fat_checks.h"
#include "formatlib/testing/flash_machine.h"
#include "formatlib/testing/library_prompts.h"

#include "platform/ui/dialogs/prompter.h"

#include <gtest/gtest.h>

#include <string>

namespace pradvik {
namespace {

using test_support::InstalledMachine;
using test_support::LoadedLibrary;
using test_support::PlainCardMachine;

constexpr BYTE kDriveE = 'E' - 'A';
constexpr BYTE kCompactFlash = 1;
constexpr int kRetryPrompt = 1000;
constexpr int kAbortButton = 1000;
constexpr int kIgnoreAllButton = 1003;

class FormatAnswersTest : public ::testing::Test {
 protected:
  int DefaultFormat(DWORD capacityMb) {
    auto* format = library_.Bind<DoDefaultFormatFn>("DoDefaultFormat");
    EXPECT_NE(format, nullptr);
    if (format == nullptr) return -1;
    BYTE reinsert = 1;
    BYTE busy = 0;
    DWORD mediaCode = 0;
    return format(nullptr, nullptr, nullptr, nullptr, 7, kDriveE, 0, nullptr, &reinsert, &mediaCode, kCompactFlash, 0,
                  0, 0, nullptr, 3, 0xA0, 0, &busy, &capacityMb);
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

}  // namespace
}  // namespace pradvik

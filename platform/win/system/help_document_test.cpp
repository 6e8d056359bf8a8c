#include "platform/win/system/help_document.h"

#include "platform/win/testing/file_test_support.h"
#include "platform/win/system/help_viewer.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/shell_services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace win {
namespace {

constexpr char kDocument[] =
    "# a comment before any topic\n"
    "lines before the first topic are left out\n"
    "@topic Contents\r\n"
    "All topics.\r\n"
    "@topic Backing up\n"
    "@key Tarnlok Backup\n"
    "@key Dunmere Backup\n"
    "\n"
    "First line.\n"
    "# a comment inside a topic\n"
    "\n"
    "Third line.\n"
    "\n"
    "@topic Settings\n"
    "@context 0x20096\n"
    "@context 42\n"
    "Choose.\n";

std::uintptr_t Key(const char* key) { return reinterpret_cast<std::uintptr_t>(key); }

TEST(HelpDocument, TopicsKeysContextsAndText) {
  const auto document = ParseHelpDocument(kDocument);
  ASSERT_TRUE(document);
  ASSERT_EQ(document->topics.size(), 3U);
  EXPECT_EQ(document->topics[0].text, "All topics.");
  const HelpTopic& backup = document->topics[1];
  EXPECT_EQ(backup.title, "Backing up");
  EXPECT_EQ(backup.keys, (std::vector<std::string>{"Tarnlok Backup", "Dunmere Backup"}));
  EXPECT_EQ(backup.text, "First line.\r\n\r\nThird line.");
  EXPECT_EQ(document->topics[2].contexts, (std::vector<DWORD>{0x20096, 42}));
}

TEST(HelpDocument, CommandsFindTheirTopicAndAnythingElseTheContents) {
  const auto document = ParseHelpDocument(kDocument);
  ASSERT_TRUE(document);
  EXPECT_EQ(FindHelpTopic(*document, HELP_KEY, Key("dunmere BACKUP")).title, "Backing up");
  EXPECT_EQ(FindHelpTopic(*document, HELP_CONTEXT, 42).title, "Settings");
  EXPECT_EQ(FindHelpTopic(*document, HELP_CONTEXT, 0x20096).title, "Settings");
  // A title is not a key, nor is part of a key.
  EXPECT_EQ(FindHelpTopic(*document, HELP_KEY, Key("Backing up")).title, "Contents");
  EXPECT_EQ(FindHelpTopic(*document, HELP_KEY, Key("Tarnlok Backu")).title, "Contents");
  EXPECT_EQ(FindHelpTopic(*document, HELP_KEY, 0).title, "Contents");
  EXPECT_EQ(FindHelpTopic(*document, HELP_CONTEXT, 43).title, "Contents");
  EXPECT_EQ(FindHelpTopic(*document, HELP_CONTENTS, 0).title, "Contents");
  EXPECT_EQ(FindHelpTopic(*document, HELP_FINDER, Key("Tarnlok Backup")).title, "Contents");
}

TEST(HelpDocument, MalformedDocumentsAreRefused) {
  EXPECT_FALSE(ParseHelpDocument(""));
  EXPECT_FALSE(ParseHelpDocument("no topic at all\n"));
  EXPECT_FALSE(ParseHelpDocument("@topic A\n@context twelve\n"));
  EXPECT_FALSE(ParseHelpDocument("@topic A\n@context 0x\n"));
  EXPECT_FALSE(ParseHelpDocument("@topic A\n@key  \n"));
  EXPECT_FALSE(ParseHelpDocument("@topic A\n@see B\n"));
  EXPECT_TRUE(ParseHelpDocument("@topic A"));
}

// Records what WinHelpA hands to the help window.
struct Shown {
  static inline std::vector<std::string> titles;
  static inline int closes = 0;
  static void Show(HWND, const HelpTopic& topic) { titles.push_back(topic.title); }
  static void Close() { ++closes; }
};
constexpr HelpViewer kRecorder{Shown::Show, Shown::Close};

class WinHelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = CurrentHelpViewer();
    SetHelpViewer(&kRecorder);
    Shown::titles.clear();
    Shown::closes = 0;
  }
  void TearDown() override { SetHelpViewer(previous_); }
  const HelpViewer* previous_ = nullptr;
};

TEST_F(WinHelpTest, ShowsTheAskedTopicAndQuitClosesIt) {
  test_support::WriteHostFile(test_support::HostOfC("Help/TLKRCALL.HLP"), kDocument);
  EXPECT_TRUE(WinHelpA(nullptr, "c:\\help\\tlkrcall.hlp", HELP_KEY, Key("Tarnlok Backup")));
  EXPECT_TRUE(WinHelpA(nullptr, "C:\\Help\\TLKRCALL.HLP", HELP_CONTEXT, 42));
  EXPECT_TRUE(WinHelpA(nullptr, "C:\\Help\\TLKRCALL.HLP", HELP_KEY, Key("no such topic")));
  EXPECT_EQ(Shown::titles, (std::vector<std::string>{"Backing up", "Settings", "Contents"}));
  EXPECT_EQ(Shown::closes, 0);
  EXPECT_TRUE(WinHelpA(nullptr, nullptr, HELP_QUIT, 0));
  EXPECT_EQ(Shown::closes, 1);
}

TEST_F(WinHelpTest, UnreadableFilesShowNothing) {
  test_support::ArmLastError();
  EXPECT_FALSE(WinHelpA(nullptr, "C:\\missing.hlp", HELP_KEY, Key("Tarnlok Backup")));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  test_support::WriteHostFile(test_support::HostOfC("notes.txt"), "just text\n");
  test_support::ArmLastError();
  EXPECT_FALSE(WinHelpA(nullptr, "C:\\notes.txt", HELP_CONTENTS, 0));
  EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
  test_support::ArmLastError();
  EXPECT_FALSE(WinHelpA(nullptr, "", HELP_CONTENTS, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(Shown::titles.empty());
}

}  // namespace
}  // namespace win

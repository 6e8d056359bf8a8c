// The script grammar: what each line becomes, and each refusal with its line.
#include "platform/script/script.h"

#include "platform/script/script_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace script {
namespace {

Step Only(std::string_view text) {
  const auto steps = ParseScript(text);
  EXPECT_EQ(steps.size(), 1u) << text;
  return steps.empty() ? Step{} : steps.front();
}

TEST(ScriptGrammar, CommentsAndBlankLinesAreSkippedAndStepsKeepTheirLines) {
  const auto steps = ParseScript("# start\n\n  \t\ndevice e:\r\n  # indented comment\ntab Tools\nquit\n");
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].line, 4);
  EXPECT_EQ(steps[0].verb, Verb::Device);
  EXPECT_EQ(steps[0].letter, 'E');
  EXPECT_EQ(steps[1].line, 6);
  EXPECT_EQ(steps[1].text, "Tools");
  EXPECT_EQ(steps[2].verb, Verb::Quit);
}

TEST(ScriptGrammar, TheLastArgumentOfTextStepsIsTheRestOfTheLine) {
  EXPECT_EQ(Only("text 1040   Z:\\backups\\my card.FMB  ").text, "Z:\\backups\\my card.FMB");
  EXPECT_EQ(Only("text 1040").text, "");
  const Step expect = Only("expect\t1021 Drive  E:\\");
  EXPECT_EQ(expect.id, 1021);
  EXPECT_EQ(expect.text, "Drive  E:\\");
  const Step reply = Only("reply Yes Do you want to cancel?");
  EXPECT_EQ(reply.answer, Answer::Yes);
  EXPECT_EQ(reply.text, "Do you want to cancel?");
  EXPECT_EQ(Only("reply IgnoreAll").answer, Answer::IgnoreAll);
  EXPECT_EQ(Only("reply IgnoreAll").text, "");
  EXPECT_EQ(Only("file /tmp/a b.FMB").text, "/tmp/a b.FMB");
  EXPECT_EQ(Only("folder Z:\\tmp\\out").verb, Verb::Folder);
}

TEST(ScriptGrammar, ControlsRowsCardsAndWaits) {
  EXPECT_EQ(Only("press 1052").id, 1052);
  EXPECT_EQ(Only("uncheck 1096").verb, Verb::Uncheck);
  const Step select = Only("select 1002 3");
  EXPECT_EQ(select.id, 1002);
  EXPECT_EQ(select.row, 3);
  const Step insert = Only("card insert G: cards/spare card.img");
  EXPECT_EQ(insert.verb, Verb::CardInsert);
  EXPECT_EQ(insert.letter, 'G');
  EXPECT_EQ(insert.text, "cards/spare card.img");
  EXPECT_EQ(insert.deviceCode, 0);
  const Step named = Only("card insert F: deviceCode 0x6E blank card.img");
  EXPECT_EQ(named.deviceCode, 0x6E);
  EXPECT_EQ(named.text, "blank card.img");
  EXPECT_EQ(Only("card insert F: deviceCode 117 sm.img").deviceCode, 117);
  EXPECT_EQ(Only("card insert F: deviceCodes.img").text, "deviceCodes.img");
  const Step swap = Only("card swap E: g:");
  EXPECT_EQ(swap.verb, Verb::CardSwap);
  EXPECT_EQ(swap.otherLetter, 'G');
  EXPECT_TRUE(Only("card protect E: on").on);
  EXPECT_FALSE(Only("card protect E: off").on);
  EXPECT_EQ(Only("card remove H:").verb, Verb::CardRemove);
  EXPECT_EQ(Only("wait").seconds, 600);
  EXPECT_EQ(Only("wait 2.5").seconds, 2.5);
  EXPECT_EQ(Only("close").verb, Verb::Close);
}

TEST(ScriptGrammar, EachRefusalNamesItsLine) {
  const std::pair<const char*, const char*> refused[] = {
      {"jump 3", "unknown step \"jump\""},
      {"device E", "a drive is a letter and a colon"},
      {"device", "missing drive letter"},
      {"press", "missing control id"},
      {"press 10x", "control id must be a number"},
      {"press -1", "control id must be a number"},
      {"press 1 2", "unexpected \"2\""},
      {"select 1002", "missing row"},
      {"reply Maybe", "unknown button \"Maybe\""},
      {"reply ok", "unknown button \"ok\""},
      {"file", "missing path"},
      {"expect 1021", "missing expected text"},
      {"tab", "missing page caption"},
      {"card eject E:", "unknown card action \"eject\""},
      {"card insert E:", "missing image"},
      {"card insert E: deviceCode 0 x.img", "a device code is a number from 1 to 255"},
      {"card insert E: deviceCode 0x100 x.img", "a device code is a number from 1 to 255"},
      {"card insert E: deviceCode 0x6E", "missing image"},
      {"card protect E: maybe", "on or off"},
      {"card swap E:", "missing drive letter"},
      {"wait 0", "above 0"},
      {"wait soon", "above 0"},
      {"quit now", "unexpected \"now\""},
  };
  for (const auto& [line, why] : refused) {
    try {
      ParseScript(std::string("# first\ndevice E:\n") + line + "\nquit\n");
      ADD_FAILURE() << line << " parsed";
    } catch (const ScriptError& error) {
      EXPECT_EQ(error.Line(), 3) << line;
      EXPECT_NE(std::string(error.what()).find(why), std::string::npos) << line << ": " << error.what();
    }
  }
}

TEST(ScriptGrammar, AFileThatCannotBeReadIsLineZero) {
  const auto folder = std::filesystem::temp_directory_path();
  for (const auto& path : {folder / "no-such-script.txt", folder}) {
    try {
      ReadScript(path);
      ADD_FAILURE() << path << " was read";
    } catch (const ScriptError& error) {
      EXPECT_EQ(error.Line(), 0);
      EXPECT_NE(std::string(error.what()).find("cannot read"), std::string::npos);
    }
  }
  EXPECT_EQ(FailureText(7, "control 3 is hidden"), "script: line 7: control 3 is hidden");
}

TEST(ScriptGrammar, BoxTextsAreWrittenOnOneLine) {
  EXPECT_EQ(OneLine("Backup complete.\r\nFiles: 3\nDone\r"), "Backup complete.\\nFiles: 3\\nDone\\n");
}

}  // namespace
}  // namespace script

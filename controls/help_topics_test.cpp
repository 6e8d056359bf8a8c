// Where the help file is looked for: the folder the installation wrote to the INI, none when the
// INI says Fail in any case.
#include "controls/help_topics.h"

#include "platform/win/registry/profile.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

constexpr char kIni[] = "TLKLV2CL.INI";

TEST(HelpTopics, TheInstalledFolderHoldsTheHelpFile) {
  ASSERT_TRUE(win::WritePrivateProfileStringA("DefDir", "DefDir", "C:\\Tools", kIni));
  EXPECT_EQ(HelpFilePath(), "C:\\Tools\\TLKRCALL.HLP");
}

TEST(HelpTopics, AFolderOfFailInAnyCaseIsNoHelp) {
  for (const char* fail : {"Fail", "fail", "FAIL"}) {
    ASSERT_TRUE(win::WritePrivateProfileStringA("DefDir", "DefDir", fail, kIni));
    EXPECT_EQ(HelpFilePath(), "") << fail;
  }
}

}  // namespace
}  // namespace tarnlok

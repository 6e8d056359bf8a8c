#include "platform/ui/dialogs/colour_dialog.h"

#include "platform/ui/dialogs/prompter.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(ChooseColor, AsksThePrompterWithTheInitialColourAndTakesItsAnswer) {
  ScriptedPrompter prompter([](const std::string& what) { ADD_FAILURE() << what; });
  prompter.AnswerColour(RGB(1, 2, 3)).AnswerColour(std::nullopt);
  CHOOSECOLORA choose;
  COLORREF custom[16] = {};
  choose.lpCustColors = custom;
  choose.rgbResult = RGB(10, 20, 30);
  choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  ASSERT_TRUE(ChooseColorA(&choose));
  EXPECT_EQ(choose.rgbResult, RGB(1, 2, 3));
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].kind, ScriptedPrompter::Kind::Colour);
  EXPECT_EQ(prompter.Asked()[0].text, "RGB(10, 20, 30)");
  EXPECT_EQ(prompter.Asked()[0].flags, CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR);

  EXPECT_FALSE(ChooseColorA(&choose)) << "cancelled";
  EXPECT_EQ(choose.rgbResult, RGB(1, 2, 3)) << "a cancel leaves the record";
  choose.lStructSize = 4;
  EXPECT_FALSE(ChooseColorA(&choose));
}

}  // namespace
}  // namespace ui

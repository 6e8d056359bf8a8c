#include "platform/ui/dialog_template.h"

#include "platform/ui/styles.h"
#include "platform/ui/window_class.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(DialogTemplateText, ParsesDialogsAndTheirControls) {
  const auto dialogs = ParseDialogTemplates(R"(# two dialogs
DIALOG 153 10 20 200 126
STYLE POPUP CAPTION
CAPTION "Analysing \"Physical\" blocks"
FONT 8 "MS Sans Serif"
CONTROL 1142 BUTTON "Physical Block details" 7 7 186 50 GROUPBOX
CONTROL 1035 PROGRESS "" 7 70 150 10 SMOOTH
CONTROL 2 BUTTON "&Cancel" 140 100 50 14 PUSHBUTTON TABSTOP DISABLED
CONTROL 1168 CLASS "PIE_CHART_CTRL" "" 0 0 5 5 HIDDEN
DIALOG 154 0 0 10 10
)");
  ASSERT_EQ(dialogs.size(), 2u);
  const auto& first = dialogs[0];
  EXPECT_EQ(first.id, 153);
  EXPECT_EQ(first.caption, "Analysing \"Physical\" blocks");
  EXPECT_EQ(first.style, WS_POPUP | WS_CAPTION);
  EXPECT_EQ(first.fontFace, "MS Sans Serif");
  ASSERT_EQ(first.controls.size(), 4u);
  EXPECT_EQ(first.controls[0].style, WS_CHILD | WS_VISIBLE | BS_GROUPBOX);
  EXPECT_EQ(first.controls[1].className, kProgressClass);
  EXPECT_EQ(first.controls[2].style, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED);
  EXPECT_EQ(first.controls[3].className, "PIE_CHART_CTRL");
  EXPECT_EQ(first.controls[3].style & WS_VISIBLE, 0u);
  EXPECT_EQ(dialogs[1].controls.size(), 0u);
}

TEST(DialogTemplateText, ATypeWordReplacesTheTypeBefore) {
  const auto dialogs = ParseDialogTemplates("DIALOG 1 0 0 1 1\nCONTROL 5 STATIC \"\" 0 0 1 1 CENTER RIGHT SUNKEN\n");
  EXPECT_EQ(dialogs[0].controls[0].style & (SS_TYPEMASK | SS_SUNKEN), SS_RIGHT | SS_SUNKEN);
}

TEST(DialogTemplateText, FaultsNameTheLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"DIALOG 1 0 0 1 1\nCONTROL 5 WIDGET \"\" 0 0 1 1\n", "line 2: unknown control kind \"WIDGET\""},
      {"CONTROL 5 STATIC \"\" 0 0 1 1\n", "line 1: \"CONTROL\" before any DIALOG"},
      {"DIALOG 1 0 0 1 x\n", "line 1: \"x\" is not a number"},
      {"DIALOG 1 0 0 1 1\nCAPTION \"open\n", "line 2: a quoted text is not closed"},
      {"DIALOG 1 0 0 1 1\nSTYLE POPUP FANCY\n", "line 2: unknown style \"FANCY\""},
      {"DIALOG 1 0 0 1 1 7\n", "line 1: unexpected text at the end"},
      {"DIALOG 1 0 0\n", "line 1: a word is missing"},
  };
  for (const auto& each : cases) {
    try {
      ParseDialogTemplates(each.text);
      ADD_FAILURE() << each.text;
    } catch (const TemplateError& error) {
      EXPECT_NE(std::string(error.what()).find(each.message), std::string::npos) << error.what();
    }
  }
}

TEST(DialogUnits, UseTheFixedBaseUnitsAndRoundHalfAway) {
  EXPECT_EQ(DialogUnitsToPixelsX(4), 6);
  EXPECT_EQ(DialogUnitsToPixelsY(8), 13);
  EXPECT_EQ(DialogUnitsToPixelsX(235), 353) << "235 * 6 / 4 = 352.5";
  EXPECT_EQ(DialogUnitsToPixelsY(76), 124) << "76 * 13 / 8 = 123.5";
  EXPECT_EQ(DialogUnitsToPixelsX(-3), -5) << "-4.5 rounds away from zero";
}

}  // namespace
}  // namespace ui

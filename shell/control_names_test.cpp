// The names of controls that several templates share, or whose name says where a control sits,
// held against the program's own templates, so that a name and its number cannot drift apart.
#include "operations/bkup_page.h"
#include "operations/format_summary_dlg.h"
#include "platform/ui/controls/list_box.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/window_class.h"
#include "recovery/page/media_size_dlg.h"
#include "recovery/page/recv_settings_dlg.h"
#include "controls/control_ids.h"
#include "controls/resource_ids.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

const ui::DialogTemplate& Template(win::UINT id) {
  const ui::DialogTemplate* found = ui::FindDialogTemplate(nullptr, static_cast<int>(id));
  if (found == nullptr) throw std::runtime_error("no template " + std::to_string(id));
  return *found;
}

// The control of that id, or a control of no class when the template has none.
ui::DialogControl Control(win::UINT dialog, int id) {
  for (const ui::DialogControl& control : Template(dialog).controls) {
    if (control.id == id) return control;
  }
  return {};
}

TEST(ControlNames, GroupCaptionsAreStaticsFromTheTopDown) {
  const std::vector<int> captions = {kFirstGroupCaption, kSecondGroupCaption, kThirdGroupCaption, kFourthGroupCaption};
  const std::vector<std::pair<win::UINT, std::size_t>> titled = {{kBackupPageTemplate, 1},
                                                                 {kRestorePageTemplate, 2},
                                                                 {kDuplicatePageTemplate, 2},
                                                                 {kFormatPageTemplate, 2},
                                                                 {kRecvSettingsTemplate, 4}};
  for (const auto& [dialog, count] : titled) {
    int above = -1;
    for (std::size_t i = 0; i < captions.size(); ++i) {
      const ui::DialogControl caption = Control(dialog, captions[i]);
      if (i >= count) {
        EXPECT_TRUE(caption.className.empty()) << dialog << " has no caption " << i + 1;
        continue;
      }
      EXPECT_EQ(caption.className, ui::kStaticClass) << dialog << " caption " << i + 1;
      EXPECT_GT(caption.y, above) << dialog << " caption " << i + 1 << " lies below the one before";
      above = caption.y;
    }
  }
}

TEST(ControlNames, EachSummaryFigureHasItsTextBesideIt) {
  const std::vector<std::pair<int, int>> rows = {{kSummaryTotal, kSummaryTotalText},
                                                 {kSummaryBad, kSummaryBadText},
                                                 {kSummaryAvailable, kSummaryAvailableText},
                                                 {kSummaryUnitBytes, kSummaryUnitBytesText},
                                                 {kSummaryUnits, kSummaryUnitsText}};
  int above = -1;
  for (const auto& [figureId, textId] : rows) {
    const ui::DialogControl figure = Control(kFormatSummaryTemplate, figureId);
    const ui::DialogControl text = Control(kFormatSummaryTemplate, textId);
    EXPECT_EQ(figure.className, ui::kStaticClass) << figureId;
    EXPECT_EQ(text.className, ui::kStaticClass) << textId;
    EXPECT_EQ(text.y, figure.y) << textId << " on the row of " << figureId;
    EXPECT_GT(text.x, figure.x) << textId << " right of " << figureId;
    EXPECT_GT(figure.y, above) << figureId << " below the row before";
    above = figure.y;
  }
}

TEST(ControlNames, TheEdgePicturesLieOnTheirEdgesOfTheMainWindow) {
  const ui::DialogTemplate& main = Template(kMainTemplate);
  const ui::DialogControl left = Control(kMainTemplate, main_window::kLeftEdgePicture);
  const ui::DialogControl right = Control(kMainTemplate, main_window::kRightEdgePicture);
  const ui::DialogControl top = Control(kMainTemplate, main_window::kTopEdgePicture);
  const ui::DialogControl bottom = Control(kMainTemplate, main_window::kBottomEdgePicture);
  EXPECT_EQ(left.x, 0);
  EXPECT_EQ(left.cy, main.cy) << "the left edge is upright";
  EXPECT_EQ(right.x + right.cx, main.cx);
  EXPECT_EQ(right.cy, main.cy) << "the right edge is upright";
  EXPECT_EQ(top.y, 0);
  EXPECT_EQ(top.cx, main.cx) << "the top edge lies flat";
  EXPECT_EQ(bottom.y + bottom.cy, main.cy);
  EXPECT_EQ(bottom.cx, main.cx) << "the bottom edge lies flat";
  const ui::DialogControl firstPicture = Control(kMainTemplate, main_window::kFirstTitlePicture);
  EXPECT_EQ(firstPicture.className, ui::kStaticClass);
  EXPECT_GT(firstPicture.x, Control(kMainTemplate, main_window::kTitleMarker).x) << "right of the title";
}

// Labels and prompts named for the control they stand over.
TEST(ControlNames, PromptsStandAboveWhatTheyAskFor) {
  const struct {
    win::UINT dialog;
    int prompt;
    int asked;
  } prompts[] = {{kBackupPageTemplate, kImageNameLabel, kImageNameEdit},
                 {kRecvSettingsTemplate, kFolderPrompt, kFolderEdit},
                 {kRecvSettingsTemplate, kPrefixPrompt, kPrefixEdit},
                 {kMediaSizeTemplate, kMediaSizePrompt, kMediaSizeList}};
  for (const auto& [dialog, promptId, askedId] : prompts) {
    const ui::DialogControl prompt = Control(dialog, promptId);
    const ui::DialogControl asked = Control(dialog, askedId);
    EXPECT_EQ(prompt.className, ui::kStaticClass) << promptId;
    EXPECT_FALSE(asked.className.empty()) << askedId;
    EXPECT_LT(prompt.y, asked.y) << promptId << " above " << askedId;
  }
  EXPECT_EQ(Control(kMediaSizeTemplate, kMediaSizeList).className, ui::kListBoxClass);
  EXPECT_GT(Control(kRecvSettingsTemplate, kFolderExample).y, Control(kRecvSettingsTemplate, kFolderEdit).y)
      << "the example under the folder";
  EXPECT_EQ(Control(kMediaSizeTemplate, kMediaSizeWarning).y, Control(kMediaSizeTemplate, kMediaSizeNoteHeading).y)
      << "the warning beside its heading";
}

}  // namespace
}  // namespace tarnlok

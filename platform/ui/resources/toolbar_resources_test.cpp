// Toolbar resources: the text form read back, and the lines it refuses.
#include "platform/ui/resources/toolbar_resources.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(ToolbarResources, ButtonsTakeTheirImagesInOrderPastSeparators) {
  const ToolbarResource toolbar = ParseToolbarTemplate("# a comment\nTOOLBAR 16 15\nBUTTON 7\nSEPARATOR\n\nBUTTON 9\n");
  EXPECT_EQ(toolbar.imageWidth, 16);
  EXPECT_EQ(toolbar.imageHeight, 15);
  EXPECT_EQ(toolbar.buttons, (std::vector<UINT>{7, 0, 9}));
  EXPECT_EQ(toolbar.ImageOf(7), 0);
  EXPECT_EQ(toolbar.ImageOf(9), 1);
  EXPECT_EQ(toolbar.ImageOf(8), -1);
  EXPECT_EQ(toolbar.ImageOf(0), -1) << "a separator is no command";
}

TEST(ToolbarResources, MalformedTextIsRefusedWithItsLine) {
  for (const char* text : {"", "BUTTON 7\n", "TOOLBAR 16\n", "TOOLBAR 0 15\n", "TOOLBAR 16 15\nBUTTON\n",
                           "TOOLBAR 16 15\nBUTTON 70000\n", "TOOLBAR 16 15\nBUTTON 7 8\n", "TOOLBAR 16 15\nICON 3\n",
                           "TOOLBAR 16 15\nSEPARATOR 2\n", "TOOLBAR 16 15\nBUTTON -1\n"}) {
    EXPECT_THROW(ParseToolbarTemplate(text), ToolbarTemplateError) << text;
  }
  EXPECT_EQ(LoadToolbarResource(nullptr, 64999), std::nullopt) << "no such resource";
}

}  // namespace
}  // namespace ui

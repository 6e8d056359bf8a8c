// Judging a block whose redundant area cannot be read: only the user's Ignore lets the format go
// on, and then the block is left out rather than judged by stale bytes.
#include "formatlib/flash/redundant_area.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/os_platform_class.h"
#include "formatlib/command/volume_handle.h"
#include "formatlib/flash/bad_block_list.h"
#include "formatlib/testing/flash_machine.h"

#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

namespace pradvik {
namespace {

class RedundantAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBadBlocks();
    ResetDisabledBlocks();
    LibraryState().promptAnswer = kAnswerNone;
    LibraryState().blockLabel = "Block : ";
    LibraryState().pageLabel = "Page : ";
    context_.geometry = *FindGeometry(6);
  }

  test_support::InstalledMachine machine_{R"({"version":1,"windows":"xp","readers":[{"maker":true,"firmware":"older",
      "letter":"F","card":{"kind":"sm","image":"r.img","deviceCode":117,"factoryBadBlocks":[9]}}]})"};
  ui::TestDriver driver_{[](const std::string& what) { ADD_FAILURE() << what; }};
  // As an export's prologue decides it, before the volume opens: it chooses the command road.
  std::uint8_t osKind_{GetOsPlatformClass()};
  OwnedVolume volume_{OpenVolume('F' - 'A')};
  FormatContext context_{FlashRoad{volume_.Get(), kKindSmartMedia, 3, 0, 0}};
};

TEST_F(RedundantAreaTest, GoodAndFactoryBadBlocksAreToldApart) {
  std::uint8_t bad = 9;
  EXPECT_EQ(ReadRedundantData(context_, 8 * 32, bad), 1);
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(ReadRedundantData(context_, 9 * 32, bad), 1);
  EXPECT_EQ(bad, 1);
  EXPECT_TRUE(IsListedBadBlock(9));
}

TEST_F(RedundantAreaTest, AnIgnoredFailedReadLeavesTheBlockOut) {
  // A request that never reaches the reader fails.
  context_.road.handle = win::INVALID_HANDLE_VALUE;
  std::string text;
  driver_.OnDialog(1000, [this, &text](ui::HWND dialog) {
    std::array<char, 256> buffer{};
    ui::GetDlgItemTextA(dialog, 1004, buffer.data(), static_cast<int>(buffer.size()));
    text = buffer.data();
    driver_.Click(dialog, 1002);
  });
  std::uint8_t bad = 0;
  EXPECT_EQ(ReadRedundantData(context_, 12 * 32, bad), 1);
  EXPECT_EQ(bad, 1);
  EXPECT_TRUE(IsListedBadBlock(12));
  EXPECT_EQ(text, "Read failed. Unable to read the Redundant data from\nBlock : 12 (0xC)   Page : 0 (0x0)");
  // Abort: the judge fails.
  driver_.OnDialog(1000, [this](ui::HWND dialog) { driver_.Click(dialog, 1000); });
  EXPECT_EQ(ReadRedundantData(context_, 13 * 32, bad), 0);
}

TEST_F(RedundantAreaTest, ADisabledBlockListIsReadBigEndianUpToItsEnd) {
  const std::array<std::uint8_t, 8> page{0x00, 0x05, 0x01, 0x02, 0xFF, 0xFF, 0x00, 0x07};
  LoadDisabledBlocks(page);
  EXPECT_TRUE(IsDisabledBlock(5));
  EXPECT_TRUE(IsDisabledBlock(0x102));
  EXPECT_FALSE(IsDisabledBlock(7));
  EXPECT_TRUE(IsListedBadBlock(5));
  EXPECT_EQ(LibraryState().badBlockCount, 2U);
}

}  // namespace
}  // namespace pradvik

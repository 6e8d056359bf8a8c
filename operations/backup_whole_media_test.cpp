// Whole-card backups through the program on each Windows road and reader kind: the image body
// is the card byte for byte (plain cards) or the flash image's blocks with their own data (raw
// flash cards), and the header says what the Part's table says.
#include "device/device_entry.h"
#include "device/testing/card_images.h"
#include "operations/backup_test_support.h"
#include "platform/machine/flash/flash_geometry.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::ReadHostFile;

std::string PlainCardMachine(const std::string& windows, const std::string& bus, const std::string& kind, int sectors,
                             bool maker = true) {
  test_support::WriteImage("card.img", test_support::Partitioned(test_support::FormattedVolume(16, sectors - 64), 64));
  return R"({ "version": 1, "windows": ")" + windows + R"(", "readers": [
    { "bus": ")" +
         bus + R"(", "maker": )" + (maker ? "true" : "false") + R"(, "letter": "E",
      "card": { "kind": ")" +
         kind + R"(", "image": "card.img", "sectors": )" + std::to_string(sectors) + R"( } } ] })";
}

class WholeMediaBackup : public test_support::BackupProgramTest,
                         public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(WholeMediaBackup, TheBodyIsTheCardByteForByte) {
  const auto [windows, bus] = GetParam();
  Start(PlainCardMachine(windows, bus, "cf", 20000));
  ExpectConfirmation();
  prompter.AnswerMessageBox(ui::IDOK, "Successfully completed the backup.\n\nThe backup file was saved as\n" +
                                          std::string(test_support::kImageName));
  RunBackup({});
  const auto card = ReadHostFile(test_support::TestDataHome() / "card.img");
  const auto body = ImageBody();
  ASSERT_EQ(body.size(), card.size());
  EXPECT_TRUE(body == card) << "the body differs from the card";
  const auto header = ImageHeader();
  ASSERT_TRUE(header.has_value());
  EXPECT_TRUE(IsAcceptedFmbHeader(*header));
  EXPECT_NE(header->deviceKind, kSmartMedia);
  EXPECT_NE(header->deviceKind, kMemoryStick);
  EXPECT_EQ(header->blockCount, 20000u);
  EXPECT_EQ(header->bytesPerSector, 512u);
  EXPECT_EQ(header->backupKind, kBackupWholeMedia);
  const auto bytes = ReadHostFile(test_support::ImageHostPath());
  for (std::size_t i = 39; i < 51; ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i << " of a whole-media image";
  EXPECT_EQ(afterRun.busy, 0u);
  EXPECT_FALSE(afterRun.cancelVisible);
  EXPECT_TRUE(afterRun.closeEnabled);
}

INSTANTIATE_TEST_SUITE_P(Roads, WholeMediaBackup,
                         ::testing::Values(std::pair{"xp", "usb"}, std::pair{"2000", "usb"}, std::pair{"nt4", "usb"},
                                           std::pair{"98", "usb"}, std::pair{"xp", "pcmcia"},
                                           std::pair{"nt4", "pcmcia"}, std::pair{"98", "pcmcia"},
                                           std::pair{"xp", "ide"}, std::pair{"98", "ide"}));

}  // namespace
}  // namespace tarnlok

// Low-level formats through the DoFormat export on the machine's raw flash cards: every
// SmartMedia media size code and every Memory Stick size, on cards with factory bad blocks and
// failing blocks; the volume the reader then shows is judged by fsck.fat and mtools.
#include "formatlib/testing/flash_checks.h"
#include "formatlib/testing/flash_machine.h"

#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/testing/test_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace pradvik {
namespace {

using test_support::InstalledMachine;
using test_support::LoadedLibrary;

struct SmartMediaCase {
  int mediaCode;
  int deviceCode;
  std::uint32_t pageSize;
  std::uint32_t pagesPerBlock;
  std::uint32_t blocks;
};

// The cards of 256 MB and more take minutes each (their images are written whole when they are
// made): they form a test program of their own with a longer time limit.
#ifdef FORMATLIB_LARGE_CARDS
constexpr SmartMediaCase kSmartMedia[] = {
    {9, 0x71, 512, 32, 16384},
    {10, 0xDC, 512, 32, 32768},
    {11, 0xD3, 512, 32, 65536},
    {12, 0xD5, 512, 32, 131072},
};
#else
constexpr SmartMediaCase kSmartMedia[] = {
    {1, 0x6E, 256, 16, 256},  {2, 0x64, 256, 16, 512},  {3, 0x6B, 512, 16, 512},  {4, 0xE6, 512, 16, 1024},
    {5, 0x73, 512, 32, 1024}, {6, 0x75, 512, 32, 2048}, {7, 0x76, 512, 32, 4096}, {8, 0x79, 512, 32, 8192},
};
#endif

std::string Reader(const std::string& firmware, const std::string& card, const std::string& bus = "usb") {
  return R"({"version":1,"windows":"xp","readers":[{"maker":true,"bus":")" + bus + R"(","firmware":")" + firmware +
         R"(","letter":"F","card":)" + card + "}]}";
}

int RunDoFormat(const LoadedLibrary& library, BYTE deviceKind, BYTE full, BYTE transport, DWORD& mediaCode, BYTE& busy,
                int wide = 0, const char* product = "SmartMedia") {
  auto* format = library.Bind<DoFormatFn>("DoFormat");
  EXPECT_NE(format, nullptr);
  if (format == nullptr) return -1;
  return format(nullptr, nullptr, nullptr, nullptr, 7, 'F' - 'A', full, nullptr, &mediaCode, deviceKind, product, 0,
                nullptr, nullptr, transport, 0, wide, &busy);
}

// A card in a reader on the machine with the library loaded, formatted low-level through DoFormat
// as the Format page asks for it; the failing block's erase is passed over as the user would.
class FailingBlockFormat {
 public:
  FailingBlockFormat(const std::string& card, bool newer) : machine_(Reader(newer ? "newer" : "older", card)) {
    driver_.OnDialog(1001, [this](ui::HWND dialog) { driver_.Click(dialog, 1002); });
  }

  int Format(BYTE deviceKind, DWORD& mediaCode, BYTE& busy) const {
    return RunDoFormat(library_, deviceKind, 0, 3, mediaCode, busy);
  }

 private:
  InstalledMachine machine_;
  LoadedLibrary library_;
  ui::TestDriver driver_{[](const std::string& what) { ADD_FAILURE() << what; }};
  ui::ScriptedPrompter prompter_{[](const std::string& what) { ADD_FAILURE() << what; }};
};

TEST(SmallSmartMediaFormat, EachFamilyLaysTheTwoMegabyteVolumeWhereItsPartitionSaysItStarts) {
  for (const bool newer : {false, true}) {
    const std::string image = std::string("sm2-") + (newer ? "newer" : "older") + ".img";
    const FailingBlockFormat format(R"({"kind":"sm","image":")" + image + R"(","deviceCode":100})", newer);
    DWORD mediaCode = 0;
    BYTE busy = 0;
    ASSERT_EQ(format.Format(newer ? kKindNewerSmartMedia : 0, mediaCode, busy), 1);
    const auto volume = test_support::CopyLogicalVolume(image + ".volume");
    const auto bytes = machine::test_support::ReadHostFile(volume.path);
    const std::uint64_t start = newer ? 11 : 8;
    EXPECT_EQ(volume.offset, start * 512) << image;
    ASSERT_GE(bytes.size(), (start + 1) * 512) << image;
    const std::uint32_t hidden = bytes[start * 512 + 28] | (bytes[start * 512 + 29] << 8);
    EXPECT_EQ(hidden, start) << image;
    test_support::ExpectSoundLogicalVolume(image + ".judged");
  }
}

class SmartMediaFormatTest : public ::testing::TestWithParam<std::tuple<SmartMediaCase, bool>> {};

TEST_P(SmartMediaFormatTest, FormatsToASoundVolumeAroundBadBlocks) {
  const auto [card, newer] = GetParam();
  if (!newer && card.mediaCode > 8) GTEST_SKIP() << "the older readers do not know this size";
  // The 1 MB card may lose only three blocks (block 0 among them).
  const std::string lastBad = card.mediaCode == 1 ? "" : "," + std::to_string(card.blocks - 2);
  const std::string image = "sm" + std::to_string(card.mediaCode) + (newer ? "n" : "o") + ".img";
  const std::string description = R"({"kind":"sm","image":")" + image + R"(","deviceCode":)" +
                                  std::to_string(card.deviceCode) + R"(,"factoryBadBlocks":[3)" + lastBad +
                                  R"(],"failingBlocks":[)" + std::to_string(card.blocks / 2) + "]}";
  const FailingBlockFormat format(description, newer);
  DWORD mediaCode = 0;
  BYTE busy = 0;
  ASSERT_EQ(format.Format(newer ? kKindNewerSmartMedia : 0, mediaCode, busy), 1);
  EXPECT_EQ(mediaCode, static_cast<DWORD>(card.deviceCode));
  EXPECT_EQ(busy, 0);

  const auto report = test_support::CheckSmartMediaImage(test_support::ReadImage(image),
                                                         {card.pageSize, card.pagesPerBlock, card.blocks});
  // Block 0 held the factory's structure: it is marked bad and the structure moves to block 1.
  ASSERT_TRUE(report.cisBlock.has_value());
  EXPECT_EQ(*report.cisBlock, 1U);
  EXPECT_NE(std::find(report.badBlocks.begin(), report.badBlocks.end(), 0U), report.badBlocks.end());
  EXPECT_NE(std::find(report.badBlocks.begin(), report.badBlocks.end(), 3U), report.badBlocks.end());
  test_support::ExpectSoundLogicalVolume(image + ".volume");
}

INSTANTIATE_TEST_SUITE_P(EveryCode, SmartMediaFormatTest,
                         ::testing::Combine(::testing::ValuesIn(kSmartMedia), ::testing::Bool()),
                         [](const auto& param) {
                           return "Code" + std::to_string(std::get<0>(param.param).mediaCode) +
                                  (std::get<1>(param.param) ? "Newer" : "Older");
                         });

#ifndef FORMATLIB_LARGE_CARDS
struct StickCase {
  int mediaCode;
  std::uint32_t blocks;
  std::uint32_t pagesPerBlock;
};

constexpr StickCase kSticks[] = {{32, 512, 16},  {33, 1024, 16}, {34, 1024, 32},
                                 {35, 2048, 32}, {36, 4096, 32}, {37, 8192, 32}};

class StickFormatTest : public ::testing::TestWithParam<std::tuple<StickCase, bool>> {};

TEST_P(StickFormatTest, FormatsToASoundVolumeAroundBadBlocks) {
  const auto [card, newer] = GetParam();
  const std::string image = "ms" + std::to_string(card.mediaCode) + (newer ? "n" : "o") + ".img";
  const std::string description = R"({"kind":"ms","image":")" + image + R"(","blocks":)" + std::to_string(card.blocks) +
                                  R"(,"pagesPerBlock":)" + std::to_string(card.pagesPerBlock) +
                                  R"(,"factoryBadBlocks":[4,)" + std::to_string(card.blocks - 3) +
                                  R"(],"failingBlocks":[)" + std::to_string(card.blocks / 2 + 1) + "]}";
  const FailingBlockFormat format(description, newer);
  DWORD mediaCode = 0;
  BYTE busy = 0;
  ASSERT_EQ(format.Format(newer ? kKindNewerMemoryStick : 0, mediaCode, busy), 1);
  EXPECT_EQ(mediaCode, card.blocks * card.pagesPerBlock);
  const auto report = test_support::CheckStickImage(test_support::ReadImage(image), card.blocks, card.pagesPerBlock);
  EXPECT_EQ(report.bootBlocks, (std::vector<std::uint32_t>{0, 1}));
  EXPECT_NE(std::find(report.badBlocks.begin(), report.badBlocks.end(), 4U), report.badBlocks.end());
  test_support::ExpectSoundLogicalVolume(image + ".volume");
}

INSTANTIATE_TEST_SUITE_P(EverySize, StickFormatTest,
                         ::testing::Combine(::testing::ValuesIn(kSticks), ::testing::Bool()), [](const auto& param) {
                           return "Code" + std::to_string(std::get<0>(param.param).mediaCode) +
                                  (std::get<1>(param.param) ? "Newer" : "Older");
                         });

#endif

}  // namespace
}  // namespace pradvik

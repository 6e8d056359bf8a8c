// A card information structure whose page the format judged correctable is written back
// corrected on every road of the newer readers: the corrected bits must really reach the card.
#include "formatlib/testing/flash_checks.h"
#include "formatlib/testing/flash_machine.h"

#include "platform/machine/testing/fat_images.h"
#include "platform/ui/dialogs/prompter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pradvik {
namespace {

using test_support::InstalledMachine;
using test_support::LoadedLibrary;

// 4 MB SmartMedia: 512 blocks of 16 pages of 512 bytes, 16 bytes of redundant data each.
constexpr std::uint32_t kPageBytes = 512 + 16;
constexpr std::uint32_t kPagesPerBlock = 16;
constexpr test_support::SmartMediaLayout kLayout{512, kPagesPerBlock, 512};
constexpr BYTE kNewerSmartMedia = 18;

struct NewerRoad {
  const char* bus;
  BYTE transport;
};

std::string Machine(const std::string& bus, const std::string& image) {
  return R"({"version":1,"windows":"xp","readers":[{"maker":true,"bus":")" + bus +
         R"(","firmware":"newer","letter":"F","card":{"kind":"sm","image":")" + image + R"(","deviceCode":107}}]})";
}

int QuickFormat(BYTE transport) {
  LoadedLibrary library;
  auto* format = library.Bind<DoFormatFn>("DoFormat");
  EXPECT_NE(format, nullptr);
  if (format == nullptr) return -1;
  DWORD mediaCode = 0;
  BYTE busy = 0;
  return format(nullptr, nullptr, nullptr, nullptr, 1, 'F' - 'A', 0, nullptr, &mediaCode, kNewerSmartMedia,
                "SmartMedia", 0, nullptr, nullptr, transport, 0, 0, &busy);
}

std::vector<std::uint8_t> PageData(const std::vector<std::uint8_t>& image, std::uint32_t block) {
  const auto at = static_cast<std::ptrdiff_t>(std::size_t{block} * kPagesPerBlock * kPageBytes);
  return {image.begin() + at, image.begin() + at + 512};
}

TEST(CisRewrite, ACorrectedStructureReachesTheCardOnEveryNewerRoad) {
  ui::ScriptedPrompter prompter([](const std::string& what) { ADD_FAILURE() << what; });
  for (const NewerRoad road : {NewerRoad{"usb", 3}, NewerRoad{"ide", 1}, NewerRoad{"pcmcia", 2}}) {
    const std::string image = std::string("cis-rewrite-") + road.bus + ".img";
    std::uint32_t cisBlock = 0;
    std::vector<std::uint8_t> sound;
    {
      InstalledMachine machine(Machine(road.bus, image));
      ASSERT_EQ(QuickFormat(road.transport), 1) << road.bus;
      const auto formatted = test_support::ReadImage(image);
      const auto report = test_support::CheckSmartMediaImage(formatted, kLayout);
      ASSERT_TRUE(report.cisBlock.has_value()) << road.bus;
      cisBlock = *report.cisBlock;
      sound = PageData(formatted, cisBlock);
    }
    // One bit of the structure behind its signature has fallen to 0: its code still corrects it.
    auto bytes = test_support::ReadImage(image);
    const auto fallen = static_cast<std::size_t>(cisBlock) * kPagesPerBlock * kPageBytes + 0x0F;
    ASSERT_NE(bytes[fallen] & 0x01, 0) << road.bus;
    bytes[fallen] = static_cast<std::uint8_t>(bytes[fallen] & ~0x01);
    // A block behind the structure's holds stray data: the format erases it, kept structure or not.
    const auto stray = static_cast<std::size_t>(cisBlock + 20) * kPagesPerBlock * kPageBytes;
    bytes[stray] = 0x00;
    machine::test_support::WriteHostFile(test_support::ImagePath(image), bytes);
    {
      InstalledMachine machine(Machine(road.bus, image));
      EXPECT_EQ(QuickFormat(road.transport), 1) << road.bus;
    }
    const auto formatted = test_support::ReadImage(image);
    EXPECT_EQ(test_support::CheckSmartMediaImage(formatted, kLayout).cisBlock, cisBlock) << road.bus;
    EXPECT_EQ(PageData(formatted, cisBlock), sound) << road.bus;
    EXPECT_EQ(formatted[stray], 0xFF) << road.bus << ": the stray block behind the structure is erased";
  }
}

}  // namespace
}  // namespace pradvik
